// SPDX-License-Identifier: Apache-2.0
// Streams known to the bit: the documented vectors, streams derived by hand from the coding
// rules, a stream holding a code longer than 16 bits, and the encoder's behaviour at the exact
// capacity.
//
// The first symbol is coded with the start tree, whose codes follow from its layout: leaf s is
// node s, and node 314 + i joins nodes 2i and 2i + 1, up to the root 626; an odd node is a 1 bit.
// A match of length n is symbol 253 + n. Its position follows: the canonical prefix code of the
// upper six bits (lengths 3, 4 x3, 5 x8, 6 x12, 7 x24, 8 x16), then the lower six bits.
#include "Coding/CodecSupport.h"

#include "HalcyonCommon/Coding/LzhBitWriter.h"
#include "HalcyonCommon/Coding/LzhTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

using namespace halcyon::test::codec;
using halcyon::lzh::LzhBitWriter;
using halcyon::lzh::LzhTree;

// A first match reads what the window held before any output: 4036 spaces, then 60 zeros at
// positions 4036-4095; a copy that overlaps its own output repeats it.
TEST(CodecVectors, KnownStreams) {
    using std::string;
    // The plain text, its stream, and whether the encoder makes it (the others are only decoded).
    const std::tuple<string, Bytes, bool> vectors[] = {
        {"a", {0x01, 0, 0, 0, 0xF6, 0x80}, true},
        {"abc", {0x03, 0, 0, 0, 0xF6, 0xFB, 0xBD, 0xE0}, true},
        {"aaaaaaaaaa", {0x0A, 0, 0, 0, 0xF6, 0xC9, 0x00, 0x00}, true},
        // Length 3 (code 10001100) at position 0, one back: a space, repeated.
        {"   ", {0x03, 0, 0, 0, 0x8C, 0x00, 0x00}, true},
        {"  ", {0x02, 0, 0, 0, 0x8C, 0x00, 0x00}, false},  // cut at the header's length
        // Length 5 (10001110) at 4035 (11111111 000011): window position 0.
        {"     ", {0x05, 0, 0, 0, 0x8E, 0xFF, 0x0C}, false},
        // Length 4 (10001101) at 4036: window position 4095, then it wraps to 0.
        {string("\0   ", 4), {0x04, 0, 0, 0, 0x8D, 0xFF, 0x10}, false},
        // Length 10 (10010011) at 4040: positions 4091-4095, then 0-4.
        {string(5, '\0') + "     ", {0x0A, 0, 0, 0, 0x93, 0xFF, 0x20}, false},
        // Length 60 (11000101) at 4095: reads each byte before writing it.
        {string(60, '\0'), {0x3C, 0, 0, 0, 0xC5, 0xFF, 0xFC}, false},
    };
    for (const auto& [plain, stream, encoded] : vectors) {
        Bytes in = FromText(plain);
        if (encoded) {
            EXPECT_EQ(Encode(in), stream) << plain;
        }
        EXPECT_EQ(Decode(stream, in.size()), in) << plain.size();
    }
}

// Huffman codes longer than 16 bits. The 1988 program kept a code in 16 bits; the library writes
// such a code whole, and the decoder reads it. A code of 17 bits needs a history concentrated on
// eight symbols in Fibonacci proportions while some 300 others stay unused (about 21,600
// symbols): the tree is driven to that state here symbol by symbol, through the same tree and
// bit writer the codec uses, and a stream holding such a code goes through
// s_CodingDecode.
TEST(CodecLongCode, DecodedThroughTheLibrary) {
    // Literals 'A'-'H' used 400, 400, 800, 1200, 2000, 3200, 5200 and 8400 times, then the
    // literal with the longest code, then "ok".
    Bytes expected;
    for (unsigned s = 'A', a = 1, b = 1; s <= 'H'; ++s, b += a, a = b - a)
        expected.insert(expected.end(), 400 * a, static_cast<uint8_t>(s));
    auto tree = std::make_unique<LzhTree>();
    tree->Start();
    Bytes stream(4 + expected.size() * 3, 0);
    LzhBitWriter writer(stream.data() + 4, stream.data() + stream.size());
    auto put = [&](unsigned s) {
        unsigned n = 0;
        uint32_t code = tree->Code(s, &n);
        ASSERT_TRUE(writer.Put(code, n));
        tree->Update(s);
    };
    for (uint8_t s : expected) put(s);
    unsigned deep = 0, length = 0;
    for (unsigned s = 0, n = 0; s < 256; ++s) {
        tree->Code(s, &n);
        if (n > length) std::tie(deep, length) = std::make_pair(s, n);
    }
    ASSERT_GT(length, 16u);
    for (unsigned s : {deep, unsigned{'o'}, unsigned{'k'}}) {
        put(s);
        expected.push_back(static_cast<uint8_t>(s));
    }
    ASSERT_TRUE(writer.Finish());
    stream.resize(static_cast<size_t>(writer.Position() - stream.data()));
    EXPECT_EQ(Decode(WithHeader(stream, static_cast<uint32_t>(expected.size())), expected.size()),
              expected);
}

// The encoder fills the buffer with the stream's first lOutSize bytes and fails when the whole
// stream does not fit; the header goes only into a buffer of at least 4 bytes.
TEST(CodecVectors, EncodeAtAndBelowTheExactCapacity) {
    for (Bytes in : {FromText("a"), FromText("abc"), MarketCsv(3000, 1), RandomBytes(5000, 2)}) {
        Bytes stream = Encode(in);
        const long full = static_cast<long>(stream.size());
        for (long size = 0; size <= full; ++size) {
            if (full > 2000 && size > 8 && size < full - 2) continue;  // each size of short ones
            SCOPED_TRACE(size);
            Bytes out(stream.size() + 8, 0xEE), expected = stream;
            long result = s_CodingEncode(Chars(in), static_cast<long>(in.size()), Chars(out), size);
            EXPECT_EQ(result, size == full ? full : -2);
            expected.resize(size < 4 ? 0 : static_cast<size_t>(size));  // none without a header
            expected.resize(out.size(), 0xEE);
            EXPECT_EQ(out, expected);
        }
    }
}

}  // namespace
