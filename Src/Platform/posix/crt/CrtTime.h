// SPDX-License-Identifier: Apache-2.0
// The C runtime's 64-bit time functions as the Windows runtime has them: seconds since 1970 UTC
// in a 64-bit count, and their conversion to the local calendar (the process's time zone).
//
// The wall clock they read is the stand-in's (SysCalls' clock_gettime), the same one as
// GetLocalTime's, so that a test which moves the clock moves both.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <cstdint>
#include <ctime>

namespace win {

// Windows spells it __time64_t.
using time64_t = std::int64_t;

// The current time in seconds; also stored in *timer when it is not null.
HALCYON_API time64_t _time64(time64_t* timer);

// Local calendar time of *sourceTime into *tmDest. 0 on success; EINVAL when either pointer is
// null or the time is negative or past the end of the year 3000 (then every field of a non-null
// *tmDest is -1, as Windows leaves it).
HALCYON_API int _localtime64_s(std::tm* tmDest, const time64_t* sourceTime);

// timer1 - timer0 in seconds.
HALCYON_API double _difftime64(time64_t timer1, time64_t timer0);

}  // namespace win
