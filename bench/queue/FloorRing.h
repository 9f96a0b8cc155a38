// SPDX-License-Identifier: Apache-2.0
// The floor of the comparison: the least a ring in shared memory between two processes can do.
// One producer, one consumer, byte offsets that only grow, each on a cache line of its own, a
// cached copy of the other side's, frames of a 2-byte length and the bytes; both sides spin,
// neither sleeps nor checks anything. No queue that sleeps when idle can beat it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

namespace halcyon::bench::queue {

constexpr std::uint64_t kFloorBytes = 256 * 1024;  // a power of two

struct FloorShared {
    alignas(128) std::atomic<std::uint64_t> tail;  // bytes written
    alignas(128) std::atomic<std::uint64_t> head;  // bytes read
    alignas(128) unsigned char data[kFloorBytes];
};

inline void FloorPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

class FloorProducer {
  public:
    explicit FloorProducer(FloorShared& ring) : ring_(ring) {}
    void Push(const unsigned char* record, std::uint16_t length) {
        const std::uint64_t need = 2u + length;
        while (tail_ + need - head_ > kFloorBytes) {
            head_ = ring_.head.load(std::memory_order_acquire);
            FloorPause();
        }
        unsigned char frame[2] = {static_cast<unsigned char>(length),
                                  static_cast<unsigned char>(length >> 8)};
        Copy(tail_, frame, 2);
        Copy(tail_ + 2, record, length);
        tail_ += need;
        ring_.tail.store(tail_, std::memory_order_release);
    }

  private:
    void Copy(std::uint64_t at, const unsigned char* from, std::size_t n) {
        std::size_t pos = at & (kFloorBytes - 1),
                    first = kFloorBytes - pos < n ? kFloorBytes - pos : n;
        std::memcpy(ring_.data + pos, from, first);
        std::memcpy(ring_.data, from + first, n - first);
    }
    FloorShared& ring_;
    std::uint64_t tail_ = 0, head_ = 0;
};

class FloorConsumer {
  public:
    explicit FloorConsumer(FloorShared& ring) : ring_(ring) {}
    // Waits for the next record and copies it into `out`; its length.
    std::uint16_t Pop(unsigned char* out) {
        while (tail_ == head_) {
            tail_ = ring_.tail.load(std::memory_order_acquire);
            if (tail_ == head_) FloorPause();
        }
        unsigned char frame[2];
        Copy(head_, frame, 2);
        auto length = static_cast<std::uint16_t>(frame[0] | frame[1] << 8);
        Copy(head_ + 2, out, length);
        head_ += 2u + length;
        ring_.head.store(head_, std::memory_order_release);
        return length;
    }

  private:
    void Copy(std::uint64_t at, unsigned char* to, std::size_t n) {
        std::size_t pos = at & (kFloorBytes - 1),
                    first = kFloorBytes - pos < n ? kFloorBytes - pos : n;
        std::memcpy(to, ring_.data + pos, first);
        std::memcpy(to + first, ring_.data, n - first);
    }
    FloorShared& ring_;
    std::uint64_t tail_ = 0, head_ = 0;
};

}  // namespace halcyon::bench::queue
