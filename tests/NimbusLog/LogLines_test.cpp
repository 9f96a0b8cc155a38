// What a log writes: its registry, the system and debug lines, the path limit, many threads and
// a second process at once.
#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace {

using halcyon::test::LinesOf;

// The lines `log` wrote, each without its "hh:mm:ss:mmm\t" (checked for its shape).
template <class Log>
std::vector<std::string> BodiesOf(Log& log) {
    std::vector<std::string> lines = LinesOf(halcyon::test::DayFileOf(log.GetLogFile()));
    for (std::string& line : lines) {
        int h, m, s, ms;
        EXPECT_EQ(std::sscanf(line.c_str(), "%2d:%2d:%2d:%3d\t", &h, &m, &s, &ms), 4) << line;
        EXPECT_TRUE(line.size() > 13 && line[12] == '\t' && h < 24 && m < 60 && s < 60) << line;
        line.erase(0, 13);
    }
    return lines;
}

TEST(NimbusLog, RegistryHandsOutOneObjectPerKindAndExactName) {
    CSystemLog* orders = s_NimbusLogGetSystemLogObj("orders");
    ASSERT_NE(orders, nullptr);
    EXPECT_EQ(s_NimbusLogGetSystemLogObj(CString("orders")), orders);
    EXPECT_NE(s_NimbusLogGetSystemLogObj("Orders"), orders);
    CDebugLog* debug = s_NimbusLogGetDebugLogObj("orders");
    ASSERT_NE(debug, nullptr);
    EXPECT_FALSE(orders->Init("orders"));
    CDebugLog idle;  // not initialised: writes nothing
    EXPECT_FALSE(idle.Write("f", 1, "m"));
    EXPECT_FALSE(idle.Init(nullptr));
    EXPECT_STREQ(CDebugLog::GetVersion(), "1.1.0R01");

    // root\ + \orders\ + \system\: the folder keeps the doubled separators it is formed with.
    std::string root = halcyon::test::RootWindowsPath() + "\\LOG\\";
    EXPECT_EQ(std::string(orders->GetLogFile()->GetFolder()), root + "\\orders\\\\system\\");
    EXPECT_EQ(std::string(debug->GetLogFile()->GetFolder()), root + "\\orders\\\\debug\\");
    EXPECT_TRUE(halcyon::test::IsFolder(halcyon::test::RootHostPath() + "/LOG/orders/debug"));
    EXPECT_STREQ(orders->GetLogFile()->GetFileName(), "");  // no file before the first write
}

TEST(NimbusLog, LinesCarryLevelValueTextsAndSourceName) {
    CSystemLog system;
    ASSERT_TRUE(system.Init("levels"));
    const struct {
        int level, value;
        const char *text1, *text2, *body;
    } lines[] = {
        {0, 0, "a", "b", "INFO    \t0\ta\tb"},
        {1, -7, "x y", "", "WARNING \t-7\tx y\t"},
        {4, 2147483647, "", "z", "CRITICAL\t2147483647\t\tz"},
        {-1, -1, nullptr, nullptr, "INFO    \t-1\t(null)\t(null)"},
        {1000, 0, "%s%d", "100%", "INFO    \t0\t%s%d\t100%"},
    };
    for (const auto& c : lines) EXPECT_TRUE(system.Write(c.level, c.value, c.text1, c.text2));
    CDebugLog debug;
    ASSERT_TRUE(debug.Init("sources"));
    const struct {
        const char* source;
        int line;
        const char *message, *body;
    } debugLines[] = {
        {"C:\\src\\orders\\Book.cpp", 12, "m", "Book.cpp            \t12\tm"},
        {"\\a\\TwentyOneCharsLong.cpp", -1, "", "TwentyOneCharsLong.cpp\t-1\t"},
        {nullptr, 2, nullptr, "(null)              \t2\t(null)"},
    };
    for (const auto& c : debugLines) EXPECT_TRUE(debug.Write(c.source, c.line, c.message));
    std::vector<std::string> want;
    for (const auto& c : lines) want.emplace_back(c.body);
    EXPECT_EQ(BodiesOf(system), want);
    want.clear();
    for (const auto& c : debugLines) want.emplace_back(c.body);
    EXPECT_EQ(BodiesOf(debug), want);
}

