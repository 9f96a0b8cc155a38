// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/time/TimeZone.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/time/ZoneRule.h"

#include <cstring>
#include <ctime>

namespace win {
namespace {

constexpr long kDay = 24 * 60 * 60;

bool IsLeap(long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(long year, int month) {  // month 1-12
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

// Days since 1 January 1970 of a civil date, and back (proleptic Gregorian calendar).
long DaysFromCivil(long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    long era = (year >= 0 ? year : year - 399) / 400;
    long yoe = year - era * 400;
    long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

SYSTEMTIME CivilFromDays(long days) {
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    long doe = days - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    SYSTEMTIME date{};
    date.wDay = static_cast<WORD>(doy - (153 * mp + 2) / 5 + 1);
    date.wMonth = static_cast<WORD>(mp < 10 ? mp + 3 : mp - 9);
    date.wYear = static_cast<WORD>(yoe + era * 400 + (date.wMonth <= 2 ? 1 : 0));
    date.wDayOfWeek = static_cast<WORD>(((days - 719468) % 7 + 11) % 7);  // 1970-01-01: Thursday
    return date;
}

// The day of `year` on which switch `when` falls, in days since 1970.
long SwitchDay(const posix::ZoneSwitch& when, long year) {
    using Form = posix::ZoneSwitch::Form;
    if (when.form == Form::kJulianZero) return DaysFromCivil(year, 1, 1) + when.day;
    if (when.form == Form::kJulianNoLeap) {  // February 29 is never counted
        long day = DaysFromCivil(year, 1, 1) + when.day - 1;
        return day + (IsLeap(year) && when.day >= 60 ? 1 : 0);
    }
    long first = DaysFromCivil(year, when.month, 1);
    long firstWeekday = CivilFromDays(first).wDayOfWeek;
    long day = 1 + (when.weekday - firstWeekday + 7) % 7 + (when.week - 1) * 7;
    if (day > DaysInMonth(year, when.month)) day -= 7;
    return first + day - 1;
}

// A switch as Windows describes it: the relative form (month, week, weekday, local time) where the
// rule has that form, else this year's date in the absolute form.
SYSTEMTIME WindowsSwitch(const posix::ZoneSwitch& when, long year) {
    SYSTEMTIME date{};
    if (when.form == posix::ZoneSwitch::Form::kMonthWeekDay && when.seconds >= 0 &&
        when.seconds < kDay) {
        date.wMonth = static_cast<WORD>(when.month);
        date.wDay = static_cast<WORD>(when.week);
        date.wDayOfWeek = static_cast<WORD>(when.weekday);
    } else {
        long seconds = when.seconds % kDay;
        long days = SwitchDay(when, year) + when.seconds / kDay - (seconds < 0 ? 1 : 0);
        date = CivilFromDays(days);
    }
    long seconds = (when.seconds % kDay + kDay) % kDay;
    date.wHour = static_cast<WORD>(seconds / 3600);
    date.wMinute = static_cast<WORD>(seconds / 60 % 60);
    date.wSecond = static_cast<WORD>(seconds % 60);
    return date;
}

void CopyName(WCHAR* target, const std::string& name) {
    size_t i = 0;
    for (; i < 31 && i < name.size(); ++i) target[i] = static_cast<WCHAR>(name[i]);
    target[i] = 0;
}

// The host zone's reading now: the local year, and whether daylight time is on.
struct Reading {
    long year;
    bool daylight;
};

Reading Now() {
    time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900L, local.tm_isdst > 0};
}

}  // namespace

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    tzset();
    std::memset(info, 0, sizeof *info);
    Reading now = Now();
    // The standard offset is the C library's; its sign turned and in minutes, the bias.
    info->Bias = static_cast<LONG>(timezone / 60);
    info->DaylightBias = -60;
    posix::ZoneRule rule;
    if (!posix::HostZoneRule(rule)) {
        // No rule to be had (a zone file of the first version): the zone's one name, no switches.
        CopyName(info->StandardName, tzname[0]);
        CopyName(info->DaylightName, daylight != 0 ? tzname[1] : tzname[0]);
        return TIME_ZONE_ID_UNKNOWN;
    }
    CopyName(info->StandardName, rule.standardName);
    CopyName(info->DaylightName, rule.hasDaylight ? rule.daylightName : rule.standardName);
    if (!rule.hasDaylight) return TIME_ZONE_ID_UNKNOWN;
    info->DaylightBias = static_cast<LONG>(-(rule.daylightOffset - rule.standardOffset) / 60);
    info->DaylightDate = WindowsSwitch(rule.daylightStart, now.year);
    info->StandardDate = WindowsSwitch(rule.daylightEnd, now.year);
    return now.daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

}  // namespace win
