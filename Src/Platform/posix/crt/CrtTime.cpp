// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/crt/CrtTime.h"

#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/time/Time.h"

#include <cerrno>

namespace win {
namespace {

// The last second the Windows runtime converts to local time: its last time, 3001-01-19 07:59:59
// UTC, and the 14 hours of the farthest time zone (3001-01-19 21:59:59 UTC).
constexpr time64_t kMaxTime64 = 32536850399LL;

}  // namespace

time64_t _time64(time64_t* timer) {
    timespec now;
    posix::Sys().clock_gettime(CLOCK_REALTIME, &now);
    auto seconds = static_cast<time64_t>(now.tv_sec);
    if (timer != nullptr) *timer = seconds;
    return seconds;
}

int _localtime64_s(std::tm* tmDest, const time64_t* sourceTime) {
    if (tmDest == nullptr) return EINVAL;
    if (sourceTime == nullptr || *sourceTime < 0 || *sourceTime > kMaxTime64) {
        tmDest->tm_sec = tmDest->tm_min = tmDest->tm_hour = -1;
        tmDest->tm_mday = tmDest->tm_mon = tmDest->tm_year = -1;
        tmDest->tm_wday = tmDest->tm_yday = tmDest->tm_isdst = -1;
        return EINVAL;
    }
    auto seconds = static_cast<time_t>(*sourceTime);
    if (!posix::LocalCalendar(seconds, *tmDest)) return EINVAL;
    return 0;
}

double _difftime64(time64_t timer1, time64_t timer0) {
    return static_cast<double>(timer1 - timer0);
}

}  // namespace win
