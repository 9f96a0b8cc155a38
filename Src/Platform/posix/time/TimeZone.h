// The computer's time zone, as GetTimeZoneInformation reports it, from the host's zone: the TZ
// variable when set, else /etc/localtime (the C library's own rule, read again on every call).
//
// UTC = local time + Bias + StandardBias (in standard time) or + DaylightBias (in daylight
// time). Bias is the host's standard offset with the sign turned (minutes, positive west of
// Greenwich); StandardBias is 0. A zone without daylight saving time in the current year gives
// TIME_ZONE_ID_UNKNOWN with StandardDate.wMonth 0 and DaylightBias -60, as Windows reports it;
// otherwise TIME_ZONE_ID_STANDARD or TIME_ZONE_ID_DAYLIGHT, with this year's switches in the
// relative form (wYear 0, wDay the week 1-5 of the month, 5 the last, wDayOfWeek 0 for Sunday,
// wHour and wMinute the local clock's reading at the switch). The names are the host's
// abbreviations ("CST", "EDT"). Switches less than a week apart are not seen.
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
