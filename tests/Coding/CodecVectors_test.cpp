// Streams known to the bit: the documented vectors, streams derived by hand from the coding
// rules (the first symbol is coded with the start tree, whose codes follow from its layout), and
// the encoder's behaviour at the exact capacity.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test::codec;

// Bits, most significant first, packed into bytes and padded with zeros.
class BitString {
  public:
    void Put(unsigned value, unsigned count) {
        for (unsigned k = count; k-- > 0;) bits_.push_back((value >> k) & 1);
    }
    Bytes Pack(uint32_t header) const {
        Bytes out = {static_cast<uint8_t>(header), static_cast<uint8_t>(header >> 8),
                     static_cast<uint8_t>(header >> 16), static_cast<uint8_t>(header >> 24)};
        for (size_t i = 0; i < bits_.size(); i += 8) {
            unsigned byte = 0;
            for (size_t k = 0; k < 8; ++k)
                byte = byte << 1 | (i + k < bits_.size() ? bits_[i + k] : 0);
            out.push_back(static_cast<uint8_t>(byte));
        }
        return out;
    }

  private:
    std::vector<int> bits_;
};

// The code of `symbol` in the tree every call starts with: leaf s is node s, and node 314 + i
// joins nodes 2i and 2i + 1, up to the root 626; an odd node is a 1 bit.
void PutStartCode(BitString& bits, unsigned symbol) {
    std::vector<int> path;
    for (unsigned n = symbol; n != 626; n = 314 + n / 2) path.push_back(n & 1);
    for (size_t k = path.size(); k-- > 0;) bits.Put(static_cast<unsigned>(path[k]), 1);
}

// A position: the canonical prefix code of its upper six bits (lengths 3, 4 x3, 5 x8, 6 x12,
// 7 x24, 8 x16), then its lower six bits.
void PutPosition(BitString& bits, unsigned position) {
    const unsigned counts[] = {1, 3, 8, 12, 24, 16};
    unsigned upper = position >> 6, value = 0, code = 0, length = 3;
    for (unsigned count : counts) {
        if (upper < value + count) break;
        value += count;
        code = (code + count) << 1;
        ++length;
    }
    bits.Put(code + (upper - value), length);
    bits.Put(position & 63, 6);
}

struct Vector {
    std::string input;
    Bytes stream;
};

TEST(CodecVectors, EncodeKnownInputsToKnownStreams) {
    const Vector vectors[] = {
        {"a", {0x01, 0, 0, 0, 0xF6, 0x80}},
        {"abc", {0x03, 0, 0, 0, 0xF6, 0xFB, 0xBD, 0xE0}},
        {"aaaaaaaaaa", {0x0A, 0, 0, 0, 0xF6, 0xC9, 0x00, 0x00}},
        // A match of 3 at position 0 into the spaces before the text: symbol 256 has the start
        // code 10001100, position 0 is nine 0 bits.
        {"   ", {0x03, 0, 0, 0, 0x8C, 0x00, 0x00}},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.input);
        Bytes in = FromText(v.input);
        EXPECT_EQ(Encode(in), v.stream);
        long result = 0;
        EXPECT_EQ(Decode(v.stream, in.size(), &result), in);
        EXPECT_EQ(result, static_cast<long>(in.size()));
    }
}

// One match as the first symbol: the copy reads what the window held before any output, 4036
// spaces and then 60 zeros, with copies that overlap their own output repeating it.
TEST(CodecVectors, DecodeFirstMatchFromTheStartWindow) {
    struct Case {
        unsigned header, length, position;
        std::string expected;
    } cases[] = {
        {3, 3, 0, "   "},                                // one back: a space, repeated
        {5, 5, 4035, "     "},                           // window position 0
        {4, 4, 4036, std::string("\0   ", 4)},           // 4095, then wraps to 0
        {10, 10, 4040, std::string(5, '\0') + "     "},  // 4091-4095, then 0-4
        {60, 60, 4095, std::string(60, '\0')},           // reads each byte before writing it
        {2, 3, 0, "  "},                                 // cut at the header's length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        BitString bits;
        PutStartCode(bits, 253 + c.length);
        PutPosition(bits, c.position);
        long result = 0;
        Bytes out = Decode(bits.Pack(c.header), c.header, &result);
        EXPECT_EQ(result, static_cast<long>(c.header));
        EXPECT_EQ(std::string(out.begin(), out.end()), c.expected);
    }
}

// The encoder fills the buffer with the stream's first lOutSize bytes and fails when the whole
// stream does not fit; the header goes only into a buffer of at least 4 bytes.
TEST(CodecVectors, EncodeAtAndBelowTheExactCapacity) {
    const Bytes inputs[] = {FromText("a"), FromText("abc"), MarketCsv(3000, 1),
                            RandomBytes(5000, 2)};
    for (const Bytes& input : inputs) {
        Bytes in = input;
        Bytes stream = Encode(in);
        ASSERT_FALSE(stream.empty());
        const long full = static_cast<long>(stream.size());
        for (long size = 0; size <= full; ++size) {
            if (full > 2000 && size > 8 && size < full - 2) continue;  // each size of short ones
            SCOPED_TRACE(size);
            Bytes out(stream.size() + 8, 0xEE);
            long result = s_CodingEncode(Chars(in), static_cast<long>(in.size()), Chars(out), size);
            EXPECT_EQ(result, size == full ? full : -2);
            size_t written = size < 4 ? 0 : static_cast<size_t>(size);
            EXPECT_TRUE(std::equal(stream.begin(), stream.begin() + static_cast<long>(written),
                                   out.begin()));
            for (size_t k = written; k < out.size(); ++k) ASSERT_EQ(out[k], 0xEE) << k;
        }
    }
}

}  // namespace
