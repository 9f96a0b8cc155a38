#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using halcyon::test::DayFileOf;
using halcyon::test::LinesOf;
using halcyon::test::RootWindowsPath;

// "hh:mm:ss:mmm\t" with a time that could be one.
bool StartsWithTime(const std::string& line) {
    int h, m, sec, ms;
    return std::sscanf(line.c_str(), "%2d:%2d:%2d:%3d\t", &h, &m, &sec, &ms) == 4 &&
           line.size() > 13 && line[12] == '\t' && h < 24 && m < 60 && sec < 60;
}

// The lines `log` wrote, each without its time, all checked for their time and CR LF.
template <class Log>
std::vector<std::string> BodiesOf(Log& log) {
    bool whole = false;
    std::vector<std::string> lines = LinesOf(DayFileOf(log.GetLogFile()), whole);
    EXPECT_TRUE(whole);
    for (std::string& line : lines) {
        EXPECT_TRUE(StartsWithTime(line)) << line;
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
    EXPECT_EQ(s_NimbusLogGetDebugLogObj("orders"), debug);
    EXPECT_FALSE(orders->Init("orders"));
    EXPECT_FALSE(debug->Init("other"));
    CDebugLog idle;  // not initialised: writes nothing
    EXPECT_FALSE(idle.Write("f", 1, "m"));
    EXPECT_FALSE(idle.Init(nullptr));
    EXPECT_STREQ(CSystemLog::GetVersion(), "1.1.0R01");
    EXPECT_STREQ(CDebugLog::GetVersion(), "1.1.0R01");

    // root\ + \orders\ + \system\: the folder keeps the doubled separators it is formed with.
    std::string root = RootWindowsPath() + "\\LOG\\";
    EXPECT_EQ(std::string(orders->GetLogFile()->GetFolder()), root + "\\orders\\\\system\\");
    EXPECT_EQ(std::string(debug->GetLogFile()->GetFolder()), root + "\\orders\\\\debug\\");
    EXPECT_TRUE(halcyon::test::IsFolder(halcyon::test::RootHostPath() + "/LOG/orders/debug"));
    EXPECT_STREQ(orders->GetLogFile()->GetFileName(), "");  // no file before the first write
}

TEST(NimbusLog, SystemLinesCarryLevelValueAndTexts) {
    CSystemLog log;
    ASSERT_TRUE(log.Init("levels"));
    struct Case {
        int level;
        int value;
        const char* text1;
        const char* text2;
        const char* body;
    } cases[] = {
        {0, 0, "a", "b", "INFO    \t0\ta\tb"},
        {1, -7, "x y", "", "WARNING \t-7\tx y\t"},
        {2, 2147483647, "", "z", "MEDIUM  \t2147483647\t\tz"},
        {4, 4, "a", "b", "CRITICAL\t4\ta\tb"},
        {-1, -1, nullptr, nullptr, "INFO    \t-1\t(null)\t(null)"},
        {1000, 0, "%s%d", "100%", "INFO    \t0\t%s%d\t100%"},
    };
    for (const Case& c : cases) EXPECT_TRUE(log.Write(c.level, c.value, c.text1, c.text2));
    std::vector<std::string> bodies = BodiesOf(log);
    ASSERT_EQ(bodies.size(), std::size(cases));
    for (size_t i = 0; i < bodies.size(); ++i) EXPECT_EQ(bodies[i], cases[i].body);
}

TEST(NimbusLog, DebugLinesCarryTheSourceFilesOwnName) {
    CDebugLog log;
    ASSERT_TRUE(log.Init("sources"));
    struct Case {
        const char* source;
        int line;
        const char* message;
        const char* body;
    } cases[] = {
        {"C:\\src\\orders\\Book.cpp", 12, "m", "Book.cpp            \t12\tm"},
        {"Plain.cpp", -1, "", "Plain.cpp           \t-1\t"},
        {"\\a\\TwentyOneCharsLong.cpp", 7, "y", "TwentyOneCharsLong.cpp\t7\ty"},
        {nullptr, 2, nullptr, "(null)              \t2\t(null)"},
    };
    for (const Case& c : cases) EXPECT_TRUE(log.Write(c.source, c.line, c.message));
    std::vector<std::string> bodies = BodiesOf(log);
    ASSERT_EQ(bodies.size(), std::size(cases));
    for (size_t i = 0; i < bodies.size(); ++i) EXPECT_EQ(bodies[i], cases[i].body);
}

// Paths are kept within 260 bytes with their terminator: a day file whose full name needs 259
// characters is written, one that needs 260 is not, and nothing is written anywhere else.
TEST(NimbusLog, ADayFilePathPastTheBufferFailsTheWriteCleanly) {
    CSystemLog probe;
    ASSERT_TRUE(probe.Init("p"));
    // Folder root\\p\\system\ is root + 11; the file path adds "S<name>_YYYYMMDD.log".
    const int root = probe.GetLogFile()->GetFolder().GetLength() - 11;
    auto pathLength = [root](int n) { return root + 2 * n + 24; };
    int fits = (MAX_PATH - 1 - root - 24) / 2;
    ASSERT_GT(fits, 1);
    ASSERT_LE(pathLength(fits), MAX_PATH - 1);
    ASSERT_GE(pathLength(fits + 1), MAX_PATH);
    struct Case {
        int nameLength;
        bool written;
    } cases[] = {{fits, true}, {fits + 1, false}, {300, false}, {5000, false}};
    for (const Case& c : cases) {
        CSystemLog log;
        ASSERT_TRUE(log.Init(std::string(static_cast<size_t>(c.nameLength), 'n').c_str()));
        EXPECT_EQ(log.Write(1, 1, "a", "b"), c.written) << c.nameLength;
        CString file = log.GetLogFile()->GetFolder() + log.GetLogFile()->GetFileName();
        EXPECT_EQ(halcyon::test::FileExists(halcyon::HostPath(file)), c.written) << c.nameLength;
        EXPECT_EQ(log.Write(1, 2, "again", ""), c.written) << c.nameLength;
        EXPECT_EQ(file.GetLength(), pathLength(c.nameLength));
    }
}

}  // namespace
