// SPDX-License-Identifier: Apache-2.0
// The computer's time zone, as GetTimeZoneInformation reports it, from the host's zone: the TZ
// variable when set, else /etc/localtime (the C library's own rule, read again on every call).
//
// UTC = local time + Bias + StandardBias (in standard time) or + DaylightBias (in daylight
// time). Bias is the zone's standard offset as the C library has it (`timezone` after tzset), in
// minutes west of Greenwich; StandardBias is 0. The switches come from the zone's rule (ZoneRule.h:
// TZ's own, or the one at the end of the zone's file), whatever their distance: a rule in the
// Mm.w.d form with a time within the day becomes Windows' relative form (wYear 0, wDay the week 1-5
// of the month, 5 the last, wDayOfWeek 0 for Sunday, wHour to wSecond the local time of the
// switch), any other this year's date in the absolute form. A zone without daylight saving time
// gives TIME_ZONE_ID_UNKNOWN with StandardDate.wMonth 0 and DaylightBias -60, as Windows reports
// it; otherwise TIME_ZONE_ID_STANDARD or TIME_ZONE_ID_DAYLIGHT. The names are the host's
// abbreviations ("CST", "EDT"), not Windows' ("China Standard Time").
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

struct TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

// TIME_ZONE_ID_INVALID with ERROR_INVALID_PARAMETER for a null pointer.
HALCYON_API DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation);

}  // namespace win

#define TIME_ZONE_ID_UNKNOWN 0UL
#define TIME_ZONE_ID_STANDARD 1UL
#define TIME_ZONE_ID_DAYLIGHT 2UL
#define TIME_ZONE_ID_INVALID 0xFFFFFFFFUL
