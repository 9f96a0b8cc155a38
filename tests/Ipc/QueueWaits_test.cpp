// Waiting on shared queues: the results of the waits in one process (table), threads and real
// processes that sleep and are woken, and processes killed while waiting, between a write and its
// signal, or holding the wake objects.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace halcyon::test;

constexpr unsigned long kLong = 20000;  // a wait that must end by a wake-up, not by its limit

// The sleeper counts of queue `name`, through a view of their mapping of our own.
struct Sleepers {
    win::HANDLE map;
    std::uint32_t* counts;
    explicit Sleepers(const std::string& name)
        : map(win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ("QWAIT_" + name).c_str())),
          counts(map ? static_cast<std::uint32_t*>(
                           win::MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0))
                     : nullptr) {}
    ~Sleepers() {
        if (counts != nullptr) win::UnmapViewOfFile(counts);
        if (map != nullptr) win::CloseHandle(map);
    }
    std::uint32_t Record() const {
        return reinterpret_cast<std::atomic<std::uint32_t>*>(counts)[0];
    }
    std::uint32_t Room() const { return reinterpret_cast<std::atomic<std::uint32_t>*>(counts)[1]; }
};

bool WakeObjectsExist(const std::string& name) {
    win::HANDLE handles[3] = {
        win::OpenEventA(SYNCHRONIZE, FALSE, ("QREC_" + name).c_str()),
        win::OpenEventA(SYNCHRONIZE, FALSE, ("QROOM_" + name).c_str()),
        win::OpenFileMappingA(FILE_MAP_READ, FALSE, ("QWAIT_" + name).c_str())};
    bool any = false;
    for (win::HANDLE h : handles) {
        if (h != nullptr) win::CloseHandle(h);
        any = any || h != nullptr;
    }
    return any;
}

// Record `seq` of producer `who`: 1 to 600 bytes, its first bytes naming both.
std::vector<unsigned char> Record(int who, std::uint32_t seq) {
    std::vector<unsigned char> r(1 + (seq * 131 + static_cast<unsigned>(who) * 17) % 600 + 5);
    for (size_t k = 0; k < r.size(); ++k) r[k] = static_cast<unsigned char>(seq + k * who);
    r[0] = static_cast<unsigned char>(who);
    std::memcpy(&r[1], &seq, 4);
    return r;
}

// Child: opens queue args[0] and writes args[2] records as producer args[1], waiting for room.
int WaitingProducer(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    int who = std::stoi(args[1]);
    for (std::uint32_t n = 0; n < std::stoul(args[2]); ++n) {
        std::vector<unsigned char> r = Record(who, n);
        int written =
            halcyon::WriteQueueWaiting(id, r.data(), static_cast<unsigned short>(r.size()), kLong);
        if (written != 1) return 3;
    }
    return 0;
}
const ChildRole kWaitingProducer("wait-producer", WaitingProducer);

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

