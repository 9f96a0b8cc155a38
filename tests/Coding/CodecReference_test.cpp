// SPDX-License-Identifier: Apache-2.0
// The library's streams against those of a straightforward implementation of the same algorithm
// (support/LzhReference.h: plain tables, a byte-at-a-time bit writer, the 60 start insertions done
// one by one, byte-wise string comparison), on inputs built to reach the algorithm's corners:
// leading spaces, runs, matches of every length, the farthest positions; and the working state's
// independence: calls on several threads at once, after calls that rebuilt the tree, give the
// streams a single thread gives.
#include "Coding/CodecSupport.h"

#include "support/LzhReference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>

namespace {

using namespace halcyon::test::codec;

Bytes ReferenceEncode(const Bytes& in) {
    return Run(lzh_reference::Encode, in, Capacity(in.size()));
}

void ExpectSameStream(const Bytes& in, const std::string& what) {
    SCOPED_TRACE(what + ", " + std::to_string(in.size()) + " bytes");
    Bytes stream = Encode(in);
    ASSERT_EQ(stream, ReferenceEncode(in));
    ASSERT_EQ(Decode(stream, in.size()), in);
}

// Leading spaces (the start window's bytes), short inputs, runs and copies of every length, and
// strings that come back 4025-4100 bytes later (the encoder's farthest matches are 4036 back).
TEST(CodecReference, CornersOfTheMatchFinder) {
    const Bytes tails[] = {{}, FromText("a"), {0x01}, {0x00}, {0x1F, 0x21}, {0xFF, 0x20, 0x41}};
    for (size_t spaces = 0; spaces <= 70; ++spaces) {
        for (const Bytes& tail : tails) {
            Bytes in = Bytes(spaces, ' ') + tail + Text(spaces * 3 % 150, 5);
            if (!in.empty()) ExpectSameStream(in, std::to_string(spaces) + " spaces first");
        }
    }
    for (size_t n = 1; n <= 130; ++n) {
        ExpectSameStream(RandomBytes(n, static_cast<uint32_t>(n), 3, 'a'), "three letters");
        ExpectSameStream(Bytes(n, 'x'), "one byte repeated");
        // Window positions 57 and 58 keep their spaces while the copies after 4095 hold zeros:
        // a byte between the two orders strings across the end differently from those before.
        ExpectSameStream(FromText("acEb") + Bytes(n, 0x05), "low byte repeated");
    }
    for (size_t length = 3; length <= 61; ++length) {
        Bytes head = RandomBytes(300, static_cast<uint32_t>(length));
        Bytes copy(head.begin() + 40, head.begin() + 40 + static_cast<long>(length));
        ExpectSameStream(head + copy + RandomBytes(50, 99), "copy");
        ExpectSameStream(RandomBytes(20, 3) + Bytes(length, 'z') + RandomBytes(20, 4), "run");
    }
    // Strings repeated at every short distance: the decoder copies a byte, 8 or 16 bytes at a
    // time, as far as the distance allows.
    for (size_t distance = 1; distance <= 40; ++distance) {
        Bytes period = RandomBytes(distance, static_cast<uint32_t>(distance) + 500), in;
        while (in.size() < 200) in = in + period;
        ExpectSameStream(in + RandomBytes(20, 6), "distance " + std::to_string(distance));
    }
    for (size_t distance = 4025; distance <= 4100; ++distance) {
        Bytes block = RandomBytes(distance, static_cast<uint32_t>(distance));
        Bytes in = block + Bytes(block.begin(), block.begin() + 80) + RandomBytes(30, 7);
        ExpectSameStream(in, "distance " + std::to_string(distance));
    }
}

// Each call starts afresh, but the working state keeps what a start need not reset (guesses that
// are checked before use), one state for each thread. Threads at once code short records after
// calls that drove the tree through rebuilds (the literals pass the first, in the update of the
// 32,455th symbol, which encoder and decoder must do as the rules say, or the codes that follow
// differ), long runs of one frequency or thousands of distinct symbols; each thread takes the
// inputs in its own order, so that each long input is followed by every short one somewhere, and
// all streams must be the reference's and decode back.
TEST(CodecReference, EarlierCallsAndOtherThreadsChangeNothing) {
    const Bytes inputs[] = {MarketCsv(400000, 9),    MarketCsv(64, 21),
                            RandomBytes(40000, 12),  MarketCsv(512, 22),
                            Bytes(70000, 'q'),       Text(3000, 23),
                            RandomBytes(100000, 13), RandomBytes(700, 24, 40, ' ')};
    std::vector<Bytes> expected;
    for (const Bytes& in : inputs) expected.push_back(ReferenceEncode(in));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (size_t stride : {1, 3, 5, 7}) {
        threads.emplace_back([&, stride] {
            for (size_t k = 0; k < std::size(inputs); ++k) {
                size_t i = k * stride % std::size(inputs);
                if (Encode(inputs[i]) != expected[i] ||
                    Decode(expected[i], inputs[i].size()) != inputs[i])
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
