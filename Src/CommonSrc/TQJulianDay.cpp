// SPDX-License-Identifier: Apache-2.0
// JulianDay: day numbers since 1 January 1970 by the Julian day algorithm of ACM Algorithm 199,
// shifted so that 1 January 1970 is day 0.
#include <HalcyonCommon/JulianDay.h>

#include <HalcyonCommon/Diag.h>

namespace {

const char kSource[] = "CommonSrc/TQJulianDay.cpp";
constexpr long long kShift = 719469;  // the algorithm's day number of 1 January 1970, less one
constexpr int kFirstYear = 1970;

// Division and remainder rounding towards minus infinity, so that days before 1970 (and before
// the algorithm's origin in year 0) come out as true dates.
long long FloorDiv(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
long long FloorMod(long long a, long long b) { return a - FloorDiv(a, b) * b; }

long long DayNumber(long long year, long long month, long long day) {
    if (month <= 2) {  // March becomes month 0 of the year, so February's length never matters
        month += 9;
        year -= 1;
    } else {
        month -= 3;
    }
    long long c = year / 100, y = year % 100;
    return 146097 * c / 4 + 1461 * y / 4 + (153 * month + 2) / 5 + day - kShift;
}

struct Civil {
    long long year;
    int month;
    int day;
};

Civil CivilDate(long long n) {
    long long j = 4 * (n + kShift) - 1;
    long long c = FloorDiv(j, 146097);
    long long d = (j - 146097 * c) / 4;
    long long y = (4 * d + 3) / 1461;
    d = (4 * d + 3 - 1461 * y + 4) / 4;
    long long m = (5 * d - 3) / 153;
    Civil date{100 * c + y, 0, static_cast<int>((5 * d - 3 - 153 * m + 5) / 5)};
    if (m < 10) {
        date.month = static_cast<int>(m + 3);
    } else {
        date.month = static_cast<int>(m - 9);
        date.year += 1;
    }
    return date;
}

int Digits(const CString& text, int first, int count) {
    int value = 0;
    for (int i = first; i < first + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

JulianDay::JulianDay(const CString& strDate) : m_lJulianDay(0) {
    if (!CheckDate(strDate)) {
        TQVerify("CheckDate(strDate)", kSource, __LINE__);
        return;
    }
    m_lJulianDay = static_cast<std::int32_t>(
        DayNumber(Digits(strDate, 0, 4), Digits(strDate, 4, 2), Digits(strDate, 6, 2)));
}

JulianDay::JulianDay(long lJulianDay) : m_lJulianDay(static_cast<std::int32_t>(lJulianDay)) {}

bool JulianDay::CheckDate(const CString& strDate) const {
    if (strDate.GetLength() != 8) return false;
    for (int i = 0; i < 8; ++i) {
        if (strDate[i] < '0' || strDate[i] > '9') return false;
    }
    int month = Digits(strDate, 4, 2), day = Digits(strDate, 6, 2);
    return Digits(strDate, 0, 4) >= kFirstYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= 31;
}

void JulianDay::GetDate(unsigned short& wYear, unsigned short& wMonth, unsigned short& wDay) const {
    Civil date = CivilDate(m_lJulianDay);
    wYear = static_cast<unsigned short>(date.year - 1900);
    wMonth = static_cast<unsigned short>(date.month);
    wDay = static_cast<unsigned short>(date.day);
}

// Both take the full year from the date itself rather than from the 16-bit years since 1900,
// so that dates before 1900 read correctly; from 1900 on this is the same.
CString JulianDay::GetDateString() const {
    Civil date = CivilDate(m_lJulianDay);
    CString text;
    text.Format("%04ld%02d%02d", static_cast<long>(date.year), date.month, date.day);
    return text;
}

long JulianDay::GetJulianLong() const {
    Civil date = CivilDate(m_lJulianDay);
    return static_cast<long>((date.year * 100 + date.month) * 100 + date.day);
}

unsigned short JulianDay::GetYear() const {
    unsigned short wYear, wMonth, wDay;
    GetDate(wYear, wMonth, wDay);
    return wYear;
}

unsigned short JulianDay::GetMonth() const {
    unsigned short wYear, wMonth, wDay;
    GetDate(wYear, wMonth, wDay);
    return wMonth;
}

unsigned short JulianDay::GetDay() const {
    unsigned short wYear, wMonth, wDay;
    GetDate(wYear, wMonth, wDay);
    return wDay;
}

unsigned short JulianDay::GetJulMonth() const {
    if (m_lJulianDay == 0) return 0;
    Civil date = CivilDate(m_lJulianDay);
    return static_cast<unsigned short>(12 * (date.year - 1900) + date.month - 840);
}

unsigned short JulianDay::GetJulWeek() const {
    if (m_lJulianDay == 0) return 0;
    return static_cast<unsigned short>(FloorDiv(m_lJulianDay + 4LL, 7));
}

long JulianDay::GetJulianDay() const { return m_lJulianDay; }

unsigned short JulianDay::GetWeek() const {
    if (m_lJulianDay == 0) return 1;  // "no date"
    return static_cast<unsigned short>(FloorMod(m_lJulianDay + 4LL, 7));
}

bool JulianDay::IsSaturday() const { return GetWeek() == 6; }
