// Shared queues between real processes: a producer and a consumer moving records through a small
// ring, processes killed in the middle of their work, and a header damaged by another process.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

using namespace halcyon::test;

// Fewer under the sanitizers and under Wine, whose process switches are slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !HALCYON_STAND_IN
constexpr long kRecords = 50000;
#else
constexpr long kRecords = 200000;
#endif

// Record i: its number, then bytes that depend on it; 1-3095 bytes in all.
size_t MakeRecord(std::uint32_t i, unsigned char* out) {
    std::uint32_t state = i * 2654435761u + 1;
    size_t length = 1 + (state >> 7) % 3095;
    for (size_t k = 0; k < length; ++k) {
        state = state * 1103515245u + 12345u;
        out[k] = static_cast<unsigned char>(state >> 16);
    }
    std::memcpy(out, &i, length < 4 ? length : 4);
    return length;
}

bool CheckRecord(std::uint32_t i, const unsigned char* data, size_t length) {
    unsigned char want[3095];
    return MakeRecord(i, want) == length && std::memcmp(want, data, length) == 0;
}

// Child: opens queue args[0], checks that its id is args[1], writes args[2] records from args[3].
int Producer(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    if (id != std::stoi(args[1])) return 2;
    long count = std::stol(args[2]);
    auto first = static_cast<std::uint32_t>(std::stoul(args[3]));
    unsigned long ring = s_MapFile_QueryQueSize(id);
    unsigned char rec[3095];
    for (long n = 0; n < count; ++n) {
        auto length = static_cast<unsigned short>(MakeRecord(first + n, rec));
        // A well-behaved producer looks before it writes: a full queue would pause it holding
        // the queue's mutex.
        while (s_MapFile_QueryQueUseSize(id) + length + 2 > ring - 1) win::Sleep(0);
        if (s_MapFile_WriteQue(id, rec, length, 0) != 1) return 3;
    }
    return 0;
}
const ChildRole kProducer("queue-producer", Producer);

// Child: reads args[2] records in order and checks every byte.
int Consumer(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    if (id != std::stoi(args[1])) return 2;
    long count = std::stol(args[2]);
    unsigned char buf[3095];
    for (long n = 0; n < count;) {
        short length = s_MapFile_ReadQue(id, buf, 0);
        if (length == 0) {
            win::Sleep(0);
            continue;
        }
        if (length < 0 ||
            !CheckRecord(static_cast<std::uint32_t>(n), buf, static_cast<size_t>(length)))
            return 4;
        ++n;
    }
    return 0;
}
const ChildRole kConsumer("queue-consumer", Consumer);

class SharedQueueProcesses : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

TEST_F(SharedQueueProcesses, ProducerAndConsumerMoveEveryRecordInOrder) {
    ASSERT_EQ(s_MapFile_CreateQue("filler", 1), 0);  // so that the road's queue is not id 0
    short id = s_MapFile_CreateQue("road", 7);
    ASSERT_EQ(id, 1);
    std::string records = std::to_string(kRecords);
    int consumer = StartChild("queue-consumer", {"road", "1", records});
    int producer = StartChild("queue-producer", {"road", "1", records, "0"});
    EXPECT_EQ(WaitChild(producer), 0);
    EXPECT_EQ(WaitChild(consumer), 0);
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    EXPECT_EQ(std::uint32_t{h.WriteCount}, static_cast<std::uint32_t>(kRecords));
    EXPECT_EQ(std::uint32_t{h.ReadCount}, static_cast<std::uint32_t>(kRecords));
    EXPECT_EQ(std::uint32_t{h.count}, 0u);
    EXPECT_EQ(std::uint32_t{h.errcount}, 0u);
}

// Child: takes queue args[0]'s mutex through its own handle, raises marker args[1] and idles
// until killed.
int HoldQueueMutex(const std::vector<std::string>& args) {
    void* mutex = s_MutexOpen(("QS_" + args[0]).c_str());
    if (!s_MutexWait(mutex, true)) return 2;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHold("hold-queue-mutex", HoldQueueMutex);

TEST_F(SharedQueueProcesses, ProcessKilledHoldingTheMutexHangsNobody) {
    short id = s_MapFile_CreateQue("held", 2);
    unsigned char rec[4] = {1, 2, 3, 4}, buf[3095];
    ASSERT_EQ(s_MapFile_WriteQue(id, rec, 4, 0), 1);
    std::string held = UniqueName("held");
    int holder = StartChild("hold-queue-mutex", {"held", held});
    ASSERT_TRUE(WaitForMarker(held));
    KillAndCollect(holder);
    // The first wait finds the mutex abandoned: the call fails once and leaves it free.
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 4);
    EXPECT_EQ(std::memcmp(buf, rec, 4), 0);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 4, 0), 1);
}

