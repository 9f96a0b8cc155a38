// Helpers of the log tests: a log's day file as the host names it, its lines, and (on the Linux
// stand-in) a wall clock the test sets.
#pragma once

#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <string>
#include <vector>

#if HALCYON_STAND_IN
#include "posix/SysCalls.h"

#include <ctime>
#endif

namespace halcyon::test {

// The host path of the day file a log writes now ("" before its first write).
inline std::string DayFileOf(CLogFileImpl* log) {
    CString name = log->GetFileName();
    return name.IsEmpty() ? std::string() : halcyon::HostPath(log->GetFolder() + name);
}

// The lines of a file without their CR LF; a last line that lacks one ends in "<cut>".
inline std::vector<std::string> LinesOf(const std::string& path) {
    std::string text = ReadFile(path);
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<cut>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

#if HALCYON_STAND_IN
// While it lives, the stand-in's wall clock reads the local time set with Set (its milliseconds
// included); other clocks run on. The time zone is the test process's own.
class FakeWallClock {
  public:
    FakeWallClock() : m_saved(win::posix::Sys().clock_gettime) {
        win::posix::Sys().clock_gettime = Read;
    }
    ~FakeWallClock() { win::posix::Sys().clock_gettime = m_saved; }
    FakeWallClock(const FakeWallClock&) = delete;
    FakeWallClock& operator=(const FakeWallClock&) = delete;

    // Local date and time; returns the seconds since 1970 it stands for.
    static long long Set(int year, int month, int day, int hour = 12, int minute = 0,
                         int second = 0, int millisecond = 0) {
        std::tm tm = {};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        Now() = {std::mktime(&tm), millisecond * 1000000L};
        return Now().tv_sec;
    }

  private:
    static timespec& Now() {
        static timespec now;
        return now;
    }
    static int Read(clockid_t clock, timespec* now) {
        if (clock != CLOCK_REALTIME) return win::posix::RealSysCalls().clock_gettime(clock, now);
        *now = Now();
        return 0;
    }

    int (*m_saved)(clockid_t, timespec*);
};
#endif

}  // namespace halcyon::test
