// SPDX-License-Identifier: Apache-2.0
// The block scrambler against a step-by-step model of its rules, round trips of every length
// 5-4100, in place and between buffers, and the buffers it must leave alone.
#include "Coding/CodecSupport.h"

#include <HalcyonCommon/Scrambler.h>

#include "HalcyonCommon/Coding/ScramblerKeys.h"

#include <gtest/gtest.h>

namespace {

using namespace halcyon::test::codec;

namespace keys = halcyon::scrambler;

// The steps exactly as the format states them, one at a time, written with the nibble formula.
void BlockForward(int mode, unsigned char* b) {
    unsigned char t[4];
    for (int j = 0; j < 4; ++j) {
        int a = keys::kBlockOffsets[mode - 1][2 * j] & 0xFF;
        int c = keys::kBlockOffsets[mode - 1][2 * j + 1] & 0xFF;
        t[j] = static_cast<unsigned char>(((b[j] >> 4) + a) * 16 + c + (b[j] & 15));
    }
    for (int i = 0; i < 4; ++i) b[i] = t[keys::kBlockPermutations[mode - 1][i]];
}

void TailForward(int mode, unsigned char* b) {
    unsigned char t[3];
    for (int j = 0; j < 3; ++j)
        t[j] = static_cast<unsigned char>(b[j] + keys::kTailOffsets[mode - 1][j]);
    for (int i = 0; i < 3; ++i) b[i] = t[keys::kTailPermutations[mode - 1][i]];
}

// The blocks' steps in the rows of their schedule; then, with `tail`, the three-byte steps 2 and 1
// over the last three bytes.
Bytes Model(Bytes b, bool tail) {
    static const int kRows[4][4] = {{1, 2, 4, 3}, {3, 1, 2, 4}, {4, 3, 1, 2}, {2, 4, 3, 1}};
    for (size_t k = 0; k < b.size() / 4; ++k) {
        for (int mode : kRows[k % 4]) BlockForward(mode, &b[4 * k]);
    }
    if (tail) {
        TailForward(2, &b[b.size() - 3]);
        TailForward(1, &b[b.size() - 3]);
    }
    return b;
}

// For every length: the model's bytes, between buffers and in place, with a guard byte after the
// output; encoding leaves its input alone, decoding restores it and leaves the block step's result
// in its input (the last three bytes lose their own steps).
TEST(Scrambler, MatchesTheModelAndRoundTripsEveryLength) {
    for (long n = 5; n <= 4100; ++n) {
        SCOPED_TRACE(n);
        auto size = static_cast<size_t>(n);
        Bytes plain = RandomBytes(size, static_cast<uint32_t>(n)), in = plain;
        Bytes scrambled = Model(plain, true), out(size + 1, 0xCC), back(size + 1, 0xCC);
        ASSERT_EQ(s_CodingEncode_2(n, in.data(), out.data()), n);
        ASSERT_EQ(in, plain);
        ASSERT_EQ(out, scrambled + Bytes{0xCC});
        ASSERT_EQ(s_CodingDecode_2(n, out.data(), back.data()), n);
        ASSERT_EQ(back, plain + Bytes{0xCC});
        ASSERT_EQ(out, Model(plain, false) + Bytes{0xCC});

        ASSERT_EQ(s_CodingEncode_2(n, in.data(), in.data()), n);
        ASSERT_EQ(in, scrambled);
        ASSERT_EQ(s_CodingDecode_2(n, in.data(), in.data()), n);
        ASSERT_EQ(in, plain);
    }
}

// The key tables are the format: these bytes must never change. Worked out from the tables
// step by step for length 5: block 0 through modes 1, 2, 4, 3 gives 25 C8 16 F4, then the
// three-byte steps 2 and 1 over bytes 2-4 (16 F4 04) give A5 77 8F. Short lengths and null
// buffers change nothing.
TEST(Scrambler, KnownVectorAndRefusedCalls) {
    Bytes in = {0x00, 0x01, 0x02, 0x03, 0x04}, out(5, 0xAA);
    for (auto f : {s_CodingEncode_2, s_CodingDecode_2}) {
        for (long n : {4L, 0L, -1L, -2147483647L}) EXPECT_EQ(f(n, in.data(), out.data()), 0) << n;
        EXPECT_EQ(f(5, nullptr, out.data()), 0);
        EXPECT_EQ(f(5, in.data(), nullptr), 0);
    }
    EXPECT_EQ(out, Bytes(5, 0xAA));
    ASSERT_EQ(s_CodingEncode_2(5, in.data(), out.data()), 5);
    EXPECT_EQ(in, Bytes({0x00, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(out, Bytes({0x25, 0xC8, 0xA5, 0x77, 0x8F}));
}

}  // namespace
