// halcyon queue push into a full queue, pop --wait, and queue watch, against a real host process.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using halcyon::test::ReadFile;
using halcyon::test::RunCommand;
using halcyon::test::RunTool;
using halcyon::test::ToolCommand;

#if HALCYON_STAND_IN
// Starts `halcyon queue host NAME --size KIB` in the background; returns its process id.
std::string StartHost(const std::string& name, int kib) {
    std::string log = halcyon::test::RootHostPath() + "/host-" + name + ".log", out;
    RunCommand(ToolCommand("queue host " + name + " --size " + std::to_string(kib)) + " > '" + log +
                   "' 2>&1 & echo $!",
               out);
    for (int i = 0; i < 500 && ReadFile(log).find("hosting") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return out.substr(0, out.find('\n'));
}
#endif

TEST(QueueWatch, FullQueuesWaitAndTheViewShowsEveryQueue) {
#if HALCYON_STAND_IN
    std::string host = StartHost("Ticks", 1), out;
    // 40 records of 100 bytes do not fit a ring of 1 KiB: push sleeps until pop makes room.
    std::string lines = "for i in $(seq 10 49); do printf \"%0100d\\n\" $i; done";
    std::string pushLog = halcyon::test::RootHostPath() + "/push.log";
    ASSERT_EQ(RunCommand("(" + lines + " | " + ToolCommand("queue push Ticks") + ") > '" + pushLog +
                             "' 2>&1 &",
                         out),
              0);
    ASSERT_EQ(RunTool("queue pop Ticks --count 40 --wait", out), 0);
    ASSERT_EQ(out.size(), 40u * 101u);
    EXPECT_EQ(out.substr(0, 101), std::string(98, '0') + "10\n");
    EXPECT_EQ(out.substr(39 * 101), std::string(98, '0') + "49\n");
    for (int i = 0; i < 500 && ReadFile(pushLog).find("written") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(ReadFile(pushLog).find("40 record(s) written"), std::string::npos);

    RunCommand("printf 'x\\ny\\n' | " + ToolCommand("queue push Ticks"), out);
    ASSERT_EQ(RunTool("queue watch --count 2 --interval 100", out), 0);
    EXPECT_NE(out.find("  0 Ticks"), std::string::npos) << out;
    EXPECT_NE(out.find("2 rec       - w/s       - r/s  err 0\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find("2 rec       0 w/s       0 r/s  err 0\n\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("SYNC STUCK"), std::string::npos) << out;

    // A copy left unfinished shows once `sync` stays 1 across two refreshes.
    MEM_MAPFILE map = {};
    ASSERT_TRUE(s_MapFile_OpenMapFile(&map, "Ticks"));
    static_cast<tagSHMHEADER*>(map.pView)->sync = 1;
    ASSERT_EQ(RunTool("queue watch --count 2 --interval 100", out), 0);
    size_t second = out.find("\n\n");
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_EQ(out.substr(0, second).find("SYNC STUCK"), std::string::npos) << out;
    EXPECT_NE(out.find("SYNC STUCK: needs s_MapFile_ResetQue", second), std::string::npos) << out;
    s_MapFile_CloseMapFile(&map, true);

    EXPECT_EQ(RunTool("queue watch --interval 10", out), 2);  // below 50 ms
    // The host removes its queue; this process, a client of the registry now, keeps that alive.
    RunCommand("kill -INT " + host + "; wait " + host + " 2>/dev/null; sleep 0.2", out);
    EXPECT_EQ(RunTool("queue watch --count 1", out), 0);
    EXPECT_EQ(out, "(no queue is registered)\n\n");
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
