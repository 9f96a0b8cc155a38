// Day files and their retention against a wall clock the test sets (the Linux stand-in's).
#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#if HALCYON_STAND_IN
#include <utime.h>
#endif

namespace {

using halcyon::test::DayFileOf;
using halcyon::test::LinesOf;

#if HALCYON_STAND_IN
using halcyon::test::FakeWallClock;

// Each step sets the clock, writes one line and names the file it must reach.
TEST(NimbusLogDays, ANewFileOpensWhenTheDayOfTheMonthChanges) {
    FakeWallClock clock;
    const struct {
        int year, month, day, hour, minute, second, millisecond;
        const char* file;
        const char* time;
    } steps[] = {
        {2026, 1, 5, 9, 5, 7, 42, "Sdays_20260105.log", "09:05:07:042"},
        {2026, 1, 5, 23, 59, 59, 999, "Sdays_20260105.log", "23:59:59:999"},
        {2026, 1, 6, 0, 0, 0, 0, "Sdays_20260106.log", "00:00:00:000"},
        // The 6th of the next month has the day number of the 6th before: no new file.
        {2026, 2, 6, 8, 0, 0, 1, "Sdays_20260106.log", "08:00:00:001"},
        {2027, 3, 7, 1, 0, 0, 3, "Sdays_20270307.log", "01:00:00:003"},
        // Back in time to another day number opens (appends to) that day's file again.
        {2026, 1, 5, 12, 0, 0, 0, "Sdays_20260105.log", "12:00:00:000"},
    };
    CSystemLog log;
    ASSERT_TRUE(log.Init("days"));
    int n = 0;
    for (const auto& s : steps) {
        FakeWallClock::Set(s.year, s.month, s.day, s.hour, s.minute, s.second, s.millisecond);
        ASSERT_TRUE(log.Write(1, ++n, s.file, ""));
        EXPECT_STREQ(log.GetLogFile()->GetFileName(), s.file) << n;
        std::vector<std::string> lines = LinesOf(DayFileOf(log.GetLogFile()));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(),
                  std::string(s.time) + "\tWARNING \t" + std::to_string(n) + "\t" + s.file + "\t");
    }
    EXPECT_EQ(LinesOf(DayFileOf(log.GetLogFile())).size(), 3U);  // 1st, 2nd and last step
}

// The retention counts whole seconds: a file written exactly keep × 86400 seconds before the
// open stays, one a second older goes. Only the log's own kind and name are touched.
TEST(NimbusLogDays, RetentionDeletesOnlyTheLogsFilesPastItsDays) {
    FakeWallClock clock;
    const struct {
        const char* name;
        long long age;
    } files[] = {
        {"Skeep_20250101.log", 86400},      {"Skeep_20250102.log", 86401},
        {"SKEEP_20250105.log", 86401},      {"Skeep_x.log", 10 * 86400},
        {"Dkeep_20250106.log", 10 * 86400}, {"Skeeper_20250107.log", 10 * 86400},
        {"Skeep_20250108.txt", 10 * 86400}, {"Skeep_20250109.log", -5 * 86400},
    };
    // One letter per file: y stays, n is deleted. Days below 0 are ignored: 1 stays.
    const std::pair<int, const char*> cases[] = {
        {0, "yyyyyyyy"}, {1, "ynnnyyyy"}, {-3, "ynnnyyyy"}};
    int round = 0;
    for (const auto& [keepDays, kept] : cases) {
        std::string folder = halcyon::test::RootHostPath() + "/LOG/keep/system/";
        halcyon::test::MakeFolder(folder);
        long long now = FakeWallClock::Set(2026, 6, 10 + round++);
        for (const auto& f : files) {
            halcyon::test::WriteFile(folder + f.name, "old\r\n");
            utimbuf times{static_cast<time_t>(now - f.age), static_cast<time_t>(now - f.age)};
            ASSERT_EQ(utime((folder + f.name).c_str(), &times), 0) << f.name;
        }
        CSystemLog log;
        ASSERT_TRUE(log.Init("keep"));
        log.SetKeepDays(1);
        log.SetKeepDays(keepDays);
        ASSERT_TRUE(log.Write(0, 0, "open", "runs the clean-up"));
        for (size_t i = 0; i < std::size(files); ++i) {
            EXPECT_EQ(halcyon::test::FileExists(folder + files[i].name), kept[i] == 'y')
                << "keep " << keepDays << ": " << files[i].name;
        }
    }
}

// The stand-in's listing, as the clean-up uses it: Windows' wildcards, letters in either case.
TEST(NimbusLogDays, TheRuntimesListingMatchesAsWindowsDoes) {
    std::string folder = halcyon::test::MakeScratchFolder("find");
    for (const char* name : {"Sa_1.log", "sA_2.LOG", "Sa_3.logx", "noext"})
        halcyon::test::WriteFile(folder + "/" + name, "");
    std::string base = halcyon::test::WindowsPath(folder) + "\\";
    const std::pair<const char*, int> cases[] = {{"Sa_*.log", 2}, {"Sa_?.log", 2}, {"*", 6},
                                                 {"noext.*", 1},  {"*.lo", 0},     {"x\\*", 0}};
    for (const auto& [pattern, expected] : cases) {
        win::_finddata64i32_t data;
        std::intptr_t search = win::_findfirst64i32((base + pattern).c_str(), &data);
        int count = 0;
        if (search != -1) {
            do ++count;
            while (win::_findnext64i32(search, &data) == 0);
            EXPECT_EQ(win::_findclose(search), 0);
        }
        EXPECT_EQ(errno, ENOENT) << pattern;  // the end of a listing, or no listing
        EXPECT_EQ(count, expected) << pattern;
    }
}

#else
TEST(NimbusLogDays, NeedsTheStandInsClock) {
    GTEST_SKIP() << "the wall clock is set through the Linux stand-in's system call table";
}
#endif

}  // namespace
