// The decoder given damaged streams: truncated, with lying headers, with bytes after their end. It
// must return the documented results, never touch a byte outside its buffers (guard bytes around
// the output), and halcyon::CodingDecodeChecked must tell the damage.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test::codec;
using halcyon::CodingStream;

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
Outcome DecodeGuarded(const Bytes& stream, size_t room) {
    std::vector<char> in(stream.begin(), stream.end());
    Bytes buffer(room + 2 * kGuard, kGuardByte);
    Outcome o{0, CodingStream::kWellFormed, {}};
    o.result = halcyon::CodingDecodeChecked(in.data(), static_cast<long>(in.size()),
                                            reinterpret_cast<char*>(buffer.data() + kGuard),
                                            static_cast<long>(room), &o.state);
    size_t produced = o.result > 0 ? static_cast<size_t>(o.result) : 0;
    EXPECT_LE(produced, room);
    for (size_t k = 0; k < buffer.size(); ++k) {
        if (k >= kGuard && k < kGuard + produced) continue;
        if (buffer[k] != kGuardByte) {
            ADD_FAILURE() << "byte " << static_cast<long>(k) - static_cast<long>(kGuard)
                          << " written outside the result";
            break;
        }
    }
    o.output.assign(buffer.begin() + kGuard, buffer.begin() + static_cast<long>(kGuard + produced));
    return o;
}

Bytes WithHeader(Bytes stream, uint32_t length) {
    for (int k = 0; k < 4; ++k)
        stream[static_cast<size_t>(k)] = static_cast<uint8_t>(length >> (8 * k));
    return stream;
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
    EXPECT_EQ(DecodeGuarded(stream, in.size()).output, in);
}

TEST(CodecCorruption, LyingHeaders) {
    Bytes in = FromText("aaaaaaaaaa");  // a literal, then one match of 9
    Bytes stream = Encode(in);
    struct Case {
        uint32_t header;
        size_t room;
        long result;
        CodingStream state;
        size_t produced;
    } cases[] = {
        {0, 100, -1, CodingStream::kWellFormed, 0},  // nothing to produce
        {5, 100, 5, CodingStream::kOverrun, 5},      // the match is cut at 5
        {9, 9, 9, CodingStream::kOverrun, 9},
        {11, 100, 11, CodingStream::kTruncated, 11},  // one more symbol, from zero bits
        {4000, 4000, 4000, CodingStream::kTruncated, 4000},
        {101, 100, -2, CodingStream::kWellFormed, 0},  // more than the room
        {0x80000000u, 100, -2, CodingStream::kWellFormed, 0},
        {0xFFFFFFFFu, 100, -2, CodingStream::kWellFormed, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        Outcome o = DecodeGuarded(WithHeader(stream, c.header), c.room);
        EXPECT_EQ(o.result, c.result);
        if (c.result >= 0) {
            EXPECT_EQ(o.state, c.state);
            EXPECT_EQ(o.output.size(), c.produced);
            EXPECT_EQ(Bytes(o.output.begin(), o.output.begin() + std::min<long>(5, c.result)),
                      Bytes(in.begin(), in.begin() + std::min<long>(5, c.result)));
        }
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
