// halcyon queue and halcyon demo: a real host process, records pushed and popped from the shell.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

using halcyon::test::RunCommand;
using halcyon::test::RunTool;
using halcyon::test::ToolCommand;

TEST(QueueCommand, HostPushPopStatList) {
#if HALCYON_STAND_IN
    std::string out;
    // Without a registry owner every subcommand says so instead of waiting for one.
    EXPECT_EQ(RunTool("queue push Orders", out), 1);
    EXPECT_NE(out.find("no queue registry is running"), std::string::npos) << out;

    std::string log = halcyon::test::RootHostPath() + "/host.log";
    std::string host =
        ToolCommand("queue host Orders --size 4") + " > '" + log + "' 2>&1 & echo $!";
    ASSERT_EQ(RunCommand(host, out), 0);
    std::string pid = out.substr(0, out.find('\n'));
    for (int i = 0; i < 500 && halcyon::test::ReadFile(log).find("hosting") == std::string::npos;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(halcyon::test::ReadFile(log).find("queue 'Orders' id 0, ring 4 KiB"),
              std::string::npos);

    EXPECT_EQ(
        RunCommand("printf 'buy 10\\nsell 5\\n\\nbuy 1\\n' | " + ToolCommand("queue push Orders"),
                   out),
        0)
        << out;
    EXPECT_NE(out.find("3 record(s) written"), std::string::npos) << out;
    EXPECT_EQ(RunTool("queue stat Orders", out), 0);
    EXPECT_NE(out.find("count       3"), std::string::npos) << out;
    EXPECT_NE(out.find("used        23 bytes"), std::string::npos) << out;
    EXPECT_EQ(RunTool("queue list", out), 0);
    EXPECT_NE(out.find("  0  Orders"), std::string::npos) << out;
    EXPECT_EQ(RunTool("queue pop Orders --count 2", out), 0);
    EXPECT_EQ(out, "buy 10\nsell 5\n");
    EXPECT_EQ(RunTool("queue pop Orders", out), 0);
    EXPECT_EQ(out, "buy 1\n");
    EXPECT_EQ(RunTool("queue pop Missing", out), 1);
    EXPECT_NE(out.find("no queue named 'Missing'"), std::string::npos) << out;

    RunCommand("kill -INT " + pid + "; wait " + pid + " 2>/dev/null; sleep 0.2", out);
    EXPECT_EQ(RunTool("queue list", out), 1);  // the host closed the queue and the registry
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

TEST(DemoCommand, EveryRecordTravelsIntact) {
    std::string out;
    ASSERT_EQ(RunTool("demo --records 3000", out), 0) << out;
    EXPECT_NE(out.find("read, decoded and checked 3000 records: 3000 intact, 0 damaged, 0 missing"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("compressed and wrote 3000 records"), std::string::npos) << out;
}

}  // namespace
