// The block scrambler against a step-by-step model of its rules, round trips of every length
// 5-4100, in place and between buffers, and the buffers it must leave alone.
#include "Coding/CodecSupport.h"

#include <HalcyonCommon/Scrambler.h>

#include "HalcyonCommon/Coding/ScramblerKeys.h"

#include <gtest/gtest.h>

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

// `b` with a guard byte after it.
Bytes Guarded(Bytes b, uint8_t guard) {
    b.push_back(guard);
    return b;
}

long Encode(Bytes& in, Bytes& out) {
    return s_CodingEncode_2(static_cast<long>(in.size()), in.data(), out.data());
}
long Decode(Bytes& in, Bytes& out) {
    return s_CodingDecode_2(static_cast<long>(in.size()), in.data(), out.data());
}

// The output buffer has a guard byte past its length, which must stay as it was.
TEST(Scrambler, MatchesTheStepByStepModelForEveryLength) {
    for (size_t n = 5; n <= 4100; ++n) {
        Bytes in = RandomBytes(n, static_cast<uint32_t>(n)), copy = in, out(n + 1, 0xCC);
        ASSERT_EQ(s_CodingEncode_2(static_cast<long>(n), in.data(), out.data()),
                  static_cast<long>(n));
        ASSERT_EQ(out, Guarded(ModelScramble(copy), 0xCC)) << "length " << n;
        ASSERT_EQ(in, copy) << "the scrambler changed its input, length " << n;
    }
}

TEST(Scrambler, RoundTripsEveryLengthBetweenBuffersAndInPlace) {
    for (size_t n = 5; n <= 4100; ++n) {
        Bytes plain = RandomBytes(n, static_cast<uint32_t>(n) + 1);
        Bytes scrambled(n), restored(n + 1, 0xEE);
        ASSERT_EQ(Encode(plain, scrambled), static_cast<long>(n));
        Bytes input = scrambled;
        ASSERT_EQ(s_CodingDecode_2(static_cast<long>(n), input.data(), restored.data()),
                  static_cast<long>(n));
        ASSERT_EQ(restored, Guarded(plain, 0xEE)) << "between buffers, length " << n;

        Bytes inPlace = plain;
        ASSERT_EQ(s_CodingEncode_2(static_cast<long>(n), inPlace.data(), inPlace.data()),
                  static_cast<long>(n));
        ASSERT_EQ(inPlace, scrambled) << "in place, length " << n;
        ASSERT_EQ(s_CodingDecode_2(static_cast<long>(n), inPlace.data(), inPlace.data()),
                  static_cast<long>(n));
        ASSERT_EQ(inPlace, plain) << "in place, length " << n;
    }
}

TEST(Scrambler, DecodeLeavesTheBlockStepResultInTheLastThreeInputBytes) {
    for (size_t n : {5, 6, 7, 8, 9, 11, 12, 13, 100, 4099}) {
        Bytes plain = RandomBytes(n, static_cast<uint32_t>(n) + 2), scrambled(n), out(n);
        Encode(plain, scrambled);
        Bytes input = scrambled;
        Decode(input, out);
        Bytes expected = scrambled;
        Bytes blocksOnly = ModelBlocksOnly(plain);
        for (size_t i = n - 3; i < n; ++i) expected[i] = blocksOnly[i];
        EXPECT_EQ(input, expected) << "length " << n;
        // Bytes after the last whole block are plain again.
        for (size_t i = n / 4 * 4; i < n; ++i) EXPECT_EQ(input[i], plain[i]) << n << " @" << i;
    }
}

TEST(Scrambler, ShortLengthsAndNullBuffersChangeNothing) {
    Bytes in = {1, 2, 3, 4, 5, 6}, out(6, 0xAA);
    for (long n : {4L, 3L, 1L, 0L, -1L, -5L, -2147483647L}) {
        EXPECT_EQ(s_CodingEncode_2(n, in.data(), out.data()), 0) << n;
        EXPECT_EQ(s_CodingDecode_2(n, in.data(), out.data()), 0) << n;
    }
    EXPECT_EQ(in, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(out, Bytes(6, 0xAA));
    EXPECT_EQ(s_CodingEncode_2(6, nullptr, out.data()), 0);
    EXPECT_EQ(s_CodingEncode_2(6, in.data(), nullptr), 0);
    EXPECT_EQ(s_CodingDecode_2(6, nullptr, out.data()), 0);
    EXPECT_EQ(s_CodingDecode_2(6, in.data(), nullptr), 0);
    EXPECT_EQ(in, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(out, Bytes(6, 0xAA));
}

// The key tables are the format: these bytes must never change. Worked out from the tables
// step by step for length 5: block 0 through modes 1, 2, 4, 3 gives 25 C8 16 F4, then the
// three-byte steps 2 and 1 over bytes 2-4 (16 F4 04) give A5 77 8F.
TEST(Scrambler, KnownVectorsStayFixed) {
    Bytes plain = {0x00, 0x01, 0x02, 0x03, 0x04}, out(5);
    Encode(plain, out);
    EXPECT_EQ(out, Bytes({0x25, 0xC8, 0xA5, 0x77, 0x8F}));
}

}  // namespace
