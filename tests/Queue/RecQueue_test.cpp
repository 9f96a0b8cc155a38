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

Bytes Record(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(seed * 17 + i * 3);
    return b;
}

TEST(RecQueue, RecordsAndTheirLengthFieldsFillTheRing) {
    Bytes big = Record(1020, 1);
    TQRecQueue q(1);
    EXPECT_FALSE(q.PushData(big.data(), 1020));
    EXPECT_TRUE(q.PushData(big.data(), 1019));
    EXPECT_EQ(q.DataLen(), 1023u);
    EXPECT_FALSE(q.PushData(big.data(), 1));
}

TEST(RecQueue, EmptyQueuesAndBadArguments) {
    TQRecQueue q(1);
    Bytes out(16);
    unsigned long len = 55;
    EXPECT_FALSE(q.PopData(out.data(), len));
    EXPECT_EQ(len, 0u);
    len = 55;
    EXPECT_FALSE(q.PopData(nullptr, len));
    EXPECT_EQ(len, 55u);  // not looked at the queue: length untouched
    EXPECT_FALSE(q.PushData(out.data(), 0));
    EXPECT_FALSE(q.PushData(nullptr, 3));
    EXPECT_FALSE(q.PushData(out.data(), 0xFFFFFFFFUL));  // far larger than any ring
    EXPECT_TRUE(q.PushData(Record(5, 5).data(), 5));
    Bytes a(16), b(16);
    unsigned long la = 0, lb = 0;
    EXPECT_TRUE(q.PeekData(a.data(), la));
    EXPECT_TRUE(q.PeekData(b.data(), lb));
    EXPECT_EQ(la, 5u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(q.DataLen(), 9u);
}

// Random records against a model: length fields straddle the ring's end at every offset.
TEST(RecQueue, AgreesWithAModelAcrossTheRingEnd) {
    TQRecQueue q(1);
    std::deque<Bytes> model;
    size_t used = 0;
    std::mt19937 rng(11);
    Bytes out(1100);
    for (int step = 0; step < 20000; ++step) {
        if (rng() % 2) {
            size_t n = 1 + rng() % 300;
            Bytes rec = Record(n, static_cast<unsigned>(step));
            bool fits = used + n + 4 <= 1023;
            ASSERT_EQ(q.PushData(rec.data(), n), fits);
            if (fits) {
                model.push_back(rec);
                used += n + 4;
            }
        } else {
            unsigned long len = 0;
            ASSERT_EQ(q.PopData(out.data(), len), !model.empty());
            if (model.empty()) continue;
            ASSERT_EQ(len, model.front().size());
            ASSERT_TRUE(std::equal(model.front().begin(), model.front().end(), out.begin()));
            used -= len + 4;
            model.pop_front();
        }
        ASSERT_EQ(q.DataLen(), used);
    }
}

TEST(RecQueueThreads, EveryRecordArrivesOnceAndWhole) {
    constexpr int kProducers = 3, kConsumers = 3, kPerProducer = 10000;
    TQRecQueue q(8);
    std::vector<std::atomic<int>> seen(kProducers * kPerProducer);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p) {
        threads.emplace_back([&, p] {
            std::mt19937 rng(p);
            for (int i = 0; i < kPerProducer; ++i) {
                int id = p * kPerProducer + i;
                Bytes rec = Record(4 + rng() % 400, static_cast<unsigned>(id));
                std::memcpy(rec.data(), &id, 4);
                while (!q.PushData(rec.data(), rec.size())) std::this_thread::yield();
            }
        });
    }
    for (int c = 0; c < kConsumers; ++c) {
        threads.emplace_back([&] {
            Bytes out(512);
            while (taken.load() < kProducers * kPerProducer) {
                unsigned long len = 0;
                if (!q.PopData(out.data(), len)) {
                    std::this_thread::yield();
                    continue;
                }
                int id;
                std::memcpy(&id, out.data(), 4);
                ASSERT_GE(id, 0);
                ASSERT_LT(id, kProducers * kPerProducer);
                Bytes want = Record(len, static_cast<unsigned>(id));
                ASSERT_TRUE(std::equal(out.begin() + 4, out.begin() + len, want.begin() + 4));
                seen[id]++;
                taken++;
            }
        });
    }
    for (auto& t : threads) t.join();
    for (auto& s : seen) ASSERT_EQ(s.load(), 1);
}

}  // namespace
