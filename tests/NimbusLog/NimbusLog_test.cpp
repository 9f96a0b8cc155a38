// SPDX-License-Identifier: Apache-2.0
// The leveled daily logs: where they go, what a log writes (its registry, the system and debug
// lines, the path limit, many threads and a second process at once), and on the Linux stand-in,
// the day files and their retention against a wall clock the test sets.
#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <tuple>
#include <vector>

#if HALCYON_STAND_IN
#include "Platform/posix/base/SysCalls.h"

#include <utime.h>
#include <ctime>
#endif

namespace {

using namespace halcyon::test;

// The host path of the day file a log writes now ("" before its first write).
std::string DayFileOf(CLogFileImpl* log) {
    CString name = log->GetFileName();
    return name.IsEmpty() ? std::string() : halcyon::HostPath(log->GetFolder() + name);
}

// The lines of a file without their CR LF, and without their first `skip` bytes (13 skip the time,
// "hh:mm:ss:mmm\t"); a last line that lacks its CR LF ends in "<cut>".
std::vector<std::string> LinesOf(const std::string& path, size_t skip = 0) {
    std::string text = ReadFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start).substr(std::min(skip, end - start)));
    }
    if (start < text.size()) lines.push_back(text.substr(start) + "<cut>");
    return lines;
}

TEST(NimbusLog, RegistryHandsOutOneObjectPerKindAndExactNameBelowTheRoot) {
    CSystemLog* orders = s_NimbusLogGetSystemLogObj("orders");
    ASSERT_NE(orders, nullptr);
    EXPECT_EQ(s_NimbusLogGetSystemLogObj(CString("orders")), orders);
    EXPECT_NE(s_NimbusLogGetSystemLogObj("Orders"), orders);
    CDebugLog* debug = s_NimbusLogGetDebugLogObj("orders");
    ASSERT_NE(debug, nullptr);
    EXPECT_FALSE(orders->Init("orders"));
    EXPECT_FALSE(CDebugLog().Write("f", 1, "m"));  // not initialised: writes nothing
    EXPECT_STREQ(CDebugLog::GetVersion(), "1.1.0R01");

    // root\ + \orders\ + \system\: the folder keeps the doubled separators it is formed with.
    std::string root = RootWindowsPath() + "\\LOG\\";
    EXPECT_EQ(std::string(orders->GetLogFile()->GetFolder()), root + "\\orders\\\\system\\");
    EXPECT_EQ(std::string(debug->GetLogFile()->GetFolder()), root + "\\orders\\\\debug\\");
    EXPECT_STREQ(orders->GetLogFile()->GetFileName(), "");  // no file before the first write

    // A name that would lead out of the log root is refused, as language-file names are: no
    // object, no folder made elsewhere.
    const char* names[] = {"..\\escaped", "..", "...", ". .", "sub/escaped", "C:escaped"};
    for (const char* name : names) {
        EXPECT_EQ(s_NimbusLogGetSystemLogObj(name), nullptr) << name;
        EXPECT_EQ(s_NimbusLogGetDebugLogObj(name), nullptr) << name;
    }
    EXPECT_FALSE(FileExists(RootHostPath() + "/escaped"));
    // Windows drops the blank ending the folder's name; Wine keeps it, and then cannot remove
    // the folder: the row runs on the stand-in only.
    EXPECT_NE(s_NimbusLogGetSystemLogObj(HALCYON_STAND_IN ? "plain.name " : "plain.name"), nullptr);
}

