// Time: local and system time, the millisecond tick count, and sleeping.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <ctime>

namespace win {

HALCYON_API void GetLocalTime(SYSTEMTIME* lpSystemTime);
HALCYON_API void GetSystemTime(SYSTEMTIME* lpSystemTime);
// Milliseconds since the machine started, wrapping every 2^32 ms as on Windows.
HALCYON_API DWORD GetTickCount();
HALCYON_API void Sleep(DWORD dwMilliseconds);

namespace posix {

// Adds `deltaMs` to every later GetTickCount of this process, so that tests can cross the
// 2^32 wrap or a long timeout without waiting for it.
void AdvanceTickCount(DWORD deltaMs);

// localtime_r of `seconds`, remembered per thread for the last second asked: a logging thread
// converts the same second many times over. False when the time cannot be converted.
bool LocalCalendar(time_t seconds, std::tm& calendar);

}  // namespace posix
}  // namespace win
