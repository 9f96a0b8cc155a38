// SPDX-License-Identifier: Apache-2.0
// Validation of date and time texts.
#include <HalcyonCommon/Dates.h>

namespace {

constexpr int kDateLength = 8;
constexpr int kTimeLength = 4;
constexpr unsigned kFirstYear = 1970;

bool AllDigits(const CString& text, int length) {
    if (text.GetLength() != length) return false;
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

unsigned Digits(const CString& text, int first, int count) {
    unsigned value = 0;
    for (int i = first; i < first + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && s_DateCheckIsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool s_DateCheckIsLeapYear(const unsigned int& nYear) {
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

bool s_DateCheckDate(const CString& strDate) {
    if (!AllDigits(strDate, kDateLength)) return false;
    unsigned year = Digits(strDate, 0, 4), month = Digits(strDate, 4, 2),
             day = Digits(strDate, 6, 2);
    return year >= kFirstYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool s_DateCheckDate(const long& lDate) {
    CString text;
    text.Format("%08ld", lDate);
    return s_DateCheckDate(text);
}

bool s_DateCheckTime(const CString& strTime) {
    return AllDigits(strTime, kTimeLength) && Digits(strTime, 0, 2) <= 23 &&
           Digits(strTime, 2, 2) <= 59;
}
