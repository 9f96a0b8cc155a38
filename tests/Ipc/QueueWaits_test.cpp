// SPDX-License-Identifier: Apache-2.0
// Waiting on shared queues and batches of records: the results of the calls in one process
// (table, both kinds), producers in real processes, writing singly and in batches, that sleep and
// are woken, and processes killed while waiting or between a write and its signal.
#include "HalcyonCommon/Ipc/QueueHeader.h"
#include "Ipc/IpcTestSupport.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace halcyon::test;

// Sleepers waiting for a record, from a view of the queue's wait block.
std::uint32_t RecordSleepers(RawView& waits) {
    return static_cast<std::atomic<std::uint32_t>*>(waits.map.pView)->load();
}

// Child: raises marker args[1], then reads one record from queue args[0] waiting without limit
// and returns its first byte (or 100 + the failure).
int WaitingReader(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    RaiseMarker(args.at(1));
    unsigned char buf[3095];
    short length = halcyon::ReadQueueWaiting(id, buf, halcyon::kQueueWaitForever);
    return length > 0 ? buf[0] : 100 - length;
}
const ChildRole kWaitingReader("wait-reader", WaitingReader);

class QueueWaits : public IpcTest {};

// What the waits and the batch calls return for each state of a queue of either kind, a ring of
// 1024 bytes: 1023 of frames.
TEST_F(QueueWaits, WaitsAndBatchesFollowTheQueueState) {
    constexpr unsigned long kBatchBytes = 3097, kUntouched = 99;  // the least a batch read takes
    unsigned char big[1021] = {1}, buf[4000];
    const Bytes three = Frames({{1}, {2, 2}, {3, 3, 3}});
    // 602 + 432 bytes of frames: the second does not fit behind the first, nor does `rest`.
    const Bytes parted = Frames({Bytes(600, 6), Bytes(430, 4)}), rest = Frames({Bytes(430, 4)});
    const Bytes whole = Frames({Bytes(500, 5), Bytes(519, 5)});  // 1023 bytes: the ring, exactly
    const Bytes bad[] = {Frames({{}}), Frames({Bytes(3096, 1)}), Frames({Bytes(1022, 1)})};
    short id = -1;
    unsigned long used = kUntouched;
    auto read = [&](unsigned long size, unsigned long ms) {
        return halcyon::ReadQueueBatch(id, buf, size, &used, ms);
    };
    auto write = [&](const Bytes& frames, unsigned long size, unsigned long ms) {
        return halcyon::WriteQueueBatch(id, frames.data(), size, &used, ms);
    };
    for (int kind : {halcyon::kQueueLockFree, halcyon::kQueueLegacy}) {
        SCOPED_TRACE(kind);
        const std::string name = "Waits" + std::to_string(kind);
        id = halcyon::CreateQueue(name.c_str(), 1, kind);
        ASSERT_GE(id, 0);
        // A record event left set (by a writer since killed, say) wakes a waiter that finds
        // nothing.
        win::HANDLE stale = win::OpenEventA(EVENT_MODIFY_STATE, FALSE, ("QREC_" + name).c_str());
        ASSERT_TRUE(win::SetEvent(stale));
        win::CloseHandle(stale);
        struct Case {
            const char* what;
            std::function<long()> call;
            long want;
            unsigned long wantUsed = kUntouched;  // what a batch call reports
        };
        const Case cases[] = {
            {"record, stale signal, 30 ms", [&] { return halcyon::WaitQueueRecord(id, 30); }, 0},
            {"record, empty, no time", [&] { return halcyon::WaitQueueRecord(id, 0); }, 0},
            {"read, empty, no time", [&] { return halcyon::ReadQueueWaiting(id, buf, 0); }, 0},
            {"read, empty, 30 ms", [&] { return halcyon::ReadQueueWaiting(id, buf, 30); }, 0},
            {"room for 1021 of 1023", [&] { return halcyon::WaitQueueRoom(id, 1021, 0); }, 1},
            {"room for 1022", [&] { return halcyon::WaitQueueRoom(id, 1022, kLong); }, -1},
            {"write 1022", [&] { return halcyon::WriteQueueWaiting(id, big, 1022, kLong); }, -1},
            {"write 0 bytes", [&] { return halcyon::WriteQueueWaiting(id, big, 0, 0); }, -1},
            {"write null", [&] { return halcyon::WriteQueueWaiting(id, nullptr, 1, 0); }, -1},
            {"read null", [&] { return halcyon::ReadQueueWaiting(id, nullptr, 0); }, -1},
            {"id 128", [&] { return halcyon::WaitQueueRecord(128, 0); }, -1},
            {"id -1", [&] { return halcyon::WaitQueueRoom(-1, 1, 0); }, -1},
            {"id not open", [&] { return halcyon::ReadQueueWaiting(127, buf, 0); }, -1},
            {"write 1021", [&] { return halcyon::WriteQueueWaiting(id, big, 1021, 0); }, 1},
            {"record, full", [&] { return halcyon::WaitQueueRecord(id, kLong); }, 1},
            {"room for 1, full", [&] { return halcyon::WaitQueueRoom(id, 1, 30); }, 0},
            {"write 1, full, 30 ms", [&] { return halcyon::WriteQueueWaiting(id, big, 1, 30); }, 0},
            {"read the 1021", [&] { return halcyon::ReadQueueWaiting(id, buf, 0); }, 1021},
            {"batch, empty, no time", [&] { return read(kBatchBytes, 0); }, 0, 0},
            {"batch, empty, 30 ms", [&] { return read(kBatchBytes, 30); }, 0, 0},
            {"batch, buffer 3096", [&] { return read(3096, 0); }, -1, 0},
            {"batch, null", [&] { return halcyon::ReadQueueBatch(id, nullptr, 5000, &used, 0); },
             -1, 0},
            {"batch, not open", [&] { return halcyon::ReadQueueBatch(127, buf, 5000, &used, 0); },
             -1, 0},
            {"write, record of 0", [&] { return write(bad[0], bad[0].size(), 0); }, -1, 0},
            {"write, record of 3096", [&] { return write(bad[1], bad[1].size(), 0); }, -1, 0},
            {"write, longer than the ring", [&] { return write(bad[2], bad[2].size(), 0); }, -1, 0},
            {"write, frame cut short", [&] { return write(three, three.size() - 1, 0); }, -1, 0},
            {"write, half a length", [&] { return write(three, 1, 0); }, -1, 0},
            {"write, nothing", [&] { return write(three, 0, 0); }, -1, 0},
            {"write, null", [&] { return halcyon::WriteQueueBatch(id, nullptr, 3, &used, 0); }, -1,
             0},
            {"write three", [&] { return write(three, three.size(), 0); }, 3, three.size()},
            {"read them", [&] { return read(kBatchBytes, 0); }, 3, three.size()},
            {"write the ring full", [&] { return write(whole, whole.size(), 0); }, 2, 1023},
            {"read it", [&] { return read(kBatchBytes, 0); }, 2, 1023},
            {"write 600 and 430, 30 ms", [&] { return write(parted, parted.size(), 30); }, 1, 602},
            {"write 430 behind, 30 ms", [&] { return write(rest, rest.size(), 30); }, 0, 0},
            {"read the 600", [&] { return read(kBatchBytes, 0); }, 1, 602},
        };
        halcyon::QueueState state = {};
        for (const Case& c : cases) {
            used = kUntouched;
            EXPECT_EQ(c.call(), c.want) << c.what;
            EXPECT_EQ(used, c.wantUsed) << c.what;
            if (std::string(c.what) == "write, null") {  // no refused write changed the queue
                EXPECT_EQ(halcyon::QueryQueueState(id, &state), 1);
                EXPECT_EQ(state.writeCount, state.readCount);
                EXPECT_EQ(state.usedBytes, 0u);
            } else if (std::string(c.what) == "read them") {
                EXPECT_EQ(Bytes(buf, buf + three.size()), three);
            }
        }
    }
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);  // a timed-out wait is no error

    // A buffer takes the records that fit it whole; the rest stay, in order.
    const Bytes many = Frames({Bytes(3000, 7), Bytes(200, 8), Bytes(5, 9)});
    short grown = s_MapFile_CreateQue("WaitsBig", 8);
    ASSERT_EQ(halcyon::WriteQueueBatch(grown, many.data(), many.size(), &used, 0), 3);
    EXPECT_EQ(halcyon::ReadQueueBatch(grown, buf, kBatchBytes + 100, &used, 0), 1);
    EXPECT_EQ(used, 3002u);
    EXPECT_EQ(halcyon::ReadQueueBatch(grown, buf, kBatchBytes, &used, 0), 2);
    EXPECT_EQ(Bytes(buf, buf + used), Bytes(many.begin() + 3002, many.end()));

    // A legacy ring: damage behind the first record ends a batch before it; the next call finds
    // it, fails and resets the queue. A copy left unfinished fails each call at once and counts;
    // a damaged header resets the queue.
    s_MapFile_ResetQue(id);
    ASSERT_EQ(write(three, three.size(), 0), 3);
    RawView view("Waits" + std::to_string(halcyon::kQueueLegacy));
    view.ring()[3] = 0;  // the second record's length: 0
    view.ring()[4] = 0;
    EXPECT_EQ(read(kBatchBytes, 0), 1);
    EXPECT_EQ(read(kBatchBytes, kLong), -1);
    EXPECT_EQ(s_MapFile_QueryQueUseSize(id), 0u);
    view.header().sync = 1;
    EXPECT_EQ(write(three, three.size(), kLong), -1);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 1, kLong), -1);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 2u);
    view.header().H2 = 0;
    EXPECT_EQ(halcyon::WaitQueueRecord(id, kLong), -1);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 5, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 5);
}

