// The in-process queues: their capacity and refused calls, random use against a model across the
// ring's end, and producer and consumer threads (under ThreadSanitizer too). The byte and the
// record queue share their ring; the model and thread tests run for both.
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

// One push and one pop as each queue does them: the byte queue pops as many bytes as asked for,
// the record queue one whole record behind a 4-byte length.
struct ByteQueue {
    using Queue = TQByteQueue;
    static constexpr size_t kOverhead = 0;
    static bool Push(Queue& q, const Bytes& b) {
        return q.PushData(b.data(), static_cast<unsigned short>(b.size()));
    }
    static bool Pop(Queue& q, Bytes& out, size_t want) {
        out.resize(want);
        return q.PopData(out.data(), static_cast<unsigned short>(want));
    }
};

struct RecQueue {
    using Queue = TQRecQueue;
    static constexpr size_t kOverhead = 4;
    static bool Push(Queue& q, const Bytes& b) { return q.PushData(b.data(), b.size()); }
    static bool Pop(Queue& q, Bytes& out, size_t) {
        out.resize(3200);
        unsigned long len = 0;
        bool ok = q.PopData(out.data(), len);
        out.resize(len);
        return ok;
    }
};

template <typename T>
class Queues : public testing::Test {};
using QueueKinds = testing::Types<ByteQueue, RecQueue>;
TYPED_TEST_SUITE(Queues, QueueKinds);

// Random pushes and pops against a plain deque of items: every offset of the ring is crossed,
// and so are the record queue's length fields.
TYPED_TEST(Queues, AgreeWithAModelAcrossTheRingEnd) {
    typename TypeParam::Queue q(1);
    std::deque<Bytes> model;
    size_t used = 0;
    std::mt19937 rng(7);
    Bytes out;
    for (int step = 0; step < 20000; ++step) {
        if (rng() % 2) {
            Bytes item = Pattern(1 + rng() % 500, static_cast<unsigned>(step));
            bool fits = used + item.size() + TypeParam::kOverhead <= 1023;
            ASSERT_EQ(TypeParam::Push(q, item), fits);
            if (!fits) continue;
            model.push_back(item);
            used += item.size() + TypeParam::kOverhead;
        } else {
            size_t want = model.empty() ? 1 : model.front().size();
            ASSERT_EQ(TypeParam::Pop(q, out, want), !model.empty());
            if (model.empty()) continue;
            ASSERT_EQ(out, model.front());
            used -= out.size() + TypeParam::kOverhead;
            model.pop_front();
        }
        ASSERT_EQ(q.DataLen(), used);
        ASSERT_EQ(q.BufSize(), 1023 - used);
    }
}

// Items of 8 bytes, the id twice: none lost, none taken twice, none torn.
TYPED_TEST(Queues, ProducerAndConsumerThreadsMoveEveryItemOnce) {
    constexpr int kProducers = 3, kConsumers = 3, kPerProducer = 15000;
    typename TypeParam::Queue q(4);
    std::vector<std::atomic<int>> seen(kProducers * kPerProducer);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p) {
        threads.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                int id = p * kPerProducer + i;
                Bytes item(8);
                std::memcpy(item.data(), &id, 4);
                std::memcpy(item.data() + 4, &id, 4);
                while (!TypeParam::Push(q, item)) std::this_thread::yield();
            }
        });
    }
    for (int c = 0; c < kConsumers; ++c) {
        threads.emplace_back([&] {
            Bytes item;
            while (taken.load() < kProducers * kPerProducer) {
                if (!TypeParam::Pop(q, item, 8)) {
                    std::this_thread::yield();
                    continue;
                }
                int id = 0;
                std::memcpy(&id, item.data(), 4);
                ASSERT_EQ(item.size(), 8u);
                ASSERT_EQ(std::memcmp(item.data(), item.data() + 4, 4), 0);
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

TEST(ByteQueue, CapacityIsOneByteLessThanTheRingAndRefusedCallsChangeNothing) {
    TQByteQueue q(1);
    Bytes data = Pattern(1024, 1), out(1100);
    EXPECT_EQ(q.QueSize(), 1024u);
    EXPECT_FALSE(q.PushData(data.data(), 1024));
    EXPECT_TRUE(q.PushData(data.data(), 1023));
    EXPECT_FALSE(q.PushData(data.data(), 1));
    EXPECT_EQ(q.BufSize(), 0u);
    EXPECT_FALSE(q.PopData(out.data(), 1024));
    EXPECT_FALSE(q.PushData(nullptr, 5));
    EXPECT_FALSE(q.PopData(nullptr, 5));
    EXPECT_FALSE(q.PopData(out.data(), 0));
    EXPECT_FALSE(q.PeekData(out.data(), 1024));
    Bytes first(1023), second(1023);
    EXPECT_TRUE(q.PeekData(first.data(), 1023));
    EXPECT_TRUE(q.PeekData(second.data(), 1023));
    EXPECT_EQ(first, Bytes(data.begin(), data.end() - 1));
    EXPECT_EQ(second, first);
    EXPECT_EQ(q.DataLen(), 1023u);
    EXPECT_EQ(q.GetError(), 0);
    q.Reset();
    EXPECT_EQ(q.DataLen(), 0u);
}

TEST(ByteQueue, SizesAndQueuesWithoutStorage) {
    TQByteQueue standard;
    EXPECT_EQ(standard.QueSize(), 128u * 1024u);
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

TEST(RecQueue, RecordsAndTheirLengthFieldsFillTheRingAndBadArgumentsAreRefused) {
    Bytes big = Pattern(1020, 1), out(16);
    TQRecQueue q(1);
    unsigned long len = 55;
    EXPECT_FALSE(q.PopData(out.data(), len));
    EXPECT_EQ(len, 0u);
    len = 55;
    EXPECT_FALSE(q.PopData(nullptr, len));
    EXPECT_EQ(len, 55u);  // not looked at the queue: length untouched
    EXPECT_FALSE(q.PushData(nullptr, 3));
    EXPECT_FALSE(q.PushData(out.data(), 0xFFFFFFFFUL));  // far larger than any ring
    EXPECT_FALSE(q.PushData(big.data(), 1020));
    EXPECT_TRUE(q.PushData(big.data(), 1019));
    EXPECT_EQ(q.DataLen(), 1023u);
    EXPECT_FALSE(q.PushData(big.data(), 1));
    q.Reset();
    EXPECT_TRUE(q.PushData(big.data(), 5));
    Bytes a(16), b(16);
    unsigned long la = 0, lb = 0;
    EXPECT_TRUE(q.PeekData(a.data(), la));
    EXPECT_TRUE(q.PeekData(b.data(), lb));
    EXPECT_EQ(la, 5u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(q.DataLen(), 9u);
}

}  // namespace
