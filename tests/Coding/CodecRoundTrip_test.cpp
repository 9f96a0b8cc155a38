// decode(encode(x)) == x over a corpus of kinds and sizes, and the working state's independence:
// calls on several threads at once give the streams a single thread gives.
#include "Coding/CodecSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using namespace halcyon::test::codec;

// Little-endian records of a fixed layout, as binary files of the terminal hold them.
Bytes BinaryRecords(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b;
    uint32_t time = 90000000, price = 59800;
    while (b.size() < n) {
        time += rng() % 300;
        price += rng() % 11 - 5;
        uint32_t fields[4] = {time, price, static_cast<uint32_t>(rng() % 1000), 42};
        for (uint32_t f : fields)
            for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(f >> (8 * k)));
    }
    b.resize(n);
    return b;
}

struct Kind {
    const char* name;
    Bytes (*make)(size_t n, uint32_t seed);
};

const Kind kKinds[] = {
    {"text", Text},
    {"market data", MarketCsv},
    {"binary records", BinaryRecords},
    {"random", [](size_t n, uint32_t seed) { return RandomBytes(n, seed); }},
    {"constant", [](size_t n, uint32_t) { return Bytes(n, 0x5A); }},
    {"spaces", [](size_t n, uint32_t) { return Bytes(n, ' '); }},
};

TEST(CodecRoundTrip, EveryKindAndSize) {
    const size_t sizes[] = {1, 2, 3, 59, 60, 61, 64, 512, 3000, 4095, 4096, 4097, 65536, 300000};
    for (const Kind& kind : kKinds) {
        for (size_t n : sizes) {
            SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(n) + " bytes");
            Bytes in = kind.make(n, static_cast<uint32_t>(n));
            Bytes stream = Encode(in);
            ASSERT_GE(stream.size(), 5u);
            long result = 0;
            ASSERT_EQ(Decode(stream, n, &result), in);
            EXPECT_EQ(result, static_cast<long>(n));
        }
    }
}

TEST(CodecRoundTrip, SeveralMegabytes) {
    for (const Kind& kind : {kKinds[1], kKinds[4]}) {
        SCOPED_TRACE(kind.name);
        Bytes in = kind.make(3 << 20, 9);
        long result = 0;
        ASSERT_EQ(Decode(Encode(in), in.size(), &result), in);
    }
}

TEST(CodecRoundTrip, ThreadsCodeAtOnceWithoutInterfering) {
    const int kThreads = 4;
    std::vector<Bytes> inputs, expected;
    for (int t = 0; t < kThreads; ++t) {
        inputs.push_back(kKinds[t].make(20000 + 1000 * static_cast<size_t>(t), 5));
        expected.push_back(Encode(inputs.back()));
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                Bytes stream = Encode(inputs[t]);
                long result = 0;
                if (stream != expected[t] || Decode(stream, inputs[t].size(), &result) != inputs[t])
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
