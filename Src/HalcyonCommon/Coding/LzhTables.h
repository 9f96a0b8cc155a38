// SPDX-License-Identifier: Apache-2.0
// The fixed parameters of the LZ/Huffman codec and its fixed tables: the prefix code of the upper
// six bits of a match position, in the encoder's form (by value) and the decoder's form (by the
// next eight stream bits). The tables are built at compile time from the canonical code, so they
// cannot drift from it.
#pragma once

#include <cstdint>

namespace halcyon::lzh {

constexpr unsigned kWindowSize = 4096;  // positions are taken modulo this
constexpr unsigned kWindowMask = kWindowSize - 1;
constexpr unsigned kLookAhead = 60;  // longest match, bytes read ahead
constexpr unsigned kThreshold = 2;   // a match must be longer than this
constexpr unsigned kLiteralCount = 256;
constexpr unsigned kSymbolCount = kLiteralCount + kLookAhead - kThreshold;  // 314
constexpr unsigned kNodeCount = 2 * kSymbolCount - 1;                       // 627
constexpr unsigned kRoot = kNodeCount - 1;                                  // 626
constexpr unsigned kRebuildLimit = 0x8000;
constexpr unsigned kFirstWrite = kWindowSize - kLookAhead;  // 4036: spaces before it
constexpr unsigned kNil = kWindowSize;                      // empty link of the match trees
constexpr unsigned kHeaderSize = 4;
constexpr unsigned char kFill = 0x20;

// Symbol of a match of `length` bytes (3-60), and back.
constexpr unsigned MatchSymbol(unsigned length) { return length + kLiteralCount - kThreshold - 1; }
constexpr unsigned MatchLength(unsigned symbol) { return symbol - kLiteralCount + kThreshold + 1; }

struct PositionTables {
    uint8_t codeLength[64];  // bits of the code of upper value v
    uint8_t code[64];        // the code of v, left-aligned in a byte
    uint8_t upper[256];      // upper value whose code starts the byte b
    uint8_t length[256];     // length of that code
};

// Code lengths by upper value: 0 has 3 bits, 1-3 have 4, 4-11 have 5, 12-23 have 6, 24-47 have
// 7 and 48-63 have 8; the codes are the canonical ones in that order.
constexpr PositionTables BuildPositionTables() {
    PositionTables t{};
    constexpr unsigned kCounts[] = {1, 3, 8, 12, 24, 16};  // values per length 3..8
    unsigned value = 0, code = 0, length = 3;
    for (unsigned count : kCounts) {
        for (unsigned k = 0; k < count; ++k, ++value, ++code) {
            t.codeLength[value] = static_cast<uint8_t>(length);
            t.code[value] = static_cast<uint8_t>(code << (8 - length));
            unsigned first = code << (8 - length), span = 1u << (8 - length);
            for (unsigned b = first; b < first + span; ++b) {
                t.upper[b] = static_cast<uint8_t>(value);
                t.length[b] = static_cast<uint8_t>(length);
            }
        }
        code <<= 1;
        ++length;
    }
    return t;
}

inline constexpr PositionTables kPositionTables = BuildPositionTables();

static_assert(kPositionTables.code[0] == 0x00 && kPositionTables.code[1] == 0x20 &&
                  kPositionTables.code[3] == 0x40 && kPositionTables.code[4] == 0x50 &&
                  kPositionTables.code[5] == 0x58 && kPositionTables.code[12] == 0x90 &&
                  kPositionTables.code[24] == 0xC0 && kPositionTables.code[62] == 0xFE &&
                  kPositionTables.code[63] == 0xFF,
              "position codes are the canonical ones");

}  // namespace halcyon::lzh
