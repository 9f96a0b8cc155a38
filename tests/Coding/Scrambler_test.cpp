// The block scrambler against a step-by-step model of its rules, round trips of every length
// 5-4100, in place and between buffers, and the buffers it must leave alone.
#include "Coding/CodecSupport.h"

#include <HalcyonCommon/Scrambler.h>

#include "HalcyonCommon/Coding/ScramblerKeys.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using halcyon::test::codec::Bytes;
using halcyon::test::codec::RandomBytes;
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

Bytes ModelBlocksOnly(const Bytes& in) {
    static const int kRows[4][4] = {{1, 2, 4, 3}, {3, 1, 2, 4}, {4, 3, 1, 2}, {2, 4, 3, 1}};
    Bytes out = in;
    for (size_t k = 0; k < in.size() / 4; ++k) {
        for (int mode : kRows[k % 4]) BlockForward(mode, &out[4 * k]);
    }
    return out;
}

Bytes ModelScramble(const Bytes& in) {
    Bytes out = ModelBlocksOnly(in);
    TailForward(2, &out[out.size() - 3]);
    TailForward(1, &out[out.size() - 3]);
    return out;
}

long Call(long (*f)(long, unsigned char*, unsigned char*), Bytes& in, unsigned char* out) {
    return f(static_cast<long>(in.size()), in.data(), out);
}

// For every length: the model's bytes, between buffers and in place, with a guard byte after the
// output; encoding leaves its input alone, decoding restores it and leaves the block step's result
// in the input's last three bytes (those after the last whole block are plain again).
TEST(Scrambler, MatchesTheModelAndRoundTripsEveryLength) {
    for (size_t n = 5; n <= 4100; ++n) {
        SCOPED_TRACE(n);
        Bytes plain = RandomBytes(n, static_cast<uint32_t>(n)), in = plain, out(n + 1, 0xCC);
        ASSERT_EQ(Call(s_CodingEncode_2, in, out.data()), static_cast<long>(n));
        ASSERT_EQ(in, plain);
        Bytes scrambled = ModelScramble(plain);
        ASSERT_EQ(Bytes(out.begin(), out.end() - 1), scrambled);
        ASSERT_EQ(out.back(), 0xCC);

        Bytes input = scrambled, restored(n + 1, 0xEE), expected = scrambled;
        ASSERT_EQ(Call(s_CodingDecode_2, input, restored.data()), static_cast<long>(n));
        ASSERT_EQ(Bytes(restored.begin(), restored.end() - 1), plain);
        ASSERT_EQ(restored.back(), 0xEE);
        Bytes blocksOnly = ModelBlocksOnly(plain);
        std::copy(blocksOnly.end() - 3, blocksOnly.end(), expected.end() - 3);
        ASSERT_EQ(input, expected);

        Bytes inPlace = plain;
        ASSERT_EQ(Call(s_CodingEncode_2, inPlace, inPlace.data()), static_cast<long>(n));
        ASSERT_EQ(inPlace, scrambled);
        ASSERT_EQ(Call(s_CodingDecode_2, inPlace, inPlace.data()), static_cast<long>(n));
        ASSERT_EQ(inPlace, plain);
    }
}

TEST(Scrambler, ShortLengthsAndNullBuffersChangeNothing) {
    Bytes in = {1, 2, 3, 4, 5, 6}, out(6, 0xAA);
    for (auto f : {s_CodingEncode_2, s_CodingDecode_2}) {
        for (long n : {4L, 3L, 1L, 0L, -1L, -5L, -2147483647L})
            EXPECT_EQ(f(n, in.data(), out.data()), 0) << n;
        EXPECT_EQ(f(6, nullptr, out.data()), 0);
        EXPECT_EQ(f(6, in.data(), nullptr), 0);
    }
    EXPECT_EQ(in, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(out, Bytes(6, 0xAA));
}

// The key tables are the format: these bytes must never change. Worked out from the tables
// step by step for length 5: block 0 through modes 1, 2, 4, 3 gives 25 C8 16 F4, then the
// three-byte steps 2 and 1 over bytes 2-4 (16 F4 04) give A5 77 8F.
TEST(Scrambler, KnownVectorsStayFixed) {
    Bytes plain = {0x00, 0x01, 0x02, 0x03, 0x04}, out(5);
    Call(s_CodingEncode_2, plain, out.data());
    EXPECT_EQ(out, Bytes({0x25, 0xC8, 0xA5, 0x77, 0x8F}));
}

}  // namespace