// Child: appends a record {7} to queue args[0] straight into its mapping, as a writer
// killed between its write and its signal leaves it, raises marker args[1] and idles until killed.
int WriteWithoutSignal(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    MEM_MAPFILE map = {};
    if (id < 0 || !s_MapFile_OpenMapFile(&map, args[0].c_str())) return 2;
    void* mutex = s_MutexOpen(("QS_" + args[0]).c_str());
    if (!s_MutexWait(mutex, true)) return 3;
    auto& h = *static_cast<tagSHMHEADER*>(map.pView);
    unsigned char* ring = static_cast<unsigned char*>(map.pView) + sizeof h;
    const unsigned char record[3] = {1, 0, 7};  // length 1, byte 7; the ring is not near its end
    std::memcpy(ring + h.put, record, 3);
    h.put += 3;
    ++h.count;
    ++h.WriteCount;
    s_MutexReset(mutex);
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kWriteWithoutSignal("write-no-signal", WriteWithoutSignal);

// Child: opens queue args[0], sets its record event as a writer would, raises marker args[1] and
// idles until killed, holding the wake objects.
int HoldWakeObjects(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    win::HANDLE e = win::OpenEventA(EVENT_MODIFY_STATE, FALSE, ("QREC_" + args[0]).c_str());
    if (id < 0 || e == nullptr || !win::SetEvent(e)) return 2;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHoldWake("hold-wake", HoldWakeObjects);

class QueueWaits : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

TEST_F(QueueWaits, ResultsFollowTheQueueState) {
    short id = s_MapFile_CreateQue("WaitsTable", 1);  // a ring of 1024 bytes
    ASSERT_GE(id, 0);
    unsigned char big[1021] = {1}, buf[3095];
    struct Case {
        const char* what;
        std::function<long()> call;
        long want;
    };
    const Case cases[] = {
        {"record, empty, no time", [&] { return halcyon::WaitQueueRecord(id, 0); }, 0},
        {"record, empty, 30 ms", [&] { return halcyon::WaitQueueRecord(id, 30); }, 0},
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
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.want) << c.what;
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);  // a timed-out wait is no error
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    EXPECT_EQ(std::uint32_t{h.WriteCount}, 1u);

    // A copy left unfinished fails at once and counts; a damaged header resets the queue.
    MEM_MAPFILE raw = {};
    ASSERT_TRUE(s_MapFile_OpenMapFile(&raw, "WaitsTable"));
    auto& header = *static_cast<tagSHMHEADER*>(raw.pView);
    header.sync = 1;
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 1, kLong), -1);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 1u);
    header.H2 = 0;
    EXPECT_EQ(halcyon::WaitQueueRecord(id, kLong), -1);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 5, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 5);
    s_MapFile_CloseMapFile(&raw, true);
}

// A writer sleeping on a full queue holds no mutex, and one read wakes it.
TEST_F(QueueWaits, AWriterWaitsForRoomWithoutTheMutex) {
    short id = s_MapFile_CreateQue("WaitsRoom", 1);
    unsigned char big[1000] = {}, buf[3095];
    ASSERT_EQ(s_MapFile_WriteQue(id, big, 1000, 0), 1);
    Sleepers sleepers("WaitsRoom");
    ASSERT_NE(sleepers.counts, nullptr);
    std::atomic<int> written{-2};
    std::thread writer([&] { written = halcyon::WriteQueueWaiting(id, big, 100, kLong); });
    ASSERT_TRUE(WaitUntil([&] { return sleepers.Room() == 1; }));
    void* mutex = s_MutexOpen("QS_WaitsRoom");
    EXPECT_TRUE(s_MutexWait(mutex, false));  // free while the writer sleeps
    s_MutexReset(mutex);
    s_MutexClose(mutex);
    EXPECT_EQ(written.load(), -2);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 1000);
    writer.join();
    EXPECT_EQ(written.load(), 1);
    EXPECT_EQ(sleepers.Room(), 0u);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 100);
}

