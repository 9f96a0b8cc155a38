// Huffman codes longer than 16 bits. The 1988 program kept a code in 16 bits; the library writes
// such a code whole, and the decoder reads it. A code of 17 bits needs a history concentrated on
// eight symbols in Fibonacci proportions while some 300 others stay unused (about 21,600
// symbols): the tree is driven to that state here symbol by symbol, through the same tree and
// bit writer the codec uses, and a stream holding such a code goes through
// s_CodingDecode.
#include "Coding/CodecSupport.h"

#include "HalcyonCommon/Coding/LzhBitWriter.h"
#include "HalcyonCommon/Coding/LzhTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace halcyon::test::codec;
using halcyon::lzh::LzhBitWriter;
using halcyon::lzh::LzhTree;

// Literals 'A'-'H' used 400, 400, 800, 1200, 2000, 3200, 5200 and 8400 times.
std::vector<unsigned> SkewedHistory() {
    std::vector<unsigned> symbols;
    unsigned a = 1, b = 1;
    for (unsigned s = 'A'; s <= 'H'; ++s) {
        symbols.insert(symbols.end(), 400 * a, s);
        unsigned c = a + b;
        a = b;
        b = c;
    }
    return symbols;
}

// The symbol with the longest code in `tree`, and that length.
unsigned Deepest(const LzhTree& tree, unsigned* length) {
    unsigned best = 0, bestLength = 0;
    for (unsigned s = 0; s < 314; ++s) {
        unsigned n;
        tree.Code(s, &n);
        if (n > bestLength) {
            best = s;
            bestLength = n;
        }
    }
    *length = bestLength;
    return best;
}

TEST(CodecLongCode, DecodedThroughTheLibrary) {
    // The stream of the skewed history, then the deepest symbol (a literal), then "ok".
    auto tree = std::make_unique<LzhTree>();
    tree->Start();
    std::vector<unsigned> symbols = SkewedHistory();
    Bytes expected(symbols.begin(), symbols.end());
    Bytes stream(4 + symbols.size() * 3, 0);
    LzhBitWriter writer(stream.data() + 4, stream.data() + stream.size());
    unsigned longest = 0;
    auto put = [&](unsigned s) {
        unsigned n = 0;
        uint32_t code = tree->Code(s, &n);
        ASSERT_TRUE(writer.Put(code, n));
        longest = std::max(longest, n);
        tree->Update(s);
    };
    for (unsigned s : symbols) put(s);
    unsigned length = 0;
    unsigned deep = Deepest(*tree, &length);
    ASSERT_LT(deep, 256u) << "the deepest symbol is a literal";
    for (unsigned s : {deep, unsigned{'o'}, unsigned{'k'}}) {
        put(s);
        expected.push_back(static_cast<uint8_t>(s));
    }
    ASSERT_TRUE(writer.Finish());
    ASSERT_GT(longest, 16u);
    stream.resize(static_cast<size_t>(writer.Position() - stream.data()));
    auto size = static_cast<uint32_t>(expected.size());
    for (int k = 0; k < 4; ++k)
        stream[static_cast<size_t>(k)] = static_cast<uint8_t>(size >> (8 * k));

    long result = 0;
    EXPECT_EQ(Decode(stream, expected.size(), &result), expected);
    EXPECT_EQ(result, static_cast<long>(expected.size()));
}

}  // namespace