// Producers waiting for room in a small ring, singly and in batches, and readers taking single
// records and batches in turn: for a legacy queue producers in two processes and a thread, one
// reader; for a lock-free one (one writer process at a time) two threads on each side. Every
// record arrives once; each reader gets each producer's records in order.
TEST_F(QueueWaits, SeveralProducersLoseNothing) {
    constexpr std::uint32_t kEach = 4000;
    for (int kind : {halcyon::kQueueLegacy, halcyon::kQueueLockFree}) {
        SCOPED_TRACE(kind);
        const bool legacy = kind == halcyon::kQueueLegacy;
        const std::string name = "WaitsMany" + std::to_string(kind);
        short id = halcyon::CreateQueue(name.c_str(), 2, kind);
        std::vector<int> children;
        std::vector<std::thread> threads;
        for (int who = 1; who <= (legacy ? 3 : 2); ++who) {
            const std::vector<std::string> args = {name, std::to_string(who), "0",
                                                   std::to_string(kEach),
                                                   who == 2 ? "batch" : "single"};
            if (legacy && who < 3) {
                children.push_back(StartChild("queue-producer", args));
            } else {
                threads.emplace_back([args] { EXPECT_EQ(QueueProducer(args), 0); });
            }
        }
        std::vector<std::vector<Bytes>> got(legacy ? 1 : 2);
        for (auto& mine : got) {
            threads.emplace_back([id, &mine] {
                Bytes buf(8000);
                for (bool batch = true;; batch = !batch) {
                    unsigned long used = 0;
                    long n = batch
                                 ? halcyon::ReadQueueBatch(id, buf.data(), buf.size(), &used, 3000)
                                 : halcyon::ReadQueueWaiting(id, buf.data(), 3000);
                    if (n <= 0) break;
                    std::vector<Bytes> records = Unframe(buf.data(), batch ? n : 0);
                    if (!batch) records.emplace_back(buf.begin(), buf.begin() + n);
                    EXPECT_EQ(batch ? Frames(records).size() : 0, used);
                    mine.insert(mine.end(), records.begin(), records.end());
                }
            });
        }
        for (auto& t : threads) t.join();
        for (int pid : children) EXPECT_EQ(WaitChild(pid), 0);
        std::uint32_t count[4] = {};
        for (const auto& mine : got) {
            std::uint32_t next[4] = {};
            for (const Bytes& r : mine) {
                ASSERT_TRUE(r[0] >= 1 && r[0] <= 3);
                std::uint32_t& n = next[r[0]];
                while (n < kEach && TestRecord(r[0], n, 700) != r) ++n;
                ASSERT_LT(n++, kEach) << "a record out of order or damaged";
                ++count[r[0]];
            }
        }
        for (int who = 1; who <= 3; ++who)
            EXPECT_EQ(count[who], legacy || who < 3 ? kEach : 0) << "producer " << who;
        EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);
    }
}

