// Arguments the codec refuses: null pointers, negative and zero lengths, lengths the header cannot
// hold, a stream shorter than its header, too little room. Each call returns its documented
// failure value and writes nothing.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace halcyon::test::codec;

TEST(CodecArguments, RefusedCallsReturnTheirFailureAndWriteNothing) {
    Bytes in = FromText("market data"), stream = Encode(in), out(64, 0xEE);
    char* i = Chars(in);
    char* s = Chars(stream);
    char* o = Chars(out);
    const long n = static_cast<long>(stream.size());
    // More than the header's 32 bits, where a long holds it.
    const long tooLong = sizeof(long) > 4 ? static_cast<long>(0x100000000LL) : LONG_MIN;
    using Call = long (*)(char*, long, char*, long);
    const Call encode = s_CodingEncode, decode = s_CodingDecode;
    struct Case {
        Call call;
        char* in;
        long inLen;
        char* out;
        long outSize;
        long result;
    } cases[] = {
        {encode, nullptr, 11, o, 64, -1}, {encode, i, 11, nullptr, 64, -1},
        {encode, i, 0, o, 64, -1},        {encode, i, LONG_MIN, o, 64, -1},
        {encode, i, tooLong, o, 64, -1},  {encode, i, 11, o, -1, -1},
        {encode, i, 11, o, 3, -2},        {decode, nullptr, n, o, 64, -1},
        {decode, s, n, nullptr, 64, -1},  {decode, s, -1, o, 64, -1},
        {decode, s, n, o, -1, -1},        {decode, s, 3, o, 64, -1},
        {decode, s, n, o, 10, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        EXPECT_EQ(c.call(c.in, c.inLen, c.out, c.outSize), c.result);
        EXPECT_EQ(out, Bytes(64, 0xEE));
    }
    EXPECT_EQ(s_CodingDecode(s, n, o, 64), 11);
}

}  // namespace
