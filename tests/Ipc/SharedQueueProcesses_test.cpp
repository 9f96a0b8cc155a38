// SPDX-License-Identifier: Apache-2.0
// Shared queues between real processes: processes killed holding a queue, a header damaged by
// another process, closes after another process took the registry over, and the descriptors of
// processes that hold all 128 queues. (Producers and readers in several processes: QueueWaits.)
#include "Ipc/IpcTestSupport.h"

#if HALCYON_STAND_IN
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace halcyon::test;

class SharedQueueProcesses : public IpcTest {};

// Child: takes queue args[0]'s mutex through its own handle and, when args[2] says "sync", leaves
// `sync` at 1 as a writer killed mid-copy would; raises marker args[1] and idles until killed.
int DieHolding(const std::vector<std::string>& args) {
    RawView view(args.at(0));
    if (view.map.pView == nullptr || !s_MutexWait(s_MutexOpen(("QS_" + args[0]).c_str()), true))
        return 2;
    if (args.at(2) == "sync") view.header().sync = 1;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kDieHolding("die-holding", DieHolding);

// A holder of the queue's mutex that does not let go (stopped with SIGSTOP; on Windows one that
// idles): every timed wait returns 0 once its time has passed, a little later at most, and the
// queue is untouched. Killed, it leaves the mutex abandoned: the first wait finds it so, the call
// fails once and leaves it free. A copy left unfinished: every call fails after its pauses,
// counting each, until the queue is reset.
TEST_F(SharedQueueProcesses, ProcessesStoppedOrKilledHoldingTheQueueHangNobody) {
    short id = s_MapFile_CreateQue("held", 2);
    unsigned char rec[4] = {1, 2, 3, 4}, buf[4000];
    const unsigned char frame[4] = {2, 0, 9, 9};  // one record of 2 bytes, framed
    ASSERT_EQ(s_MapFile_WriteQue(id, rec, 4, 0), 1);
    std::string ready = UniqueName("mutex");
    int holder = StartChild("die-holding", {"held", ready, "mutex"});
    ASSERT_TRUE(WaitForMarker(ready));
#if HALCYON_STAND_IN
    ASSERT_EQ(kill(holder, SIGSTOP), 0);
#endif
    unsigned long used = 0;
    const struct {
        const char* what;
        std::function<long()> call;
    } waits[] = {
        {"read", [&] { return halcyon::ReadQueueWaiting(id, buf, 200); }},
        {"write", [&] { return halcyon::WriteQueueWaiting(id, rec, 4, 200); }},
        {"record", [&] { return halcyon::WaitQueueRecord(id, 200); }},
        {"room", [&] { return halcyon::WaitQueueRoom(id, 4, 200); }},
        {"read batch", [&] { return halcyon::ReadQueueBatch(id, buf, 4000, &used, 200); }},
        {"write batch", [&] { return halcyon::WriteQueueBatch(id, frame, 4, &used, 200); }},
        {"read, no time", [&] { return halcyon::ReadQueueWaiting(id, buf, 0); }},
    };
    for (const auto& wait : waits) {
        auto start = std::chrono::steady_clock::now();
        long got = wait.call();
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(got, 0) << wait.what;
        // Before, the first of them waited for the mutex as long as the holder kept it.
        EXPECT_LT(took, std::chrono::seconds(3)) << wait.what;
    }
    KillAndCollect(holder);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);  // abandoned: fails once
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 4);
    EXPECT_EQ(std::memcmp(buf, rec, 4), 0);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 1);
    ready = UniqueName("sync");
    holder = StartChild("die-holding", {"held", ready, "sync"});
    ASSERT_TRUE(WaitForMarker(ready));
    KillAndCollect(holder);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);  // abandoned
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 1), -1);  // two pauses, then gives up
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 1), 0);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 0);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 4u);
    s_MapFile_ResetQue(id);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 1);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 2);
}

// Child: opens queue args[0]; exits with its ring's size in KiB, or 255 when the open is refused.
int OpenDamagedQueue(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args.at(0).c_str());
    return id < 0 ? 255 : static_cast<int>(s_MapFile_QueryQueSize(id) / 1024);
}
const ChildRole kOpenDamaged("open-damaged-queue", OpenDamagedQueue);

// A header that another process damaged before this one opened it: the ring size in the header
// must be checked against the mapping, or reads and writes run past the view.
TEST_F(SharedQueueProcesses, AnOpenRefusesASizeTheMappingDoesNotHoldUntilTheOwnerRepairsIt) {
    // A ring of 1 KiB is one page with its header: 0 is no ring, 4 KiB and more need pages the
    // mapping does not have, 2 and 3 KiB end in its page but past its last byte.
    const unsigned char damaged[] = {0, 2, 3, 4, 200, 255};
    short id = s_MapFile_CreateQue("bent", 1);
    ASSERT_GE(id, 0);
    RawView view("bent");
    tagSHMHEADER* header = &view.header();
    unsigned char record[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (unsigned char size : damaged) {
        SCOPED_TRACE(static_cast<int>(size));
        header->size = size;
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent"})), 255);
        // The owner knows its ring: its next call finds the damage, repairs it and fails.
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 0);
        EXPECT_EQ(header->size, 1);
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent"})), 1);
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 1);
    }
    EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
}

