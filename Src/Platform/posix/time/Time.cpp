// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/time/Time.h"

#include "Platform/posix/base/SysCalls.h"

#include <atomic>
#include <cerrno>
#include <ctime>

#include <sched.h>

namespace win {
namespace {

std::atomic<DWORD> g_tickOffset{0};

void FromTm(const std::tm& tm, long nanoseconds, SYSTEMTIME* st) {
    st->wYear = static_cast<WORD>(tm.tm_year + 1900);
    st->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st->wDay = static_cast<WORD>(tm.tm_mday);
    st->wHour = static_cast<WORD>(tm.tm_hour);
    st->wMinute = static_cast<WORD>(tm.tm_min);
    st->wSecond = static_cast<WORD>(tm.tm_sec);
    st->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* lpSystemTime) {
    if (lpSystemTime == nullptr) return;
    timespec now;
    posix::Sys().clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm;
    posix::LocalCalendar(now.tv_sec, tm);
    FromTm(tm, now.tv_nsec, lpSystemTime);
}

void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    if (lpSystemTime == nullptr) return;
    timespec now;
    posix::Sys().clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm;
    gmtime_r(&now.tv_sec, &tm);
    FromTm(tm, now.tv_nsec, lpSystemTime);
}

DWORD GetTickCount() {
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
              static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
    return static_cast<DWORD>(ms) + g_tickOffset.load(std::memory_order_relaxed);
}

void Sleep(DWORD dwMilliseconds) {
    timespec delay{static_cast<time_t>(dwMilliseconds / 1000),
                   static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

namespace posix {

void AdvanceTickCount(DWORD deltaMs) { g_tickOffset.fetch_add(deltaMs, std::memory_order_relaxed); }

bool LocalCalendar(time_t seconds, std::tm& calendar) {
    thread_local struct {
        bool valid = false;
        time_t seconds;
        std::tm calendar;
    } last;
    if (!last.valid || last.seconds != seconds) {
        last.valid = localtime_r(&seconds, &last.calendar) != nullptr;
        last.seconds = seconds;
        if (!last.valid) return false;
    }
    calendar = last.calendar;
    return true;
}

}  // namespace posix
}  // namespace win
