// The library's streams against those of a straightforward implementation of the same algorithm
// (support/LzhReference.h: plain tables, a byte-at-a-time bit writer, the 60 start insertions done
// one by one, byte-wise string comparison), on inputs built to reach the algorithm's corners:
// leading spaces, runs, matches of every length, the farthest positions, the tree rebuild; and
// the working state's independence: calls on several threads at once give the streams a single
// thread gives.
#include "Coding/CodecSupport.h"

#include "support/LzhReference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <set>
#include <string>
#include <thread>

namespace {

using namespace halcyon::test::codec;

Bytes ReferenceEncode(const Bytes& in) {
    Bytes out(static_cast<size_t>(Capacity(in.size())));
    long n = lzh_reference::Encode(reinterpret_cast<const char*>(in.data()),
                                   static_cast<long>(in.size()), Chars(out),
                                   static_cast<long>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

void ExpectSameStream(const Bytes& in, const std::string& what) {
    SCOPED_TRACE(what + ", " + std::to_string(in.size()) + " bytes");
    Bytes stream = Encode(in);
    ASSERT_EQ(stream, ReferenceEncode(in));
    ASSERT_EQ(Decode(stream, in.size()), in);
}

// Bytes in which no three-byte string occurs twice and that hold neither a space nor a zero (the
// bytes of the start window): every byte is coded as a literal, one symbol per byte.
Bytes LiteralsOnly(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::set<uint32_t> seen;
    Bytes b = {1, 1};
    while (b.size() < n) {
        auto c = static_cast<uint8_t>(1 + rng() % 255);
        uint32_t key = uint32_t{b[b.size() - 2]} << 16 | uint32_t{b.back()} << 8 | c;
        if (c != ' ' && seen.insert(key).second) b.push_back(c);
    }
    return b;
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
    for (size_t distance = 4025; distance <= 4100; ++distance) {
        Bytes block = RandomBytes(distance, static_cast<uint32_t>(distance));
        Bytes in = block + Bytes(block.begin(), block.begin() + 80) + RandomBytes(30, 7);
        ExpectSameStream(in, "distance " + std::to_string(distance));
    }
}

// The tree is rebuilt in the update of the 32,455th symbol; encoder and decoder must do it at
// the same symbol, and as the rules say, or the codes that follow differ.
TEST(CodecReference, AroundTheFirstTreeRebuild) {
    Bytes literals = LiteralsOnly(32460, 11);
    for (size_t n : {32453, 32454, 32455, 32456, 32457, 32460}) {
        ExpectSameStream(Bytes(literals.begin(), literals.begin() + static_cast<long>(n)),
                         "literals only");
    }
}

// Every kind of input at the sizes around the start strings' and the window's lengths.
TEST(CodecReference, EveryKindAndSize) {
    for (size_t n : {1, 2, 3, 59, 60, 61, 64, 512, 4095, 4096, 4097, 65536, 300000}) {
        auto seed = static_cast<uint32_t>(n);
        for (const Bytes& in :
             {Text(n, seed), MarketCsv(n, seed), RandomBytes(n, seed), Bytes(n, 0x5A),
              Bytes(n, ' '), RandomBytes(n, seed, 2 + seed % 20, 'A')})
            ExpectSameStream(in, "kinds");
    }
}

// Each call starts afresh, but the working state keeps what a start need not reset (guesses that
// are checked before use), one state for each thread. Threads at once code short records after
// calls that drove the tree through rebuilds, long runs of one frequency or thousands of distinct
// symbols; each thread takes the inputs in its own order, so that each long input is followed by
// every short one somewhere, and all streams must be the reference's and decode back.
TEST(CodecReference, EarlierCallsAndOtherThreadsChangeNothing) {
    const Bytes inputs[] = {MarketCsv(400000, 9),    MarketCsv(64, 21),
                            LiteralsOnly(40000, 12), MarketCsv(512, 22),
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