TEST_F(SharedQueueProcesses, ProducerKilledWhileWritingLeavesNoCorruptRecord) {
    short id = s_MapFile_CreateQue("killed", 64);
    int producer = StartChild("queue-producer", {"killed", std::to_string(id), "100000000", "0"});
    while (s_MapFile_QueryQueCount(id) < 10) win::Sleep(1);  // some 40 records fit
    KillChild(producer);
    // The first call after the kill may find the mutex abandoned and fail once.
    tagSHMHEADER h = {};
    if (s_MapFile_QueryQueHeader(id, &h) == 0) {
        ASSERT_EQ(s_MapFile_QueryQueHeader(id, &h), 1);
    }
    unsigned char buf[3095];
    if (h.sync != 0) {
        // Killed inside its copy: every read fails until the queue is reset, which empties it.
        EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
        s_MapFile_ResetQue(id);
        EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 0);
    } else {
        // Killed between copies: every record written so far comes out whole and in order.
        std::uint32_t n = 0;
        for (short length; (length = s_MapFile_ReadQue(id, buf, 0)) != 0; ++n) {
            ASSERT_GT(length, 0) << "record " << n;
            ASSERT_TRUE(CheckRecord(n, buf, static_cast<size_t>(length))) << "record " << n;
        }
        EXPECT_GE(n, 10u);
        EXPECT_EQ(n, std::uint32_t{h.WriteCount});
    }
    unsigned char rec[3] = {9, 9, 9};
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 3, 0), 1);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 3);
}

// Child: opens queue args[0] and leaves `sync` at 1 as a writer killed mid-copy would, raises
// marker args[1] and idles until killed.
int DieWhileCopying(const std::vector<std::string>& args) {
    MEM_MAPFILE map = {};
    if (!s_MapFile_OpenMapFile(&map, args[0].c_str())) return 2;
    static_cast<tagSHMHEADER*>(map.pView)->sync = 1;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kDieCopying("die-while-copying", DieWhileCopying);

TEST_F(SharedQueueProcesses, SyncLeftByADeadProcessFailsEveryCallUntilReset) {
    short id = s_MapFile_CreateQue("sync", 1);
    unsigned char rec[2] = {5, 6}, buf[3095];
    ASSERT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 1);
    std::string copying = UniqueName("copying");
    int child = StartChild("die-while-copying", {"sync", copying});
    ASSERT_TRUE(WaitForMarker(copying));
    KillAndCollect(child);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 1), -1);  // two pauses, then gives up
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 1), 0);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 0);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 4u);
    s_MapFile_ResetQue(id);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec, 2, 0), 1);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 2);
}

// A queue whose header another process damaged before this one opened it: the ring size in the
// header must be checked against the mapping, or reads and writes run past the view.
constexpr int kRefused = 10;
constexpr int kOpenedWithRing = 20;
constexpr int kOpenedWithOtherRing = 30;

// Child: opens queue args[0]; says whether the open was refused or which ring it took.
int OpenDamagedQueue(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    if (id < 0) return kRefused;
    return s_MapFile_QueryQueSize(id) == std::stoul(args[1]) ? kOpenedWithRing
                                                             : kOpenedWithOtherRing;
}
const ChildRole kOpenDamaged("open-damaged-queue", OpenDamagedQueue);

TEST_F(SharedQueueProcesses, AnOpenRefusesASizeTheMappingDoesNotHoldUntilTheOwnerRepairsIt) {
    // A ring of 1 KiB is one page with its header: 0 is no ring, 4 KiB and more need pages the
    // mapping does not have.
    const unsigned char damaged[] = {0, 4, 200, 255};
    short id = s_MapFile_CreateQue("bent", 1);
    ASSERT_GE(id, 0);
    MEM_MAPFILE raw = {};
    ASSERT_EQ(s_MapFile_OpenMapFile(&raw, "bent"), 1);
    auto* header = static_cast<tagSHMHEADER*>(s_MapFile_MapFilePtr(&raw));
    unsigned char record[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (unsigned char size : damaged) {
        SCOPED_TRACE(static_cast<int>(size));
        header->size = size;
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent", "1024"})), kRefused);
        // The owner knows its ring: its next call finds the damage, repairs it and fails.
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 0);
        EXPECT_EQ(header->size, 1);
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent", "1024"})), kOpenedWithRing);
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 1);
    }
    s_MapFile_CloseMapFile(&raw, false);
    EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
}

}  // namespace