// A consumer killed while it sleeps leaves its count: writes then set the event needlessly, and
// the next consumer is still woken; a write whose signal never came (its writer killed between
// the two) delays a sleeper by a slice at most; the wake objects go with the queue's last handle.
TEST_F(QueueWaits, KilledWaitersAndWritersHangNobody) {
    short id = s_MapFile_CreateQue("WaitsKill", 4);
    auto waits = std::make_unique<RawView>("QWAIT_WaitsKill");
    std::string ready = UniqueName("ready");
    int victim = StartChild("wait-reader", {"WaitsKill", ready});
    ASSERT_TRUE(WaitForMarker(ready));
    ASSERT_TRUE(WaitUntil([&] { return RecordSleepers(*waits) == 1; }));
    KillAndCollect(victim);
    EXPECT_EQ(RecordSleepers(*waits), 1u);  // left behind
    std::string ready2 = UniqueName("ready2");
    int next = StartChild("wait-reader", {"WaitsKill", ready2});
    ASSERT_TRUE(WaitForMarker(ready2));
    ASSERT_TRUE(WaitUntil([&] { return RecordSleepers(*waits) == 2; }));
    unsigned char rec[1] = {42}, buf[3095];
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 1, 0), 1);
    EXPECT_EQ(WaitChild(next), 42);

    std::atomic<short> got{-2};
    std::thread waiter([&] { got = halcyon::ReadQueueWaiting(id, buf, kLong); });
    EXPECT_TRUE(WaitUntil([&] { return RecordSleepers(*waits) == 2; }));
    {
        // A record {7} appended straight into the mapping, without the signal that a writer
        // killed between its write and its signal never gives.
        RawView view("WaitsKill");
        void* mutex = s_MutexOpen("QS_WaitsKill");
        EXPECT_TRUE(view.map.pView != nullptr && s_MutexWait(mutex, true));
        auto& h = view.header();
        const unsigned char record[3] = {1, 0, 7};  // length 1, byte 7; not at the ring's end
        std::memcpy(view.ring() + h.put, record, 3);
        halcyon::ipc::StorePut(h, h.put + 3);  // as writers store it: a waiter looks meanwhile
        ++h.count;
        ++h.WriteCount;
        s_MutexReset(mutex);
        s_MutexClose(mutex);
    }
    waiter.join();
    EXPECT_EQ(got.load(), 1);
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 30), 0);  // a wait with a limit returns
    // The wake objects die with their last handle, the killed processes' included.
    waits.reset();
    EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
    EXPECT_NE(ErrorOf(win::OpenFileMappingA(FILE_MAP_READ, FALSE, "QWAIT_WaitsKill")),
              ERROR_SUCCESS);
}

}  // namespace
