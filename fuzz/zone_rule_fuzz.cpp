// SPDX-License-Identifier: Apache-2.0
// Fuzzes the reader of time zone rules: the POSIX TZ strings that TZ gives or a zone file's last
// line holds, whose switches GetTimeZoneInformation reports. Oracle: the C library's own reading
// of the same string. Where the reader takes a rule, TZ set to it must make tzset agree on the
// standard offset and find daylight saving time where the reader does, and every switch must be
// one Windows can hold (a month, a week 1-5, a weekday 0-6, a time within a week).
#include "support/FuzzCheck.h"

#include "Platform/posix/time/ZoneRule.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using fuzz::Check;
using win::posix::ZoneSwitch;

void CheckSwitch(const ZoneSwitch& when) {
    Check(when.seconds > -168L * 3600 && when.seconds < 168L * 3600, "a switch beyond a week");
    switch (when.form) {
        case ZoneSwitch::Form::kMonthWeekDay:
            Check(when.month >= 1 && when.month <= 12, "a month outside 1-12");
            Check(when.week >= 1 && when.week <= 5, "a week outside 1-5");
            Check(when.weekday >= 0 && when.weekday <= 6, "a weekday outside 0-6");
            break;
        case ZoneSwitch::Form::kJulianNoLeap:
            Check(when.day >= 1 && when.day <= 365, "a Julian day outside 1-365");
            break;
        case ZoneSwitch::Form::kJulianZero:
            Check(when.day >= 0 && when.day <= 365, "a day outside 0-365");
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    // A name with ':' or '/' first is a zone file's, which the C library would look for.
    if (text.empty() || text.find('\0') != std::string::npos || text[0] == ':' || text[0] == '/') {
        return 0;
    }
    win::posix::ZoneRule rule;
    if (!win::posix::ParseZoneRule(text, rule)) return 0;
    Check(rule.standardName.size() >= 3, "a standard name of fewer than three characters");
    if (rule.hasDaylight) {
        Check(rule.daylightName.size() >= 3, "a daylight name of fewer than three characters");
        CheckSwitch(rule.daylightStart);
        CheckSwitch(rule.daylightEnd);
    }
    setenv("TZ", text.c_str(), 1);
    tzset();
    Check(timezone == -rule.standardOffset, "the C library reads another standard offset");
    // Where daylight time moves the clock, the C library has it too. (Where it moves nothing, the
    // C library's answer depends on whether dates were given: without them it takes the rules of
    // its "posixrules" zone and says there is daylight time.)
    Check(!rule.hasDaylight || daylight != 0, "the C library reads no daylight time");
    if (rule.hasDaylight) {
        Check(rule.daylightOffset != rule.standardOffset, "daylight time that moves nothing");
    }
    return 0;
}