// Producers in threads and processes, each waiting for room in a small ring, and readers waiting
// for records: every record arrives once, in its producer's order.
TEST_F(QueueWaits, SeveralProducersAndReadersLoseNothing) {
    short id = s_MapFile_CreateQue("WaitsMany", 2);
    constexpr std::uint32_t kEach = 3000;
    std::vector<int> children;
    for (int who = 1; who <= 2; ++who)
        children.push_back(
            StartChild("wait-producer", {"WaitsMany", std::to_string(who), std::to_string(kEach)}));
    std::vector<std::thread> producers;
    for (int who = 3; who <= 4; ++who) {
        producers.emplace_back([id, who] {
            for (std::uint32_t n = 0; n < kEach; ++n) {
                std::vector<unsigned char> r = Record(who, n);
                halcyon::WriteQueueWaiting(id, r.data(), static_cast<unsigned short>(r.size()),
                                           kLong);
            }
        });
    }
    std::uint32_t next[5] = {};
    std::atomic<bool> bad{false};
    std::mutex order;
    auto reader = [&] {
        unsigned char buf[3095];
        for (;;) {
            std::lock_guard<std::mutex> hold(order);  // two readers, one at a time checking order
            short length = halcyon::ReadQueueWaiting(id, buf, 2000);
            if (length <= 0) return;
            int who = buf[0];
            std::uint32_t seq;
            std::memcpy(&seq, buf + 1, 4);
            std::vector<unsigned char> want =
                who >= 1 && who <= 4 ? Record(who, next[who]++) : std::vector<unsigned char>();
            if (want.size() != static_cast<size_t>(length) ||
                std::memcmp(want.data(), buf, want.size()) != 0)
                bad = true;
        }
    };
    std::thread r1(reader), r2(reader);
    for (int pid : children) EXPECT_EQ(WaitChild(pid), 0);
    for (std::thread& t : producers) t.join();
    r1.join();
    r2.join();
    EXPECT_FALSE(bad.load());
    for (int who = 1; who <= 4; ++who) EXPECT_EQ(next[who], kEach) << "producer " << who;
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);
}

// A consumer killed while it sleeps leaves its count: writes then set the event needlessly, and
// the next consumer is still woken; a writer killed after its write but before its signal delays
// a sleeper by a slice at most.
TEST_F(QueueWaits, KilledWaitersAndWritersHangNobody) {
    short id = s_MapFile_CreateQue("WaitsKill", 4);
    Sleepers sleepers("WaitsKill");
    std::string ready = UniqueName("ready");
    int victim = StartChild("wait-reader", {"WaitsKill", ready});
    ASSERT_TRUE(WaitForMarker(ready));
    ASSERT_TRUE(WaitUntil([&] { return sleepers.Record() == 1; }));
    KillAndCollect(victim);
    EXPECT_EQ(sleepers.Record(), 1u);  // left behind
    std::string ready2 = UniqueName("ready2");
    int next = StartChild("wait-reader", {"WaitsKill", ready2});
    ASSERT_TRUE(WaitForMarker(ready2));
    ASSERT_TRUE(WaitUntil([&] { return sleepers.Record() == 2; }));
    unsigned char rec[1] = {42}, buf[3095];
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 1, 0), 1);
    EXPECT_EQ(WaitChild(next), 42);

    std::atomic<short> got{-2};
    std::thread waiter([&] { got = halcyon::ReadQueueWaiting(id, buf, kLong); });
    std::string wrote = UniqueName("wrote");
    int writer = StartChild("write-no-signal", {"WaitsKill", wrote});
    ASSERT_TRUE(WaitForMarker(wrote));
    KillAndCollect(writer);
    waiter.join();
    EXPECT_EQ(got.load(), 1);
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 30), 0);  // a wait with a limit returns
}

// A process killed holding the wake objects, its record event set, leaves a stale signal that a
// waiter absorbs; the objects die with their last handle.
TEST_F(QueueWaits, WakeObjectsDieWithTheirLastHandle) {
    short id = s_MapFile_CreateQue("WaitsHold", 1);
    EXPECT_TRUE(WakeObjectsExist("WaitsHold"));
    std::string ready = UniqueName("ready");
    int holder = StartChild("hold-wake", {"WaitsHold", ready});
    ASSERT_TRUE(WaitForMarker(ready));
    KillAndCollect(holder);
    EXPECT_EQ(halcyon::WaitQueueRecord(id, 100), 0);  // woken by the stale set, finds nothing
    unsigned char rec[2] = {1, 2};
    std::atomic<int> woke{-2};
    std::thread waiter([&] { woke = halcyon::WaitQueueRecord(id, kLong); });
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, rec, 2, 0), 1);
    waiter.join();
    EXPECT_EQ(woke.load(), 1);
    EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
    EXPECT_FALSE(WakeObjectsExist("WaitsHold"));
}

}  // namespace
