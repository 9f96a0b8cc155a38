// SPDX-License-Identifier: Apache-2.0
// halcyon queue in an operator's hands, with real processes: a second owner, a demonstration and
// a take-over beside a live host; pop into a full disk, a pipe whose reader leaves, and records a
// line cannot carry; clients without an owner; a stuck queue and its reset.
#include "tools/ToolRuns.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN

// What `queue stat` shows for a queue that holds `count` records.
ToolRun Holds(const std::string& queue, const std::string& count) {
    return {ToolCommand("queue stat " + queue + " --wait-owner 0"), 0,
            "count       " + count + "\n"};
}

TEST(QueueSafety, LiveQueuesOutliveASecondHostAndTheDemo) {
    QueueHost first("FEED FEED_B --size 8");
    ASSERT_TRUE(first.Hosting());
    const auto listed = [] {
        ExpectRuns(
            {{ToolCommand("queue list"), 0, "  0  FEED\n  1  FEED_B\n"}, Holds("FEED", "3")});
    };
    ExpectRuns("",
               {{"printf 'q1\\nq2\\nq3\\n' | " + ToolCommand("queue push FEED"), 0, "3 record(s)"},
                {ToolCommand("queue host FEED2"), 1,
                 "owned by process " + first.Pid() + " (halcyon queue host FEED FEED_B)"},
                {ToolCommand("queue host FEED"), 1, "stop it first"},
                {ToolCommand("demo --records 500"), 0, "500 intact, 0 damaged, 0 missing"},
                {ToolCommand("demo --records 500 --live"), 0,
                 "joined the running queue registry (owner: process " + first.Pid() +
                     " (halcyon queue host FEED FEED_B))"}},
               listed);
    ExpectRuns({{ToolCommand("queue pop FEED"), 0, "q1\nq2\nq3\n", true}});

    // Taken over on purpose: the first host's queues leave the registry; a client looking for one
    // is told so instead of waiting for ever for a name that will not come back.
    QueueHost second("OTHER --take-over");
    ASSERT_TRUE(second.Hosting());
    std::string list;
    RunTool("queue list", list);
    EXPECT_EQ(list.find("FEED"), std::string::npos) << list;
    ExpectRuns({{ToolCommand("queue stat FEED --wait-owner 1"), 1,
                 "held by processes but not in the registry"}});
}

