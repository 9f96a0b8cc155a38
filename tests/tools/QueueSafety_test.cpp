// SPDX-License-Identifier: Apache-2.0
// halcyon queue in an operator's hands, with real processes: a second owner, a demonstration and
// a take-over beside a live host; pop into a full disk, a pipe whose reader leaves, and records a
// line cannot carry; clients without an owner; a stuck queue and its reset.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN

// A `halcyon queue host` running in the background, stopped with Ctrl-C at the end of its scope.
class Host {
  public:
    explicit Host(const std::string& args) : log_(MakeScratchFolder("host-" + Id()) + "/log") {
        std::string out;
        RunCommand(ToolCommand("queue host " + args) + " > '" + log_ + "' 2>&1 & echo $!", out);
        pid_ = out.substr(0, out.find('\n'));
        for (int i = 0; i < 500 && !Hosting(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Host() {
        std::string out;
        RunCommand("kill -INT " + pid_ + " 2>/dev/null; while kill -0 " + pid_ +
                       " 2>/dev/null; do sleep 0.05; done",
                   out);
    }
    bool Hosting() const { return ReadFile(log_).find("hosting") != std::string::npos; }
    const std::string& Pid() const { return pid_; }

  private:
    static std::string Id() {
        static int next = 0;
        return std::to_string(next++);
    }
    std::string log_;
    std::string pid_;
};

std::string Tool(const std::string& args, int& code) {
    std::string out;
    code = RunTool(args, out);
    return out;
}

std::string Count(const std::string& queue) {
    int code = 0;
    std::string stat = Tool("queue stat " + queue + " --wait-owner 0", code);
    size_t at = stat.find("count       ");
    return at == std::string::npos ? stat : stat.substr(at + 12, stat.find('\n', at) - at - 12);
}

TEST(QueueSafety, LiveQueuesOutliveASecondHostAndTheDemo) {
    Host first("FEED FEED_B --size 8");
    ASSERT_TRUE(first.Hosting());
    std::string out;
    ASSERT_EQ(RunCommand("printf 'q1\\nq2\\nq3\\n' | " + ToolCommand("queue push FEED"), out), 0)
        << out;
    const struct {
        std::string args;
        int code;
        std::string output;
    } cases[] = {
        {"queue host FEED2", 1,
         "owned by process " + first.Pid() + " (halcyon queue host FEED FEED_B)"},
        {"queue host FEED", 1, "stop it first"},
        {"demo --records 500", 0, "500 intact, 0 damaged, 0 missing"},
        {"demo --records 500 --live", 0,
         "joined the running queue registry (owner: process " + first.Pid() +
             " (halcyon queue host FEED FEED_B))"},
    };
    for (const auto& c : cases) {
        int code = 0;
        std::string said = Tool(c.args, code);
        EXPECT_EQ(code, c.code) << c.args << ": " << said;
        EXPECT_NE(said.find(c.output), std::string::npos) << c.args << ": " << said;
        int listed = 0;
        EXPECT_NE(Tool("queue list", listed).find("  0  FEED\n  1  FEED_B\n"), std::string::npos)
            << "after " << c.args;
        EXPECT_EQ(Count("FEED"), "3") << "after " << c.args;
    }
    int code = 0;
    EXPECT_EQ(Tool("queue pop FEED", code), "q1\nq2\nq3\n");

    // Taken over on purpose: the first host's queues leave the registry; a client looking for one
    // is told so instead of waiting for ever for a name that will not come back.
    Host second("OTHER --take-over");
    ASSERT_TRUE(second.Hosting());
    EXPECT_EQ(Tool("queue list", code).find("FEED"), std::string::npos);
    std::string said = Tool("queue stat FEED --wait-owner 1", code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("held by processes but not in the registry"), std::string::npos) << said;
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
    struct Stopped {
        std::string stop;
        int pid;
        ~Stopped() {
            WriteFile(stop, "stop");
            EXPECT_EQ(WaitChild(pid), 0);
        }
    } terminal{folder + "/stop",
               StartChild("terminal-owner", {"TERM", folder + "/ready", folder + "/stop"})};
    for (int i = 0; i < 500 && !FileExists(folder + "/ready"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(FileExists(folder + "/ready"));
    const struct {
        const char* args;
        int code;
        const char* output;
    } cases[] = {
        {"queue host OTHER", 1, "holds queues in use (TERM) and its owner is not a halcyon host"},
        {"demo --records 100 --live", 0, "joined the running queue registry (owner: not a halcyon"},
    };
    for (const auto& c : cases) {
        int code = 0;
        std::string said = Tool(c.args, code);
        EXPECT_EQ(code, c.code) << c.args << ": " << said;
        EXPECT_NE(said.find(c.output), std::string::npos) << c.args << ": " << said;
        EXPECT_NE(Tool("queue list", code).find("  0  TERM\n"), std::string::npos) << c.args;
    }
}

TEST(QueueSafety, PopTakesARecordOnlyOnceItIsWrittenOut) {
    Host host("POP --size 4");
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
        EXPECT_EQ(Count("POP"), s.left) << s.command;
    }
}

TEST(QueueSafety, ClientsGiveUpOnAMissingOwnerAndAStuckQueueIsReset) {
    // A namespace where no process ever made a registry.
    const std::string empty = MakeScratchFolder("no-owner");
    ASSERT_EQ(chmod(empty.c_str(), 0700), 0);
    int code = 0;
    for (const char* args : {"queue push NONE --wait-owner 1", "queue list --wait-owner 0",
                             "queue reset NONE --wait-owner 0"}) {
        std::string said;
        code = RunCommand("HALCYON_KERNEL_DIR='" + empty + "' " + ToolCommand(args), said);
        EXPECT_EQ(code, 1) << args;
        EXPECT_NE(said.find("no queue registry is running (waited"), std::string::npos) << said;
        EXPECT_NE(said.find("'halcyon queue host NAME'"), std::string::npos) << said;
    }
    Host host("STUCK --size 4");
    ASSERT_TRUE(host.Hosting());
    std::string out;
    ASSERT_EQ(RunCommand("printf 'x\\ny\\n' | " + ToolCommand("queue push STUCK"), out), 0);
    EXPECT_NE(Tool("queue pop NOPE --wait-owner 0", code)
                  .find("no queue named 'NOPE' (registered: "
                        "STUCK)"),
              std::string::npos);
    // A process that died while copying leaves `sync` at 1.
    MEM_MAPFILE map = {};
    ASSERT_TRUE(s_MapFile_OpenMapFile(&map, "STUCK"));
    static_cast<tagSHMHEADER*>(map.pView)->sync = 1;
    std::string said = Tool("queue pop STUCK", code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("SYNC STUCK): 'halcyon queue reset STUCK' clears it"), std::string::npos)
        << said;
    EXPECT_EQ(Count("STUCK"), "2");
    said = Tool("queue reset STUCK", code);
    EXPECT_EQ(code, 0) << said;
    EXPECT_NE(said.find("'STUCK' reset: 2 record(s) dropped, unfinished copy cleared"),
              std::string::npos)
        << said;
    EXPECT_EQ(static_cast<tagSHMHEADER*>(map.pView)->sync, 0);
    s_MapFile_CloseMapFile(&map, false);
    ASSERT_EQ(RunCommand("echo z | " + ToolCommand("queue push STUCK"), out), 0) << out;
    EXPECT_EQ(Tool("queue pop STUCK", code), "z\n");
}

#else

TEST(QueueSafety, LiveQueuesOutliveASecondHostAndTheDemo) {
    GTEST_SKIP() << "the shell pipelines of these tests are POSIX ones";
}

#endif

}  // namespace
