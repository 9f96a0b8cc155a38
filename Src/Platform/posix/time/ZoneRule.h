// SPDX-License-Identifier: Apache-2.0
// The rule of the host's time zone, as the C library keeps it: a POSIX TZ string
// ("EST5EDT,M3.2.0,M11.1.0"), from the TZ variable or from the end of the zone's file (TZif
// version 2 on), which holds the rule for the years after its table.
#pragma once

#include <string>

namespace win::posix {

// One switch of the rule: a day of the year in one of POSIX's forms, and the local time of day.
struct ZoneSwitch {
    enum class Form { kMonthWeekDay, kJulianNoLeap, kJulianZero };
    Form form = Form::kMonthWeekDay;
    int month = 0;        // Mm.w.d: 1-12
    int week = 0;         // Mm.w.d: 1-5, 5 the last
    int weekday = 0;      // Mm.w.d: 0 Sunday
    int day = 0;          // Jn: 1-365, February 29 never counted; n: 0-365
    long seconds = 7200;  // the local time of day, which may be negative or past a day
};

struct ZoneRule {
    std::string standardName;
    std::string daylightName;
    long standardOffset = 0;  // seconds east of Greenwich
    long daylightOffset = 0;
    bool hasDaylight = false;  // daylight time that moves the clock
    ZoneSwitch daylightStart;  // in standard time
    ZoneSwitch daylightEnd;    // in daylight time
};

// Parses POSIX TZ string `text`; false when it is none.
bool ParseZoneRule(const std::string& text, ZoneRule& rule);

// The rule of the zone the C library uses now: from TZ (a rule, or a zone's file named by it)
// or /etc/localtime. False when no rule can be had (a file without one, an unreadable file).
bool HostZoneRule(ZoneRule& rule);

}  // namespace win::posix
