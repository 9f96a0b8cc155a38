// Arguments the codec refuses: null pointers, negative and zero lengths, a stream shorter than
// its header. Each call returns its documented failure value and writes nothing.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace halcyon::test::codec;

TEST(CodecArguments, EncodeRefusesWhatItCannotCode) {
    Bytes in = FromText("market data");
    Bytes out(64, 0xEE);
    char* i = Chars(in);
    char* o = Chars(out);
    struct Case {
        char* in;
        long inLen;
        char* out;
        long outSize;
        long result;
    } cases[] = {
        {nullptr, 11, o, 64, -1}, {i, 11, nullptr, 64, -1}, {i, 0, o, 64, -1},
        {i, LONG_MIN, o, 64, -1}, {i, 11, o, -1, -1},       {i, 11, o, 3, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inLen);
        EXPECT_EQ(s_CodingEncode(c.in, c.inLen, c.out, c.outSize), c.result);
        EXPECT_EQ(out, Bytes(64, 0xEE));
    }
}

TEST(CodecArguments, EncodeRefusesLengthsTheHeaderCannotHold) {
    if (sizeof(long) <= 4) GTEST_SKIP() << "long cannot exceed the header's 32 bits here";
    Bytes in(8, 'x'), out(64, 0xEE);
    long tooLong = static_cast<long>(0x100000000LL);
    EXPECT_EQ(s_CodingEncode(Chars(in), tooLong, Chars(out), 64), -1);
    EXPECT_EQ(out, Bytes(64, 0xEE));
}

TEST(CodecArguments, DecodeRefusesWhatItCannotRead) {
    Bytes stream = Encode(FromText("market data"));
    Bytes out(64, 0xEE);
    char* s = Chars(stream);
    char* o = Chars(out);
    const long n = static_cast<long>(stream.size());
    struct Case {
        char* in;
        long inLen;
        char* out;
        long outSize;
        long result;
    } cases[] = {
        {nullptr, n, o, 64, -1}, {s, n, nullptr, 64, -1}, {s, -1, o, 64, -1},
        {s, n, o, -1, -1},       {s, 3, o, 64, -1},       {s, n, o, 10, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inLen);
        EXPECT_EQ(s_CodingDecode(c.in, c.inLen, c.out, c.outSize), c.result);
        EXPECT_EQ(out, Bytes(64, 0xEE));
    }
    EXPECT_EQ(s_CodingDecode(s, n, o, 64), 11);
}

}  // namespace
