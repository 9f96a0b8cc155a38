// SPDX-License-Identifier: Apache-2.0
// The encoder's bit writer: codes go out most significant bit first, packed into bytes; the last
// byte is padded with zero bits. Bits gather in a 64-bit word and leave four bytes at a time.
//
// The output is the caller's buffer of fixed capacity. When it is full, the writer fills it to
// the last byte with the stream's bytes, as a byte-at-a-time writer would have done, and reports
// failure; the caller then stops.
#pragma once

#include "HalcyonCommon/Coding/LzhWords.h"

#include <cstddef>
#include <cstdint>

namespace halcyon::lzh {

class LzhBitWriter {
  public:
    LzhBitWriter(uint8_t* out, uint8_t* end) : next_(out), end_(end) {}

    // Appends the `length` (1-32) high bits of `code`, whose other bits are zero. False when the
    // output is full.
    bool Put(uint32_t code, unsigned length) {
        bits_ |= static_cast<uint64_t>(code) << (32 - count_);
        count_ += length;
        if (count_ < 32) return true;
        if (end_ - next_ < 4) return DrainByBytes();
        StoreBigEndian32(next_, bits_);
        next_ += 4;
        bits_ <<= 32;
        count_ -= 32;
        return true;
    }

    // Writes the bits still held, the last byte padded with zeros. False when the output is full.
    bool Finish() {
        while (count_ > 0) {
            if (!PutByte()) return false;
        }
        return true;
    }

    uint8_t* Position() const { return next_; }

  private:
    bool PutByte() {
        if (next_ == end_) return false;
        *next_++ = static_cast<uint8_t>(bits_ >> 56);
        bits_ <<= 8;
        count_ = count_ > 8 ? count_ - 8 : 0;
        return true;
    }

    // Fewer than four bytes of room are left and at least four whole bytes are due: the stream
    // cannot fit. Fills what is left.
    bool DrainByBytes() {
        while (PutByte()) {
        }
        return false;
    }

    uint8_t* next_;
    uint8_t* end_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;  // bits held, from bit 63 down; fewer than 32 between calls
};

}  // namespace halcyon::lzh
