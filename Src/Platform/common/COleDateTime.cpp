// SPDX-License-Identifier: Apache-2.0
#include <Platform/COleDateTime.h>

#include <cmath>

namespace {

constexpr double kSecondsPerDay = 24.0 * 60 * 60;
constexpr long long kDay1970 = 25569;   // DATE of 1 January 1970
constexpr double kMinDate = -657434.0;  // 1 January 100
constexpr double kMaxDate = 2958465.0;  // 31 December 9999 (its whole day is valid)

long long FloorDiv(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
long long FloorMod(long long a, long long b) { return a - FloorDiv(a, b) * b; }

bool IsLeap(long long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(long long year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1 January 1970 of a proleptic Gregorian date, counted in 400-year eras that start
// on 1 March, so that the leap day falls at the end of its year.
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    long long era = FloorDiv(year, 400);
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct Parts {
    long long year;
    int month, day, hour, minute, second;
    long long dayNumber;  // whole days since 30 December 1899 (linear)
};

Parts CivilFromDays(long long days1970) {
    long long z = days1970 + 719468;
    long long era = FloorDiv(z, 146097);
    long long dayOfEra = z - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long mp = (5 * dayOfYear + 2) / 153;
    Parts p{};
    p.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = yearOfEra + era * 400 + (p.month <= 2);
    return p;
}

// Whole part plus time of day: -1.25 (29 December 1899, 06:00) is -0.75.
double Linear(DATE dt) {
    double whole = std::trunc(dt);
    return whole + std::fabs(dt - whole);
}

DATE FromLinear(double linear) {
    if (linear >= 0) return linear;
    double whole = std::floor(linear);
    return whole - (linear - whole);
}

bool InRange(DATE dt) { return dt >= kMinDate && dt < kMaxDate + 1.0; }

bool ToParts(const COleDateTime& date, Parts& parts) {
    if (date.GetStatus() != COleDateTime::valid || !InRange(date.m_dt)) return false;
    double linear = Linear(date.m_dt);
    auto seconds = static_cast<long long>(std::llround(linear * kSecondsPerDay));
    long long dayNumber = FloorDiv(seconds, 86400);
    long long secondOfDay = seconds - dayNumber * 86400;
    parts = CivilFromDays(dayNumber - kDay1970);
    parts.dayNumber = dayNumber;
    parts.hour = static_cast<int>(secondOfDay / 3600);
    parts.minute = static_cast<int>(secondOfDay / 60 % 60);
    parts.second = static_cast<int>(secondOfDay % 60);
    return true;
}

bool ValidParts(int y, int mo, int d, int h, int mi, int s) {
    return y >= 100 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 && d <= DaysInMonth(y, mo) &&
           h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 59;
}

}  // namespace

COleDateTimeSpan::COleDateTimeSpan(double dblSpanSrc) : m_span(dblSpanSrc) {}

COleDateTimeSpan::COleDateTimeSpan(long lDays, int nHours, int nMins, int nSecs)
    : m_span(static_cast<double>(lDays) +
             (nHours * 3600.0 + nMins * 60.0 + nSecs) / kSecondsPerDay) {}

long COleDateTimeSpan::GetDays() const { return static_cast<long>(m_span); }

COleDateTime::COleDateTime(DATE dtSrc) : m_dt(dtSrc) {}

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
    SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
    if (!ValidParts(nYear, nMonth, nDay, nHour, nMin, nSec)) {
        m_dt = 0.0;
        m_status = invalid;
        return 1;
    }
    long long day = DaysFromCivil(nYear, nMonth, nDay) + kDay1970;
    double time = (nHour * 3600.0 + nMin * 60.0 + nSec) / kSecondsPerDay;
    m_dt = FromLinear(static_cast<double>(day) + time);
    m_status = valid;
    return 0;
}

int COleDateTime::SetDate(int nYear, int nMonth, int nDay) {
    return SetDateTime(nYear, nMonth, nDay, 0, 0, 0);
}

int COleDateTime::SetTime(int nHour, int nMin, int nSec) {
    return SetDateTime(1899, 12, 30, nHour, nMin, nSec);
}

int COleDateTime::GetYear() const {
    Parts p;
    return ToParts(*this, p) ? static_cast<int>(p.year) : -1;
}

int COleDateTime::GetMonth() const {
    Parts p;
    return ToParts(*this, p) ? p.month : -1;
}

int COleDateTime::GetDay() const {
    Parts p;
    return ToParts(*this, p) ? p.day : -1;
}

int COleDateTime::GetHour() const {
    Parts p;
    return ToParts(*this, p) ? p.hour : -1;
}

int COleDateTime::GetMinute() const {
    Parts p;
    return ToParts(*this, p) ? p.minute : -1;
}

int COleDateTime::GetSecond() const {
    Parts p;
    return ToParts(*this, p) ? p.second : -1;
}

int COleDateTime::GetDayOfWeek() const {
    Parts p;  // day 0, 30 December 1899, was a Saturday (7)
    return ToParts(*this, p) ? static_cast<int>(FloorMod(p.dayNumber + 6, 7)) + 1 : -1;
}

int COleDateTime::GetDayOfYear() const {
    Parts p;
    if (!ToParts(*this, p)) return -1;
    return static_cast<int>(DaysFromCivil(p.year, p.month, p.day) - DaysFromCivil(p.year, 1, 1)) +
           1;
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& date) const {
    COleDateTimeSpan span(Linear(m_dt) - Linear(date.m_dt));
    if (m_status == null || date.m_status == null) {
        span.SetStatus(COleDateTimeSpan::null);
    } else if (m_status != valid || date.m_status != valid) {
        span.SetStatus(COleDateTimeSpan::invalid);
    }
    return span;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
    COleDateTime result(FromLinear(Linear(m_dt) + span.m_span));
    if (m_status != valid || span.GetStatus() != COleDateTimeSpan::valid) result.m_status = invalid;
    return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const {
    COleDateTimeSpan negated = span;
    negated.m_span = -span.m_span;
    return *this + negated;
}

bool COleDateTime::operator==(const COleDateTime& date) const {
    return Linear(m_dt) == Linear(date.m_dt);
}
bool COleDateTime::operator!=(const COleDateTime& date) const { return !(*this == date); }
bool COleDateTime::operator<(const COleDateTime& date) const {
    return Linear(m_dt) < Linear(date.m_dt);
}
bool COleDateTime::operator>(const COleDateTime& date) const { return date < *this; }
bool COleDateTime::operator<=(const COleDateTime& date) const { return !(date < *this); }
bool COleDateTime::operator>=(const COleDateTime& date) const { return !(*this < date); }
