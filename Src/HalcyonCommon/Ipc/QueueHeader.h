// SPDX-License-Identifier: Apache-2.0
// The queue header's rules: validity, initial state, the ring behind it.
#pragma once

#include <HalcyonCommon/SharedMemory.h>

#include <cstddef>
#include <cstring>

namespace halcyon::ipc {

constexpr std::uint8_t kCheck1 = 0x8E;
constexpr std::uint8_t kCheck2 = 0x8F;
constexpr unsigned short kMaxRecord = 3095;
constexpr std::uint32_t kLengthField = 2;

// Valid: both check bytes in place. A header whose size or offsets do not fit the ring this
// process mapped counts as damaged too, so that no copy ever leaves the mapping.
inline bool IsValid(const tagSHMHEADER& h, std::uint32_t ringSize) {
    return h.H1 == kCheck1 && h.H2 == kCheck2 && h.size * 1024U == ringSize && h.put < ringSize &&
           h.take < ringSize;
}

// `put` and `take` are read by waiters without the mutex (a look before they take it), so they
// are stored and looked at a byte at a time with atomic accesses: the fields sit unaligned in the
// packed header. A look may see an offset half changed; it only decides whether to take the
// mutex, and everything that counts is read again under it.
inline std::uint8_t* OffsetBytes(tagSHMHEADER& h, std::size_t field) {
    return reinterpret_cast<std::uint8_t*>(&h) + field;
}

inline void StoreOffset(tagSHMHEADER& h, std::size_t field, std::uint32_t value) {
    std::uint8_t* bytes = OffsetBytes(h, field);
    for (int i = 0; i < 4; ++i) {
        __atomic_store_n(bytes + i, static_cast<std::uint8_t>(value >> (8 * i)), __ATOMIC_RELAXED);
    }
}

inline std::uint32_t PeekOffset(tagSHMHEADER& h, std::size_t field) {
    std::uint8_t* bytes = OffsetBytes(h, field);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(__atomic_load_n(bytes + i, __ATOMIC_RELAXED))
                 << (8 * i);
    }
    return value;
}

inline void StorePut(tagSHMHEADER& h, std::uint32_t put) {
    StoreOffset(h, offsetof(tagSHMHEADER, put), put);
}
inline void StoreTake(tagSHMHEADER& h, std::uint32_t take) {
    StoreOffset(h, offsetof(tagSHMHEADER, take), take);
}

// Check bytes set, every counter and offset 0; `size` as given.
inline void InitialiseHeader(tagSHMHEADER& h, std::uint8_t size) {
    h.H1 = kCheck1;
    h.size = size;
    h.count = 0;
    StorePut(h, 0);
    StoreTake(h, 0);
    h.sync = 0;
    h.errcount = 0;
    h.ReadCount = 0;
    h.WriteCount = 0;
    h.H2 = kCheck2;
}

// A frame of a batch (QueueWaits.h): a record's length, low byte first, then its bytes.
inline std::uint32_t FrameLength(const unsigned char* frame) {
    return frame[0] | static_cast<std::uint32_t>(frame[1]) << 8;
}
inline void SetFrameLength(unsigned char* frame, std::uint32_t length) {
    frame[0] = static_cast<unsigned char>(length);
    frame[1] = static_cast<unsigned char>(length >> 8);
}

// The bytes of the mapping of a queue whose ring is `size` KiB.
inline std::uint64_t MappingBytes(std::uint8_t size) {
    return size * 1024ULL + sizeof(tagSHMHEADER);
}

inline std::uint8_t* RingOf(tagSHMHEADER& h) {
    return reinterpret_cast<std::uint8_t*>(&h) + sizeof(tagSHMHEADER);
}

}  // namespace halcyon::ipc
