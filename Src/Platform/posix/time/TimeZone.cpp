#include "Platform/posix/time/TimeZone.h"

#include "Platform/posix/base/Errors.h"

#include <cstring>
#include <ctime>

namespace win {
namespace {

constexpr time_t kDay = 24 * 60 * 60;
constexpr time_t kWeek = 7 * kDay;

// The host zone's reading at one instant.
struct Reading {
    long offset;  // seconds east of GMT
    bool daylight;
    const char* name;
};

Reading At(time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return {local.tm_gmtoff, local.tm_isdst > 0, local.tm_zone != nullptr ? local.tm_zone : ""};
}

// The first second after `from`, up to `to`, whose daylight flag differs from that at `from`.
time_t SwitchBetween(time_t from, time_t to) {
    bool before = At(from).daylight;
    while (to - from > 1) {
        time_t middle = from + (to - from) / 2;
        (At(middle).daylight == before ? from : to) = middle;
    }
    return to;
}

int DaysInMonth(int year, int month) {  // month 0-11
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month] + (month == 1 && leap ? 1 : 0);
}

// A switch at `when` in the relative form: the month, the week of the month (5 is the last) and
// the weekday, and the clock's reading just before the switch.
SYSTEMTIME RelativeDate(time_t when, long offsetBefore) {
    time_t wall = when + offsetBefore;
    std::tm clock{};
    gmtime_r(&wall, &clock);
    SYSTEMTIME date{};
    date.wMonth = static_cast<WORD>(clock.tm_mon + 1);
    date.wDayOfWeek = static_cast<WORD>(clock.tm_wday);
    bool last = clock.tm_mday + 7 > DaysInMonth(clock.tm_year + 1900, clock.tm_mon);
    date.wDay = static_cast<WORD>(last ? 5 : (clock.tm_mday - 1) / 7 + 1);
    date.wHour = static_cast<WORD>(clock.tm_hour);
    date.wMinute = static_cast<WORD>(clock.tm_min);
    date.wSecond = static_cast<WORD>(clock.tm_sec);
    return date;
}

void CopyName(WCHAR* target, const char* name) {
    size_t i = 0;
    for (; i < 31 && name[i] != '\0'; ++i) target[i] = static_cast<WCHAR>(name[i]);
    target[i] = 0;
}

// The start of this year's scan: a day before 1 January (UTC) of the current local year.
time_t YearStart(time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    std::tm january{};
    january.tm_year = local.tm_year;
    january.tm_mday = 1;
    return timegm(&january) - kDay;
}

}  // namespace

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    tzset();
    std::memset(info, 0, sizeof *info);
    time_t now = std::time(nullptr);
    Reading current = At(now);
    Reading standard = current, daylight = current;
    bool seenStandard = !current.daylight, seenDaylight = current.daylight;
    time_t start = YearStart(now);
    Reading previous = At(start);
    for (time_t t = start + kWeek; t <= start + 54 * kWeek; t += kWeek) {
        Reading next = At(t);
        if (next.daylight != previous.daylight) {
            time_t when = SwitchBetween(t - kWeek, t);
            Reading after = At(when);
            SYSTEMTIME date = RelativeDate(when, previous.offset);
            (after.daylight ? info->DaylightDate : info->StandardDate) = date;
            (after.daylight ? daylight : standard) = after;
            (after.daylight ? seenDaylight : seenStandard) = true;
        }
        previous = next;
    }
    info->DaylightBias = -60;
    if (!seenStandard || !seenDaylight) {
        // No daylight saving time this year: the zone's one offset is its standard.
        info->StandardDate = info->DaylightDate = SYSTEMTIME{};
        info->Bias = static_cast<LONG>(-current.offset / 60);
        CopyName(info->StandardName, current.name);
        CopyName(info->DaylightName, current.name);
        return TIME_ZONE_ID_UNKNOWN;
    }
    info->Bias = static_cast<LONG>(-standard.offset / 60);
    info->DaylightBias = static_cast<LONG>(-(daylight.offset - standard.offset) / 60);
    CopyName(info->StandardName, standard.name);
    CopyName(info->DaylightName, daylight.name);
    return current.daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

}  // namespace win
