// SPDX-License-Identifier: Apache-2.0
// halcyon queue: a real host process, records pushed and popped from the shell, a push into a full
// queue that waits for a pop, and the watch view; a lock-free queue hosted from the shell.
#include "tools/ToolRuns.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

TEST(QueueCommand, HostPushPopStatWatch) {
#if HALCYON_STAND_IN
    QueueHost host("Orders --size 4");
    ASSERT_NE(host.Log().find("queue 'Orders' id 0, ring 4 KiB: hosting"), std::string::npos);
    // This process holds the registry's block, so the registry outlives the host at the end,
    // whatever earlier tests in this process left of the library's registry state.
    ASSERT_GE(s_MapFile_OpenShm("SHARED_QUEUE"), 0);
    ExpectRuns({{"printf 'buy 10\\nsell 5\\n\\nbuy 1\\n' | " + ToolCommand("queue push Orders"), 0,
                 "3 record(s) written"},
                {ToolCommand("queue stat Orders"), 0, "used        23 bytes\ncount       3\n"},
                {ToolCommand("queue list"), 0, "  0  Orders"},
                {ToolCommand("queue pop Orders --count 2"), 0, "buy 10\nsell 5\n"},
                {ToolCommand("queue pop Orders"), 0, "buy 1\n"},
                {ToolCommand("queue pop Missing --wait-owner 0"), 1, "no queue named 'Missing'"}});

    std::string out;
    // 40 records of 100 bytes do not fit a ring of 4 KiB: push sleeps until pop makes room.
    ASSERT_EQ(RunCommand("for i in $(seq 10 49); do printf \"%0100d\\n\" $i; done | " +
                             ToolCommand("queue push Orders") + " 2>/dev/null & " +
                             ToolCommand("queue pop Orders --count 40 --wait") + " && wait $!",
                         out),
              0);
    ASSERT_EQ(out.size(), 40u * 101u);
    EXPECT_EQ(out.substr(39 * 101), std::string(98, '0') + "49\n");

    RunCommand("printf 'x\\ny\\n' | " + ToolCommand("queue push Orders"), out);
    // A copy left unfinished shows once `sync` stays 1 across two refreshes, not at the first;
    // rates show from the second.
    MEM_MAPFILE map = {};
    ASSERT_TRUE(s_MapFile_OpenMapFile(&map, "Orders"));
    static_cast<tagSHMHEADER*>(map.pView)->sync = 1;
    ASSERT_EQ(RunTool("queue watch --count 2 --interval 100", out), 0);
    s_MapFile_CloseMapFile(&map, true);
    EXPECT_NE(out.find("  0 Orders"), std::string::npos) << out;
    EXPECT_NE(out.find("2 rec       - w/s       - r/s  err 0\n\n"), std::string::npos) << out;
    EXPECT_NE(
        out.find("2 rec       0 w/s       0 r/s  err 0  SYNC STUCK: halcyon queue reset Orders"),
        std::string::npos)
        << out;

    // The host removes its queue; the registry lives on in this process.
    host.Stop();
    ExpectRuns({{ToolCommand("queue watch --count 1"), 0,
                 " every 1000 ms, 0 queues\n(no queue is registered)\n\n"}});
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

// A lock-free queue: stat and watch read its counters (it has no legacy header); pop and reset
// refuse it and leave its records.
TEST(QueueCommand, ALockFreeQueueFromTheShell) {
#if HALCYON_STAND_IN
    QueueHost host("Ticks --size 2 --lock-free");
    ASSERT_NE(host.Log().find("lock-free queue 'Ticks' id 0, ring 2 KiB: hosting"),
              std::string::npos)
        << host.Log();
    ExpectRuns({
        {"printf 'a1\\nb22\\n' | " + ToolCommand("queue push Ticks"), 0, "2 record(s) written"},
        {ToolCommand("queue stat Ticks"), 0,
         "kind        lock-free\nring        2 KiB\nused        9 bytes\ncount       2\n"
         "written     2\nread        0\n"},
        {ToolCommand("queue stat Ticks --json"), 0,
         "\"kind\":\"lock-free\",\"ring_kib\":2,\"used_bytes\":9,\"count\":2"},
        {ToolCommand("queue watch --count 1"), 0, "  0 Ticks"},
        {ToolCommand("queue watch --count 1"), 0, "2 rec"},
        {ToolCommand("queue pop Ticks") + " 2>&1", 1, "lock-free queue, which pop cannot read"},
        {ToolCommand("queue reset Ticks") + " 2>&1", 1, "has no unfinished copy to clear"},
        {ToolCommand("queue stat Ticks"), 0, "count       2\n"}  // neither took nor dropped
    });
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
