// The queue header's rules: validity, initial state, the ring behind it.
#pragma once

#include <HalcyonCommon/SharedMemory.h>

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

// Check bytes set, every counter and offset 0; `size` as given.
inline void InitialiseHeader(tagSHMHEADER& h, std::uint8_t size) {
    std::memset(&h, 0, sizeof h);
    h.H1 = kCheck1;
    h.size = size;
    h.H2 = kCheck2;
}

// The bytes of the mapping of a queue whose ring is `size` KiB.
inline std::uint64_t MappingBytes(std::uint8_t size) {
    return size * 1024ULL + sizeof(tagSHMHEADER);
}

inline std::uint8_t* RingOf(tagSHMHEADER& h) {
    return reinterpret_cast<std::uint8_t*>(&h) + sizeof(tagSHMHEADER);
}

}  // namespace halcyon::ipc