TEST(NimbusLog, LinesCarryLevelValueTextsAndSourceName) {
    CSystemLog system;
    CDebugLog debug;
    ASSERT_TRUE(system.Init("levels") && debug.Init("sources"));
    // The level, value and texts written, and the line they make after its time.
    const std::tuple<int, int, const char*, const char*, const char*> lines[] = {
        {1, -7, "x y", "", "WARNING \t-7\tx y\t"},
        {4, 2147483647, "", "z", "CRITICAL\t2147483647\t\tz"},
        {-1, -1, nullptr, nullptr, "INFO    \t-1\t(null)\t(null)"},
        {1000, 0, "%s%d", "100%", "INFO    \t0\t%s%d\t100%"},
    };
    // The source file, line and message written, and the line they make after its time.
    const std::tuple<const char*, int, const char*, const char*> debugLines[] = {
        {"C:\\src\\orders\\Book.cpp", 12, "m", "Book.cpp            \t12\tm"},
        {"\\a\\TwentyOneCharsLong.cpp", -1, "", "TwentyOneCharsLong.cpp\t-1\t"},
        {nullptr, 2, nullptr, "(null)              \t2\t(null)"},
    };
    std::vector<std::string> want, debugWant;
    for (const auto& [level, value, text1, text2, body] : lines) {
        EXPECT_TRUE(system.Write(level, value, text1, text2));
        want.emplace_back(body);
    }
    for (const auto& [source, line, message, body] : debugLines) {
        EXPECT_TRUE(debug.Write(source, line, message));
        debugWant.emplace_back(body);
    }
    EXPECT_EQ(LinesOf(DayFileOf(system.GetLogFile()), 13), want);
    EXPECT_EQ(LinesOf(DayFileOf(debug.GetLogFile()), 13), debugWant);
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
        EXPECT_EQ(FileExists(halcyon::HostPath(file)), written) << length;
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
    std::vector<std::string> lines =
        LinesOf(DayFileOf(s_NimbusLogGetSystemLogObj("threads")->GetLogFile()), 13);
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
ChildRole writeShared("log-write-shared", WriteShared);

// One process at a time writes a day file: while this process holds it, another process's
// writes fail (and so do those of a second object here); once it lets go, they succeed.
TEST(NimbusLogProcesses, ADayFileHasOneWritingProcessAtATime) {
    std::string file;
    {
        CSystemLog holder;
        ASSERT_TRUE(holder.Init("shared"));
        ASSERT_TRUE(holder.Write(0, 1, "holder", "first"));
        file = DayFileOf(holder.GetLogFile());
        EXPECT_EQ(WaitChild(StartChild("log-write-shared", {"while held"})), 3);
        CSystemLog second;
        ASSERT_TRUE(second.Init("shared"));
        EXPECT_FALSE(second.Write(0, 1, "second object", ""));
        ASSERT_TRUE(holder.Write(0, 1, "holder", "last"));
    }
    EXPECT_EQ(WaitChild(StartChild("log-write-shared", {"after"})), 0);
    const std::vector<std::string> want = {
        "INFO    \t1\tholder\tfirst", "INFO    \t1\tholder\tlast", "INFO    \t2\tchild\tafter"};
    EXPECT_EQ(LinesOf(file, 13), want);
}

TEST(NimbusLogRoot, BinOrSpuInAnyCaseLogBesideTheFolderOthersBelowIt) {
    const std::pair<const char*, const char*> cases[] = {
        // an executable, and its log root
        {"C:\\Nimbus\\BIN\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\sPu\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\BINS\\t.exe", "C:\\Nimbus\\BINS\\LOGS\\"},
        {"C:\\SPU\\Other\\t.exe", "C:\\SPU\\Other\\LOGS\\"},
        {"BIN\\t.exe", "\\LOG\\"},
        {"t.exe", "t.exe\\LOGS\\"},
        {"", "\\LOGS\\"},
    };
    for (const auto& [exe, root] : cases)
        EXPECT_STREQ(halcyon::nimbuslog::LogRootOf(exe), root) << exe;
}

#if HALCYON_STAND_IN
// While it lives, the stand-in's wall clock reads the local time last Set (its milliseconds
// included); other clocks run on. The time zone is the test process's own.
struct FakeWallClock {
    FakeWallClock() { win::posix::Sys().clock_gettime = Read; }
    ~FakeWallClock() { win::posix::Sys().clock_gettime = win::posix::RealSysCalls().clock_gettime; }

    // Sets local time `when`, "YYYY-MM-DD hh:mm:ss.mmm"; returns the seconds since 1970 it is.
    static long long Set(const char* when) {
        std::tm tm = {};
        int millisecond = 0;
        std::sscanf(when, "%d-%d-%d %d:%d:%d.%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &millisecond);
        tm.tm_year -= 1900;
        tm.tm_mon -= 1;
        tm.tm_isdst = -1;
        s_now = {std::mktime(&tm), millisecond * 1000000L};
        return s_now.tv_sec;
    }
    static int Read(clockid_t clock, timespec* now) {
        if (clock != CLOCK_REALTIME) return win::posix::RealSysCalls().clock_gettime(clock, now);
        *now = s_now;
        return 0;
    }
    static inline timespec s_now;
};

// A new file opens when the day of the month changes: each step sets the clock, writes one line
// and names the file it must reach. Then the retention, which counts whole seconds: a file written
// exactly keep × 86400 seconds before the open stays, one a second older goes. Only the log's own
// kind and name are touched.
TEST(NimbusLogDays, ANewFileEachDayOfTheMonthAndTheRetentionOfPastDays) {
    FakeWallClock clock;
    // When, the file, and the time the line starts with.
    const std::tuple<const char*, const char*, const char*> steps[] = {
        {"2026-01-05 09:05:07.042", "Sdays_20260105.log", "09:05:07:042"},
        {"2026-01-05 23:59:59.999", "Sdays_20260105.log", "23:59:59:999"},
        {"2026-01-06 00:00:00.000", "Sdays_20260106.log", "00:00:00:000"},
        // The 6th of the next month has the day number of the 6th before: no new file.
        {"2026-02-06 08:00:00.001", "Sdays_20260106.log", "08:00:00:001"},
        // Back in time to another day number opens (appends to) that day's file again.
        {"2026-01-05 12:00:00.000", "Sdays_20260105.log", "12:00:00:000"},
    };
    CSystemLog log;
    ASSERT_TRUE(log.Init("days"));
    int n = 0;
    for (const auto& [when, file, time] : steps) {
        FakeWallClock::Set(when);
        ASSERT_TRUE(log.Write(1, ++n, file, ""));
        EXPECT_STREQ(log.GetLogFile()->GetFileName(), file) << when;
        std::vector<std::string> lines = LinesOf(DayFileOf(log.GetLogFile()));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(),
                  std::string(time) + "\tWARNING \t" + std::to_string(n) + "\t" + file + "\t");
    }
    EXPECT_EQ(LinesOf(DayFileOf(log.GetLogFile())).size(), 3U);  // 1st, 2nd and last step

    // A name, and the age in seconds it is given.
    const std::pair<const char*, long long> files[] = {
        {"Skeep_20250101.log", 86400},      {"Skeep_20250102.log", 86401},
        {"SKEEP_20250105.log", 86401},      {"Skeep_x.log", 10 * 86400},
        {"Dkeep_20250106.log", 10 * 86400}, {"Skeeper_20250107.log", 10 * 86400},
        {"Skeep_20250108.txt", 10 * 86400}, {"Skeep_20250109.log", -5 * 86400},
    };
    // One letter per file: y stays, n is deleted. Days below 0 are ignored: 1 stays.
    const std::pair<int, const char*> cases[] = {
        {0, "yyyyyyyy"}, {1, "ynnnyyyy"}, {-3, "ynnnyyyy"}};
    const long long now = FakeWallClock::Set("2026-06-10 12:00:00.000");
    for (const auto& [keepDays, kept] : cases) {
        std::string folder = RootHostPath() + "/LOG/keep/system/";
        MakeFolder(folder);
        for (const auto& [name, age] : files) {
            WriteFile(folder + name, "old\r\n");
            utimbuf times{static_cast<time_t>(now - age), static_cast<time_t>(now - age)};
            ASSERT_EQ(utime((folder + name).c_str(), &times), 0) << name;
        }
        CSystemLog keeper;
        ASSERT_TRUE(keeper.Init("keep"));
        keeper.SetKeepDays(1);
        keeper.SetKeepDays(keepDays);
        ASSERT_TRUE(keeper.Write(0, 0, "open", "runs the clean-up"));
        for (size_t i = 0; i < std::size(files); ++i) {
            EXPECT_EQ(FileExists(folder + files[i].first), kept[i] == 'y')
                << "keep " << keepDays << ": " << files[i].first;
        }
    }
}
#endif  // the wall clock is set through the Linux stand-in's system call table

}  // namespace