// Child: becomes the registry's owner (emptying it), registers queue args[1], raises marker
// args[0] and idles until killed.
int TakeOver(const std::vector<std::string>& args) {
    s_MapFile_Initialize(true);
    if (s_MapFile_CreateQue(args[1].c_str(), 1) < 0) return 2;
    RaiseMarker(args[0]);
    return IdleUntilKilled();
}
const ChildRole kTakeOver("take-over", TakeOver);

// Registry slot `id` as any process reads it.
std::string Slot(short id) {
    short block = s_MapFile_OpenShm("SHARED_QUEUE");
    char registry[4096] = {};
    if (block < 0 || !s_MapFile_ReadShm(block, reinterpret_cast<unsigned char*>(registry), 4096))
        return "(no registry)";
    return std::string(registry + 32 * id, strnlen(registry + 32 * id, 31));
}

// A close that hangs is a failure, not a test run that never ends.
int CloseWithin(short id, bool remove) {
    auto closing = std::async(std::launch::async, [=] { return s_MapFile_CloseQue(id, remove); });
    if (closing.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return closing.get();
    new auto(std::move(closing));  // left waiting: its destructor would wait too
    return -2;
}

// This process made A (id 0) and B (id 1); a second owner emptied the registry and registered
// Other in A's slot. The closes leave Other registered.
TEST_F(SharedQueueProcesses, AfterATakeOverACloseRemovesOnlyItsOwnSlot) {
    ASSERT_EQ(s_MapFile_CreateQue("A", 1), 0);
    ASSERT_EQ(s_MapFile_CreateQue("B", 1), 1);
    const std::string ready = UniqueName("took-over");
    const int child = StartChild("take-over", {ready, "Other"});
    ASSERT_TRUE(WaitForMarker(ready));
    for (short id : {0, 1}) {
        EXPECT_EQ(CloseWithin(id, true), 1) << id;
        EXPECT_EQ(Slot(0), "Other") << id;
    }
    KillAndCollect(child);
}

#if HALCYON_STAND_IN
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count - 3;  // ".", ".." and the folder's own descriptor
}

// Child: under a soft limit of 1024 descriptors, creates (args[0] "create", as the registry's
// owner) or opens ("open") queues fd0 … fd127 of kind args[1]. Before, a queue took 13
// descriptors in its creator, and 78 queues filled the limit; now 7 in the creator, 6 in a
// client, and a few for the process as a whole. Exits 1 when it holds fewer queues or takes more
// descriptors (and says so); else a client exits 0, a creator raises marker args[2] and idles
// until killed.
int HoldAllQueues(const std::vector<std::string>& args) {
    rlimit limit = {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 1024;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
    bool create = args.at(0) == "create";
    int kind = std::stoi(args.at(1));
    if (create) s_MapFile_Initialize(true);
    s_MapFile_Initialize(false);
    int before = OpenDescriptors(), held = 0;
    for (int n = 0; n < 128; ++n) {
        const std::string name = "fd" + std::to_string(n);
        short id =
            create ? halcyon::CreateQueue(name.c_str(), 1, kind) : s_MapFile_OpenQue(name.c_str());
        if (id < 0) break;
        ++held;
    }
    int taken = OpenDescriptors() - before;
    if (held < 128 || taken > 128 * (create ? 7 : 6) + 4) {
        std::fprintf(stderr, "%s: %d queues, %d descriptors\n", args[0].c_str(), held, taken);
        return 1;
    }
    if (!create) return 0;
    RaiseMarker(args.at(2));
    return IdleUntilKilled();
}
const ChildRole kHoldAllQueues("hold-all-queues", HoldAllQueues);
#endif

TEST(QueueDescriptors, AProcessHoldsAll128QueuesUnderASoftLimitOf1024) {
#if HALCYON_STAND_IN
    for (int kind : {halcyon::kQueueLegacy, halcyon::kQueueLockFree}) {
        SCOPED_TRACE(kind);
        const std::string ready = UniqueName("created" + std::to_string(kind));
        int creator = StartChild("hold-all-queues", {"create", std::to_string(kind), ready});
        ASSERT_TRUE(WaitForMarker(ready)) << "the creator's exit: " << WaitChild(creator);
        EXPECT_EQ(WaitChild(StartChild("hold-all-queues", {"open", std::to_string(kind)})), 0);
        KillAndCollect(creator);
    }
#else
    GTEST_SKIP() << "descriptors and their limit are the Linux stand-in's";
#endif
}

}  // namespace