// Child: a terminal's way to own the registry (no mark of the tool's): queue args[0], then the
// file args[1] as a sign that it is ready; it closes its queue and ends once file args[2] exists.
int TerminalOwner(const std::vector<std::string>& args) {
    s_MapFile_Initialize(true);
    short id = s_MapFile_CreateQue(args[0].c_str(), 4);
    if (id < 0) return 1;
    WriteFile(args[1], "ready");
    for (int i = 0; i < 6000 && !FileExists(args[2]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    s_MapFile_CloseQue(id, true);
    return 0;
}
const ChildRole kTerminalOwner("terminal-owner", TerminalOwner);

TEST(QueueSafety, AnOwnerThatLeftNoMarkIsKnownByItsQueues) {
    const std::string folder = MakeScratchFolder("terminal");
    const int terminal =
        StartChild("terminal-owner", {"TERM", folder + "/ready", folder + "/stop"});
    for (int i = 0; i < 500 && !FileExists(folder + "/ready"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(FileExists(folder + "/ready"));
    const auto listed = [] { ExpectRuns({{ToolCommand("queue list"), 0, "  0  TERM\n"}}); };
    ExpectRuns(
        ToolCommand(""),
        {{"queue host OTHER", 1, "holds queues in use (TERM) and its owner is not a halcyon"},
         {"demo --records 100 --live", 0, "joined the running queue registry (owner: not a"}},
        listed);
    WriteFile(folder + "/stop", "stop");
    EXPECT_EQ(WaitChild(terminal), 0);
}

TEST(QueueSafety, PopTakesARecordOnlyOnceItIsWrittenOut) {
    QueueHost host("POP --size 4");
    ASSERT_TRUE(host.Hosting());
    std::string out;
    ASSERT_EQ(RunCommand("seq 1 100 | " + ToolCommand("queue push POP"), out), 0) << out;
    const std::string dir = MakeScratchFolder("pop");
    WriteFile(dir + "/lines", "a\nb");
    WriteFile(dir + "/nul", std::string("c\0d", 3));
    const struct {
        std::string command;
        int code;
        std::string output;  // "" for none
        const char* left;    // records still queued after it
    } steps[] = {
        {"(" + ToolCommand("queue pop POP") + " > /dev/full)", 1, "No space left on device", "100"},
        {ToolCommand("queue pop POP") + " | head -n 1", 0, "1\n", "99"},
        {ToolCommand("queue pop POP --count 97 --null") + " > /dev/null", 0, "", "2"},
        {ToolCommand("queue pop POP --hex"), 0, "3939\n313030\n", "0"},
        // Records that a framing cannot carry stay queued, and another framing carries them.
        {ToolCommand("queue push POP '" + dir + "/lines' '" + dir + "/nul'"), 0, "", "2"},
        {ToolCommand("queue pop POP"), 1, "record 1 holds a line break", "2"},
        {ToolCommand("queue pop POP --null --count 1"), 0, std::string("a\nb\0", 4), "1"},
        {ToolCommand("queue pop POP --null"), 1, "holds a NUL byte", "1"},
        {ToolCommand("queue pop POP --hex"), 0, "630064\n", "0"},
        {"printf '00ff41\\n' | " + ToolCommand("queue push POP --hex"), 0, "", "1"},
        {ToolCommand("queue pop POP") + " | od -An -tx1", 0, " 00 ff 41 0a\n", "0"},
        {"printf '0g\\n' | " + ToolCommand("queue push POP --hex"), 1, "'0g' is not a hexadecimal",
         "0"},
        {ToolCommand("queue pop POP --hex --null"), 2, "exclude each other", "0"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(RunCommand(s.command, out), s.code) << s.command << ": " << out;
        EXPECT_NE(out.find(s.output), std::string::npos) << s.command << ": " << out;
        ExpectRuns({Holds("POP", s.left)});
    }
}

TEST(QueueSafety, ClientsGiveUpOnAMissingOwnerAndAStuckQueueIsReset) {
    // A namespace where no process ever made a registry: a client that waits and one that does not.
    const std::string empty = MakeScratchFolder("no-owner");
    ASSERT_EQ(chmod(empty.c_str(), 0700), 0);
    ExpectRuns("HALCYON_KERNEL_DIR='" + empty + "' " + ToolCommand(""),
               {{"queue push NONE --wait-owner 1", 1, "no queue registry is running (waited"},
                {"queue reset NONE --wait-owner 0", 1, "'halcyon queue host NAME'"}});
    QueueHost host("STUCK --size 4");
    ASSERT_TRUE(host.Hosting());
    ExpectRuns({{"printf 'x\\ny\\n' | " + ToolCommand("queue push STUCK"), 0, "2 record(s)"},
                {ToolCommand("queue pop NOPE --wait-owner 0"), 1,
                 "no queue named 'NOPE' (registered: STUCK)"}});
    // A process that died while copying leaves `sync` at 1.
    MEM_MAPFILE map = {};
    ASSERT_TRUE(s_MapFile_OpenMapFile(&map, "STUCK"));
    static_cast<tagSHMHEADER*>(map.pView)->sync = 1;
    ExpectRuns(ToolCommand(""),
               {{"queue pop STUCK", 1, "SYNC STUCK): 'halcyon queue reset STUCK' clears it"},
                {"queue reset STUCK", 0, "'STUCK' reset: 2 record(s) dropped, unfinished copy"}});
    EXPECT_EQ(static_cast<tagSHMHEADER*>(map.pView)->sync, 0);
    s_MapFile_CloseMapFile(&map, false);
    ExpectRuns({{"echo z | " + ToolCommand("queue push STUCK"), 0, "1 record(s) written"},
                {ToolCommand("queue pop STUCK"), 0, "z\n", true}});
}

#else

TEST(QueueSafety, LiveQueuesOutliveASecondHostAndTheDemo) {
    GTEST_SKIP() << "the shell pipelines of these tests are POSIX ones";
}

#endif

}  // namespace
