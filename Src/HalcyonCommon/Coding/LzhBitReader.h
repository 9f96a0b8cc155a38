// SPDX-License-Identifier: Apache-2.0
// The decoder's bit reader: the stream's bits, most significant bit of each byte first, held in
// a 64-bit word that is refilled eight bytes at a time. Past the end of the data it gives zero
// bits, as the format prescribes for a truncated stream, and never reads a byte beyond the end.
#pragma once

#include "HalcyonCommon/Coding/LzhWords.h"

#include <cstddef>
#include <cstdint>

namespace halcyon::lzh {

class LzhBitReader {
  public:
    LzhBitReader(const uint8_t* data, const uint8_t* end) : next_(data), end_(end) {}

    // Makes at least 56 bits available for Bit and Take.
    void Refill() {
        if (end_ - next_ >= 8) {
            // Loads eight bytes, keeps the whole ones that fit: the extra bits already in the
            // word are the stream's next bits and are or-ed again, unchanged, next time.
            bits_ |= LoadBigEndian64(next_) >> count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ < 56) {
            uint64_t byte = 0;
            if (next_ < end_)
                byte = *next_++;
            else
                ++paddingBytes_;
            bits_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    unsigned Bit() {
        unsigned bit = static_cast<unsigned>(bits_ >> 63);
        bits_ <<= 1;
        --count_;
        return bit;
    }

    // The next two bits, not consumed.
    unsigned PeekTwo() const { return static_cast<unsigned>(bits_ >> 62); }

    void Skip(unsigned length) {
        bits_ <<= length;
        count_ -= length;
    }

    // The next eight bits, not consumed.
    unsigned PeekByte() const { return static_cast<unsigned>(bits_ >> 56); }

    // Consumes and returns the next `length` (1-32) bits.
    uint32_t Take(unsigned length) {
        auto value = static_cast<uint32_t>(bits_ >> (64 - length));
        bits_ <<= length;
        count_ -= length;
        return value;
    }

    // True when bits past the end of the data have been consumed.
    bool PastEnd() const { return paddingBytes_ * 8 > count_; }

    // Bits of the data not consumed yet (0 when PastEnd).
    size_t BitsLeft() const {
        if (PastEnd()) return 0;
        return static_cast<size_t>(end_ - next_) * 8 + count_ - paddingBytes_ * 8;
    }

  private:
    const uint8_t* next_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;  // valid bits, from bit 63 down
    size_t paddingBytes_ = 0;
};

}  // namespace halcyon::lzh
