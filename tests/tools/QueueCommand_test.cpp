// SPDX-License-Identifier: Apache-2.0
// halcyon queue: a real host process, records pushed and popped from the shell, a push into a full
// queue that waits for a pop, and the watch view; a lock-free queue hosted from the shell.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using halcyon::test::ReadFile;
using halcyon::test::RunCommand;
using halcyon::test::RunTool;
using halcyon::test::ToolCommand;

#if HALCYON_STAND_IN
// Starts `halcyon queue host ARGS` in the background, its output in `log`; its process id once it
// says it hosts or after 5 s (the caller reads the log for what it said).
std::string StartHost(const std::string& args, const std::string& log) {
    std::string out;
    RunCommand(ToolCommand("queue host " + args) + " > '" + log + "' 2>&1 & echo $!", out);
    for (int i = 0; i < 500 && ReadFile(log).find("hosting") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return out.substr(0, out.find('\n'));
}

// A shell command, the exit status it must give and a text its output must hold.
struct Step {
    std::string command;
    int code;
    const char* output;
};

void RunSteps(const std::vector<Step>& steps) {
    std::string out;
    for (const auto& s : steps) {
        EXPECT_EQ(RunCommand(s.command, out), s.code) << s.command << ": " << out;
        EXPECT_NE(out.find(s.output), std::string::npos) << s.command << ": " << out;
    }
}
#endif

TEST(QueueCommand, HostPushPopStatWatch) {
#if HALCYON_STAND_IN
    std::string out;
    // Without a registry owner every subcommand says so instead of waiting for one.
    EXPECT_EQ(RunTool("queue push Orders --wait-owner 0", out), 1);
    EXPECT_NE(out.find("no queue registry is running"), std::string::npos) << out;

    const std::string log = halcyon::test::RootHostPath() + "/host.log";
    const std::string host = StartHost("Orders --size 4", log);
    ASSERT_NE(ReadFile(log).find("queue 'Orders' id 0, ring 4 KiB: hosting"), std::string::npos);
    // This process holds the registry's block, so the registry outlives the host at the end,
    // whatever earlier tests in this process left of the library's registry state.
    ASSERT_GE(s_MapFile_OpenShm("SHARED_QUEUE"), 0);
    RunSteps({
        {"printf 'buy 10\\nsell 5\\n\\nbuy 1\\n' | " + ToolCommand("queue push Orders"), 0,
         "3 record(s) written"},
        {ToolCommand("queue stat Orders"), 0, "used        23 bytes\ncount       3\n"},
        {ToolCommand("queue list"), 0, "  0  Orders"},
        {ToolCommand("queue pop Orders --count 2"), 0, "buy 10\nsell 5\n"},
        {ToolCommand("queue pop Orders"), 0, "buy 1\n"},
        {ToolCommand("queue pop Missing --wait-owner 0"), 1, "no queue named 'Missing'"},
    });

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
    RunCommand("kill -INT " + host + "; wait " + host + " 2>/dev/null; sleep 0.2", out);
    EXPECT_EQ(RunTool("queue watch --count 1", out), 0);
    EXPECT_NE(out.find(" every 1000 ms, 0 queues\n(no queue is registered)\n\n"), std::string::npos)
        << out;
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

// A lock-free queue: stat and watch read its counters (it has no legacy header); pop and reset
// refuse it and leave its records.
TEST(QueueCommand, ALockFreeQueueFromTheShell) {
#if HALCYON_STAND_IN
    std::string out;
    const std::string log = halcyon::test::RootHostPath() + "/host-free.log";
    const std::string host = StartHost("Ticks --size 2 --lock-free", log);
    ASSERT_NE(ReadFile(log).find("lock-free queue 'Ticks' id 0, ring 2 KiB: hosting"),
              std::string::npos)
        << ReadFile(log);
    RunSteps({
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
        {ToolCommand("queue stat Ticks"), 0, "count       2\n"},  // neither took nor dropped
    });
    RunCommand("kill -INT " + host + "; sleep 0.2", out);
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
