// SPDX-License-Identifier: Apache-2.0
// The mapping of a lock-free queue (docs/shared-queue-format.md): a control page, then the ring.
//
// The writer owns `put` and `writeCount`, the reader `take` and `readCount`; each side stores
// only its own words, on a cache line of their own, and reads the other side's. A record is
// copied into the ring first and published by one release store of `put`, so a writer killed
// at any moment leaves either the whole record or nothing; the reader likewise gives the
// record's bytes back only with its store of `take`.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace halcyon::ipc {

constexpr std::uint8_t kLockFreeMark = 0x4C;  // 'L'; a legacy header has 0x8E here
constexpr char kLockFreeMagic[8] = {'H', 'C', 'L', 'F', 'Q', 'U', 'E', 'U'};
constexpr std::uint16_t kLockFreeVersion = 1;
constexpr std::uint32_t kControlBytes = 4096;  // the ring starts on the next page

struct alignas(128) LockFreeSideWords {
    std::atomic<std::uint32_t> offset;  // put (writer) or take (reader)
    std::atomic<std::uint32_t> count;   // writeCount or readCount
};

struct LockFreeControl {
    std::uint8_t mark;      // 0: kLockFreeMark
    std::uint8_t zero;      // 1: 0, where a legacy header keeps its size: legacy openers refuse it
    std::uint16_t version;  // 2
    std::uint32_t ringBytes;  // 4: the ring's size, sizeKiB * 1024
    char magic[8];            // 8
    std::uint8_t sizeKiB;     // 16
    std::uint8_t reserved[128 - 17];
    LockFreeSideWords writer;  // 128
    LockFreeSideWords reader;  // 256
};

static_assert(offsetof(LockFreeControl, writer) == 128 && offsetof(LockFreeControl, reader) == 256,
              "each side's words on a line of their own");
static_assert(sizeof(LockFreeControl) <= kControlBytes, "the control words fit their page");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "shared words are lock-free");

inline std::uint64_t LockFreeMappingBytes(std::uint8_t sizeKiB) {
    return kControlBytes + sizeKiB * 1024ULL;
}

// A new queue's control page (the mapping is zero-filled).
inline void InitialiseControl(LockFreeControl& c, std::uint8_t sizeKiB) {
    c.zero = 0;
    c.version = kLockFreeVersion;
    c.ringBytes = sizeKiB * 1024U;
    std::memcpy(c.magic, kLockFreeMagic, sizeof c.magic);
    c.sizeKiB = sizeKiB;
    c.writer.offset.store(0, std::memory_order_relaxed);
    c.reader.offset.store(0, std::memory_order_relaxed);
    // Marked last: an opener that sees the mark sees the rest.
    __atomic_store_n(&c.mark, kLockFreeMark, __ATOMIC_RELEASE);
}

// True when `view` starts with a lock-free control page; its ring size in KiB then, else 0.
inline std::uint8_t LockFreeSizeOf(const void* view) {
    const auto& c = *static_cast<const LockFreeControl*>(view);
    if (__atomic_load_n(&c.mark, __ATOMIC_ACQUIRE) != kLockFreeMark || c.zero != 0 ||
        c.version != kLockFreeVersion || std::memcmp(c.magic, kLockFreeMagic, 8) != 0 ||
        c.ringBytes != c.sizeKiB * 1024U) {
        return 0;
    }
    return c.sizeKiB;
}

inline std::uint8_t* LockFreeRing(LockFreeControl& c) {
    return reinterpret_cast<std::uint8_t*>(&c) + kControlBytes;
}

}  // namespace halcyon::ipc
