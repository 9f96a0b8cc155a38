// SPDX-License-Identifier: Apache-2.0
// Calls and streams the codec refuses or repairs. Refused arguments (null pointers, negative and
// zero lengths, lengths the header cannot hold, a stream shorter than its header, too little room)
// return their documented failure value and write nothing. Damaged streams (truncated, with lying
// headers, with bytes after their end) give the documented results, never touch a byte outside
// their buffers (guard bytes around the output), and halcyon::CodingDecodeChecked tells the damage.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace {

using namespace halcyon::test::codec;
using halcyon::CodingStream;

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
    // The call, its input and length, its output and size, and its result.
    const std::tuple<Call, char*, long, char*, long, long> cases[] = {
        {encode, nullptr, 11, o, 64, -1}, {encode, i, 11, nullptr, 64, -1},
        {encode, i, 0, o, 64, -1},        {encode, i, tooLong, o, 64, -1},
        {encode, i, 11, o, -1, -1},       {encode, i, 11, o, 3, -2},
        {decode, nullptr, n, o, 64, -1},  {decode, s, n, nullptr, 64, -1},
        {decode, s, n, o, -1, -1},        {decode, s, 3, o, 64, -1},
        {decode, s, n, o, 10, -2},
    };
    for (auto [call, input, length, output, size, result] : cases) {
        EXPECT_EQ(call(input, length, output, size), result) << length << " " << size;
        EXPECT_EQ(out, Bytes(64, 0xEE));
    }
    EXPECT_EQ(s_CodingDecode(s, n, o, 64), 11);
}

constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;

struct Outcome {
    long result;
    CodingStream state;
    Bytes output;  // the bytes produced (result of them, when the result is not negative)
};

// Decodes `stream` (copied to a buffer of exactly its length, so that a read past the end is an
// error under AddressSanitizer) into `room` bytes between guards; fails the test when a guard
// byte changed or the call wrote past its result.
Outcome DecodeGuarded(Bytes stream, size_t room) {
    Bytes buffer(room + 2 * kGuard, kGuardByte);
    Outcome o{0, CodingStream::kWellFormed, {}};
    o.result = halcyon::CodingDecodeChecked(Chars(stream), static_cast<long>(stream.size()),
                                            reinterpret_cast<char*>(buffer.data() + kGuard),
                                            static_cast<long>(room), &o.state);
    EXPECT_LE(o.result, static_cast<long>(room));
    auto first = buffer.begin() + kGuard;
    auto last = first + std::min(std::max(o.result, 0L), static_cast<long>(room));
    o.output.assign(first, last);
    buffer.erase(first, last);
    EXPECT_EQ(buffer, Bytes(buffer.size(), kGuardByte)) << "written outside the result";
    return o;
}

// Every cut of a stream: no whole header is refused; else the missing bits read as zeros and the
// header's length is produced all the same; the whole stream is well formed.
TEST(CodecCorruption, TruncatedStreams) {
    Bytes in = MarketCsv(3000, 5);
    Bytes stream = Encode(in);
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        Outcome o = DecodeGuarded(Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)),
                                  in.size());
        EXPECT_EQ(o.result, cut < 4 ? -1 : static_cast<long>(in.size()));
        if (cut >= 4) {
            EXPECT_EQ(o.state,
                      cut < stream.size() ? CodingStream::kTruncated : CodingStream::kWellFormed);
        }
    }
}

TEST(CodecCorruption, LyingHeaders) {
    Bytes in = FromText("aaaaaaaaaa");  // a literal, then one match of 9
    Bytes stream = Encode(in);
    // The header, the room, the result and (when it is not negative) the state.
    const std::tuple<uint32_t, size_t, long, CodingStream> cases[] = {
        {0, 100, -1, CodingStream::kWellFormed},  // nothing to produce
        {5, 100, 5, CodingStream::kOverrun},      // the match is cut at 5
        {9, 9, 9, CodingStream::kOverrun},
        {11, 100, 11, CodingStream::kTruncated},    // one more symbol, from zero bits
        {101, 100, -2, CodingStream::kWellFormed},  // more than the room
        {0xFFFFFFFFu, 100, -2, CodingStream::kWellFormed},
    };
    for (auto [header, room, result, state] : cases) {
        SCOPED_TRACE(header);
        Outcome o = DecodeGuarded(WithHeader(stream, header), room);
        ASSERT_EQ(o.result, result);
        if (result < 0) continue;
        EXPECT_EQ(o.state, state);
        EXPECT_EQ(Bytes(o.output.begin(), o.output.begin() + 5), Bytes(5, 'a'));
    }
}

// Streams of every padding, none included: whole, and with one byte more; a padding bit set.
TEST(CodecCorruption, TrailingBytesAndPadding) {
    for (size_t n = 1; n <= 40; ++n) {
        Bytes stream = Encode(Text(n, 8));
        EXPECT_EQ(DecodeGuarded(stream, n).state, CodingStream::kWellFormed) << n;
        stream.push_back(0);
        EXPECT_EQ(DecodeGuarded(stream, n).state, CodingStream::kTrailingData) << n;
    }
    Bytes in = FromText("abc");
    Bytes padded = Encode(in);  // ... F6 FB BD E0: the last byte ends in five padding bits
    padded.back() |= 0x01;
    Outcome o = DecodeGuarded(padded, 3);
    EXPECT_EQ(o.output, in);
    EXPECT_EQ(o.state, CodingStream::kTrailingData);
}

}  // namespace
