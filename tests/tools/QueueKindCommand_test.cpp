// SPDX-License-Identifier: Apache-2.0
// halcyon queue host --lock-free: a lock-free queue hosted from the shell, filled by push, shown
// by stat and watch, which read its counters instead of the legacy header it does not have.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using halcyon::test::ReadFile;
using halcyon::test::RunCommand;
using halcyon::test::ToolCommand;

TEST(QueueKindCommand, ALockFreeQueueFromTheShell) {
#if HALCYON_STAND_IN
    std::string out;
    const std::string log = halcyon::test::RootHostPath() + "/host-free.log";
    RunCommand(
        ToolCommand("queue host Ticks --size 2 --lock-free") + " > '" + log + "' 2>&1 & echo $!",
        out);
    const std::string host = out.substr(0, out.find('\n'));
    for (int i = 0; i < 500 && ReadFile(log).find("hosting") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(ReadFile(log).find("lock-free queue 'Ticks' id 0, ring 2 KiB: hosting"),
              std::string::npos)
        << ReadFile(log);
    const struct {
        std::string command;
        int code;
        const char* output;
    } steps[] = {
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
    };
    for (const auto& s : steps) {
        EXPECT_EQ(RunCommand(s.command, out), s.code) << s.command << ": " << out;
        EXPECT_NE(out.find(s.output), std::string::npos) << s.command << ": " << out;
    }
    RunCommand("kill -INT " + host + "; sleep 0.2", out);
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