// Paths are kept within 260 bytes with their terminator: a day file whose full name needs 259
// characters is written, one that needs 260 is not, and nothing is written anywhere else.
TEST(NimbusLog, ADayFilePathPastTheBufferFailsTheWriteCleanly) {
    CSystemLog probe;
    ASSERT_TRUE(probe.Init("p"));
    // Folder root\\p\\system\ is root + 11; the file path adds "S<name>_YYYYMMDD.log".
    const int root = probe.GetLogFile()->GetFolder().GetLength() - 11;
    const int fits = (MAX_PATH - 1 - root - 24) / 2;
    ASSERT_GT(fits, 1);
    for (int length : {fits, fits + 1, 5000}) {
        CSystemLog log;
        ASSERT_TRUE(log.Init(std::string(static_cast<size_t>(length), 'n').c_str()));
        const bool written = length == fits;
        EXPECT_EQ(log.Write(1, 1, "a", "b"), written) << length;
        CString file = log.GetLogFile()->GetFolder() + log.GetLogFile()->GetFileName();
        EXPECT_EQ(file.GetLength(), root + 2 * length + 24);
        EXPECT_EQ(halcyon::test::FileExists(halcyon::HostPath(file)), written) << length;
    }
}

// Threads writing one log through the registry: every line arrives whole, once, and each
// thread's lines in the order it wrote them. Long texts make a torn line likely if the lock
// did not hold across the formatting and the flush.
TEST(NimbusLogThreads, LinesOfManyThreadsNeverMixOrGetLost) {
    constexpr int kThreads = 4;
    constexpr int kLines = 1500;
    const std::string padding(300, 'p');
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            CSystemLog* log = s_NimbusLogGetSystemLogObj("threads");
            std::string name = "thread" + std::to_string(t);
            for (int i = 0; i < kLines; ++i) log->Write(t, i, name.c_str(), padding.c_str());
        });
    }
    for (std::thread& w : writers) w.join();
    std::vector<std::string> lines = BodiesOf(*s_NimbusLogGetSystemLogObj("threads"));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    const char* levels[] = {"INFO    ", "WARNING ", "MEDIUM  ", "HIGH    "};
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        size_t at = line.find("\tthread");
        int t = at == std::string::npos ? 0 : line[at + 7] - '0';
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(line, std::string(levels[t]) + "\t" + std::to_string(next[t]++) + "\tthread" +
                            std::to_string(t) + "\t" + padding);
    }
}

// Child role: one system line to log "shared"; exits 0 when written, 3 when refused.
int WriteShared(const std::vector<std::string>& args) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("shared");
    return log != nullptr && log->Write(0, 2, "child", args[0].c_str()) ? 0 : 3;
}
halcyon::test::ChildRole writeShared("log-write-shared", WriteShared);

int RunWriter(const char* text) {
    return halcyon::test::WaitChild(halcyon::test::StartChild("log-write-shared", {text}));
}

// One process at a time writes a day file: while this process holds it, another process's
// writes fail (and so do those of a second object here); once it lets go, they succeed.
TEST(NimbusLogProcesses, ADayFileHasOneWritingProcessAtATime) {
    std::string file;
    {
        CSystemLog holder;
        ASSERT_TRUE(holder.Init("shared"));
        ASSERT_TRUE(holder.Write(0, 1, "holder", "first"));
        file = halcyon::test::DayFileOf(holder.GetLogFile());
        EXPECT_EQ(RunWriter("while held"), 3);
        CSystemLog second;
        ASSERT_TRUE(second.Init("shared"));
        EXPECT_FALSE(second.Write(0, 1, "second object", ""));
        ASSERT_TRUE(holder.Write(0, 1, "holder", "last"));
    }
    EXPECT_EQ(RunWriter("after"), 0);
    std::vector<std::string> lines = LinesOf(file);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].substr(13), "INFO    \t1\tholder\tfirst");
    EXPECT_EQ(lines[1].substr(13), "INFO    \t1\tholder\tlast");
    EXPECT_EQ(lines[2].substr(13), "INFO    \t2\tchild\tafter");
}

}  // namespace
