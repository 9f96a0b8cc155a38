#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <random>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Pattern(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(seed * 131 + i * 7);
    return b;
}

TEST(ByteQueue, CapacityIsOneByteLessThanTheRingAndRefusedCallsChangeNothing) {
    TQByteQueue q(1);
    Bytes data = Pattern(1024, 1);
    EXPECT_EQ(q.QueSize(), 1024u);
    EXPECT_EQ(q.BufSize(), 1023u);
    EXPECT_FALSE(q.PushData(data.data(), 1024));
    EXPECT_TRUE(q.PushData(data.data(), 1023));
    EXPECT_FALSE(q.PushData(data.data(), 1));
    EXPECT_EQ(q.BufSize(), 0u);
    Bytes out(1100);
    EXPECT_FALSE(q.PopData(out.data(), 1024));
    EXPECT_FALSE(q.PushData(nullptr, 5));
    EXPECT_FALSE(q.PushData(data.data(), 0));
    EXPECT_FALSE(q.PopData(nullptr, 5));
    EXPECT_FALSE(q.PopData(out.data(), 0));
    EXPECT_FALSE(q.PeekData(out.data(), 1024));
    EXPECT_EQ(q.DataLen(), 1023u);
    Bytes first(1023), second(1023);
    EXPECT_TRUE(q.PeekData(first.data(), 1023));
    EXPECT_TRUE(q.PeekData(second.data(), 1023));
    EXPECT_EQ(first, Bytes(data.begin(), data.end() - 1));
    EXPECT_EQ(second, first);
    EXPECT_EQ(q.DataLen(), 1023u);
    unsigned char one;
    EXPECT_TRUE(q.PopData(&one, 1));
    EXPECT_EQ(one, data[0]);
    EXPECT_TRUE(q.PushData(data.data(), 1));
    EXPECT_FALSE(q.PushData(data.data(), 1));
    EXPECT_EQ(q.GetError(), 0);
    q.Reset();
    EXPECT_EQ(q.DataLen(), 0u);
}

TEST(ByteQueue, SizesAndQueuesWithoutStorage) {
    TQByteQueue standard;
    EXPECT_EQ(standard.QueSize(), 128u * 1024u);
    EXPECT_EQ(standard.BufSize(), 128u * 1024u - 1);
    TQByteQueue none(0);
    unsigned char b = 1;
    EXPECT_EQ(none.QueSize(), 0u);
    EXPECT_EQ(none.BufSize(), 0u);
    EXPECT_FALSE(none.PushData(&b, 1));
    EXPECT_FALSE(none.PopData(&b, 1));
    EXPECT_FALSE(none.CreateQueue(0));
    EXPECT_TRUE(none.CreateQueue(2));
    EXPECT_TRUE(none.PushData(&b, 1));
    EXPECT_TRUE(none.CreateQueue(1));  // a new ring, empty
    EXPECT_EQ(none.DataLen(), 0u);
    EXPECT_EQ(none.QueSize(), 1024u);
}

// Random pushes and pops against a plain deque: every offset of the ring is crossed.
TEST(ByteQueue, AgreesWithAModelAcrossTheRingEnd) {
    TQByteQueue q(1);
    std::deque<unsigned char> model;
    std::mt19937 rng(7);
    Bytes buf(1100);
    for (int step = 0; step < 20000; ++step) {
        auto n = static_cast<unsigned short>(1 + rng() % 700);
        if (rng() % 2) {
            Bytes data = Pattern(n, static_cast<unsigned>(step));
            bool fits = model.size() + n <= 1023;
            ASSERT_EQ(q.PushData(data.data(), n), fits);
            if (fits) model.insert(model.end(), data.begin(), data.end());
        } else {
            bool enough = n <= model.size();
            ASSERT_EQ(q.PopData(buf.data(), n), enough);
            if (!enough) continue;
            ASSERT_TRUE(std::equal(buf.begin(), buf.begin() + n, model.begin()));
            model.erase(model.begin(), model.begin() + n);
        }
        ASSERT_EQ(q.DataLen(), model.size());
        ASSERT_EQ(q.BufSize(), 1023 - model.size());
    }
}

TEST(ByteQueueThreads, ProducersAndConsumersMoveEveryChunkOnce) {
    constexpr int kProducers = 3, kConsumers = 3, kPerProducer = 20000;
    TQByteQueue q(4);
    std::vector<std::atomic<int>> seen(kProducers * kPerProducer);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p) {
        threads.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                int id = p * kPerProducer + i;
                unsigned char chunk[8];
                for (int k = 0; k < 4; ++k)
                    chunk[k] = chunk[k + 4] = static_cast<unsigned char>(id >> (8 * k));
                while (!q.PushData(chunk, sizeof chunk)) std::this_thread::yield();
            }
        });
    }
    for (int c = 0; c < kConsumers; ++c) {
        threads.emplace_back([&] {
            unsigned char chunk[8];
            while (taken.load() < kProducers * kPerProducer) {
                if (!q.PopData(chunk, sizeof chunk)) {
                    std::this_thread::yield();
                    continue;
                }
                int id = chunk[0] | chunk[1] << 8 | chunk[2] << 16 | chunk[3] << 24;
                ASSERT_EQ(std::memcmp(chunk, chunk + 4, 4), 0);  // never torn
                ASSERT_GE(id, 0);
                ASSERT_LT(id, kProducers * kPerProducer);
                seen[id]++;
                taken++;
            }
        });
    }
    for (auto& t : threads) t.join();
    for (auto& s : seen) ASSERT_EQ(s.load(), 1);
    EXPECT_EQ(q.DataLen(), 0u);
}

}  // namespace
