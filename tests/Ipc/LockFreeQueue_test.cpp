// SPDX-License-Identifier: Apache-2.0
// Lock-free queues: the control page, the legacy calls that refuse them, damage, and one writer
// process at a time with take-over after a kill. (Their waits and batches, threads on both sides
// and records across the ring's end: the tests over both kinds in QueueWaits and SharedQueue.)
#include "Ipc/IpcTestSupport.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace halcyon::test;

class LockFreeQueue : public IpcTest {};

TEST_F(LockFreeQueue, CallsOfBothFormsOnALockFreeQueue) {
    // 1024 bytes: 1023 of frames, as a legacy ring.
    short id = halcyon::CreateQueue("Free", 1, halcyon::kQueueLockFree);
    ASSERT_GE(id, 0);
    RawView view("Free");
    const unsigned char* control = static_cast<unsigned char*>(view.map.pView);
    // 'L', 0 where a legacy header keeps its size (so legacy openers refuse it), version 1,
    // the ring's bytes, the magic.
    const unsigned char want[16] = {'L', 0,   1,   0,   0,   4,   0,   0,
                                    'H', 'C', 'L', 'F', 'Q', 'U', 'E', 'U'};
    EXPECT_EQ(std::memcmp(control, want, 16), 0);
    unsigned char big[1021] = {1}, buf[4000];
    tagSHMHEADER header = {};
    halcyon::QueueState state = {};
    struct Case {
        const char* what;
        std::function<long()> call;
        long want;
    };
    const Case cases[] = {
        {"kind", [&] { return halcyon::QueryQueueKind(id); }, halcyon::kQueueLockFree},
        {"kind, not open", [&] { return halcyon::QueryQueueKind(127); }, -1},
        {"create, kind 2", [&] { return halcyon::CreateQueue("Other", 1, 2); }, -1},
        {"create, registered", [&] { return s_MapFile_CreateQue("Free", 4); }, id},
        {"legacy write", [&] { return s_MapFile_WriteQue(id, big, 5, 0); }, 0},
        {"legacy read", [&] { return s_MapFile_ReadQue(id, buf, 0); }, -1},
        {"legacy count", [&] { return long(s_MapFile_QueryQueCount(id)); }, 0},
        {"legacy header", [&] { return s_MapFile_QueryQueHeader(id, &header); }, 0},
        {"write 1021", [&] { return halcyon::WriteQueueWaiting(id, big, 1021, 0); }, 1},
        {"legacy write, full", [&] { return s_MapFile_WriteQue(id, big, 1, 0); }, 0},
        {"state", [&] { return halcyon::QueryQueueState(id, &state); }, 1},
        {"read the 1021", [&] { return halcyon::ReadQueueWaiting(id, buf, 0); }, 1021},
        {"batch read, empty", [&] { return halcyon::ReadQueueBatch(id, buf, 4000, nullptr, 30); },
         0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.want) << c.what;
    s_MapFile_ResetQue(id);  // refused: the control page stays
    EXPECT_EQ(std::memcmp(control, want, 16), 0);
    EXPECT_EQ(state.ringBytes, 1024u);
    EXPECT_EQ(state.writeCount, 1u);
    EXPECT_EQ(state.readCount, 0u);

    // A damaged record fails the read and drops what was written; the queue goes on.
    const unsigned char frames[] = {1, 0, 7, 2, 0, 8, 8, 3, 0, 9, 9, 9};
    unsigned long used = 0;
    EXPECT_EQ(halcyon::WriteQueueBatch(id, frames, sizeof frames, &used, 0), 3);
    unsigned char* ring = static_cast<unsigned char*>(view.map.pView) + 4096;
    // The frames start at 1023 and wrap: the second record's length field is at 2 and 3. Its
    // high byte set makes it 0x0202, beyond the data.
    ring[3] = 0x02;
    EXPECT_EQ(halcyon::ReadQueueBatch(id, buf, 4000, &used, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueBatch(id, buf, 4000, &used, 0), -1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 0);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 3, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 3);
    // An offset outside the ring (the first such: the ring's size) fails the other side's calls,
    // never reaches past the ring, and is repaired by its owner's next call.
    auto* offsets = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(view.map.pView));
    const std::uint32_t put = offsets[32], take = offsets[64];  // at 128 and 256
    offsets[32] = 1024;
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), -1);
    EXPECT_EQ(halcyon::WaitQueueRecord(id, 0), -1);
    EXPECT_EQ(halcyon::QueryQueueState(id, &state), 0);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 4, 0), 1);
    EXPECT_EQ(offsets[32], (put + 6) % 1024);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 4);
    offsets[64] = 1024;
    // The writer looks at the reader's word only when what it saw last leaves no room.
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 1021, 0), -1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 0);  // the reader stores its own again
    EXPECT_EQ(offsets[64], (take + 6) % 1024);
    EXPECT_EQ(halcyon::WriteQueueWaiting(id, big, 1021, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(id, buf, 0), 1021);

    // The longest record, whole.
    short wide = halcyon::CreateQueue("FreeWide", 8, halcyon::kQueueLockFree);
    const std::vector<unsigned char> longest(3095, 5);
    EXPECT_EQ(halcyon::WriteQueueWaiting(wide, longest.data(), 3095, 0), 1);
    EXPECT_EQ(halcyon::ReadQueueWaiting(wide, buf, 0), 3095);
}

// One writer process at a time: a second is refused while the first lives; once it is killed
// (anywhere, mid-record too) the next takes over where the ring says, and the reader finds the
// killed writer's records whole and in order, then the next writer's.
TEST_F(LockFreeQueue, AKilledWriterIsTakenOverWithoutDamage) {
    short id = halcyon::CreateQueue("FreeKill", 2, halcyon::kQueueLockFree);
    unsigned char buf[4000];
    std::uint32_t next = 0;
    // Reads up to `most` records of `series`, each waiting up to `ms`; returns how many.
    auto read = [&](int series, int most, unsigned long ms) {
        int n = 0;
        for (short length; n < most && (length = halcyon::ReadQueueWaiting(id, buf, ms)) > 0; ++n)
            EXPECT_EQ(Bytes(buf, buf + length), TestRecord(series, next++, 700));
        return n;
    };
    for (int round = 0; round < 4; ++round) {
        int writer = StartChild("queue-producer",
                                {"FreeKill", "7", std::to_string(next), "1000000", "single"});
        ASSERT_TRUE(WaitUntil([&] { return halcyon::WaitQueueRecord(id, 0) == 1; }));
        unsigned char rec[1] = {9};
        EXPECT_EQ(halcyon::WriteQueueWaiting(id, rec, 1, 0), -1) << "a second writer";
        // Read a while (the child refills the ring), then kill it wherever it is.
        ASSERT_EQ(read(7, 200 + 150 * round, kLong), 200 + 150 * round);
        KillAndCollect(writer);
        read(7, 1000000, 0);
    }
    // Taken over here: the ring goes on where the killed writer left it.
    next = 0;
    for (std::uint32_t n = 0; n < 50; ++n) {
        ASSERT_EQ(WriteRecord(id, TestRecord(8, n, 700), 0), 1);
        read(8, 1000000, 0);
    }
    EXPECT_EQ(next, 50u);
    // A child is refused as writer while this process holds the side.
    EXPECT_EQ(WaitChild(StartChild("queue-producer", {"FreeKill", "7", "0", "1", "single"})), 3);
}

}  // namespace
