// SPDX-License-Identifier: Apache-2.0
// The in-process queues: random use against a model across the ring's end (capacity, peeks,
// order), producer and consumer threads (under ThreadSanitizer too), refused calls. The byte and
// the record queue share their ring; the model and thread tests run for both.
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
    static bool Pop(Queue& q, Bytes& out, size_t want, bool take = true) {
        out.resize(want);
        auto n = static_cast<unsigned short>(want);
        return take ? q.PopData(out.data(), n) : q.PeekData(out.data(), n);
    }
};

struct RecQueue {
    using Queue = TQRecQueue;
    static constexpr size_t kOverhead = 4;
    static bool Push(Queue& q, const Bytes& b) { return q.PushData(b.data(), b.size()); }
    static bool Pop(Queue& q, Bytes& out, size_t, bool take = true) {
        out.resize(3200);
        unsigned long len = 0;
        bool ok = take ? q.PopData(out.data(), len) : q.PeekData(out.data(), len);
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
    Bytes out, peeked;
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
            ASSERT_EQ(TypeParam::Pop(q, peeked, want, false), !model.empty());
            ASSERT_EQ(TypeParam::Pop(q, out, want), !model.empty());
            if (model.empty()) continue;
            ASSERT_EQ(out, model.front());
            ASSERT_EQ(peeked, out);
            used -= out.size() + TypeParam::kOverhead;
            model.pop_front();
        }
        ASSERT_EQ(q.DataLen(), used);
        ASSERT_EQ(q.BufSize(), 1023 - used);
    }
}

// Items of 8 bytes, the id twice: none lost, none taken twice, none torn.
TYPED_TEST(Queues, ProducerAndConsumerThreadsMoveEveryItemOnce) {
    constexpr int kThreads = 3, kEach = 15000;
    typename TypeParam::Queue q(4);
    std::vector<std::atomic<int>> seen(kThreads * kEach);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < kThreads; ++p) {
        threads.emplace_back([&, p] {
            for (int id = p * kEach; id < (p + 1) * kEach; ++id) {
                Bytes item(8);
                std::memcpy(item.data(), &id, 4);
                std::memcpy(item.data() + 4, &id, 4);
                while (!TypeParam::Push(q, item)) std::this_thread::yield();
            }
        });
        threads.emplace_back([&] {
            Bytes item;
            while (taken.load() < kThreads * kEach) {
                if (!TypeParam::Pop(q, item, 8)) {
                    std::this_thread::yield();
                    continue;
                }
                unsigned id = 0;
                std::memcpy(&id, item.data(), 4);
                ASSERT_EQ(item.size(), 8u);
                ASSERT_EQ(std::memcmp(item.data(), item.data() + 4, 4), 0);
                ASSERT_LT(id, seen.size());
                seen[id]++;
                taken++;
            }
        });
    }
    for (auto& t : threads) t.join();
    for (auto& s : seen) ASSERT_EQ(s.load(), 1);
}

// Refused calls change nothing; a byte queue of size 0 has no storage until CreateQueue gives
// it a new, empty ring; a reset empties it; a record pop from an empty queue says length 0, one
// without a buffer leaves the length alone. (Capacity and peeks: the model test.)
TEST(ByteQueue, RefusedCallsAndRingsWithoutStorage) {
    TQByteQueue q(1), none(0);
    TQRecQueue records(1);
    unsigned char b[8] = {1};
    unsigned long len = 55;
    EXPECT_EQ(TQByteQueue().QueSize(), 128u * 1024u);
    EXPECT_FALSE(q.PushData(nullptr, 5));
    EXPECT_FALSE(q.PopData(b, 0));
    EXPECT_FALSE(none.PushData(b, 1));
    EXPECT_FALSE(none.CreateQueue(0));
    EXPECT_TRUE(none.CreateQueue(2));
    EXPECT_TRUE(none.PushData(b, 1));
    none.Reset();
    EXPECT_EQ(none.DataLen(), 0u);
    EXPECT_TRUE(none.PushData(b, 1));
    EXPECT_TRUE(none.CreateQueue(1));
    EXPECT_EQ(none.DataLen(), 0u);
    EXPECT_EQ(none.QueSize(), 1024u);
    EXPECT_FALSE(records.PopData(nullptr, len));
    EXPECT_EQ(len, 55u);
    EXPECT_FALSE(records.PopData(b, len));
    EXPECT_EQ(len, 0u);
    EXPECT_FALSE(records.PushData(nullptr, 3));
    EXPECT_FALSE(records.PushData(b, 0xFFFFFFFFUL));
}

}  // namespace
