// SPDX-License-Identifier: Apache-2.0
// Fuzz target for the date checks: arbitrary bytes as a date text and as COleDateTime values.
// Checks that the functions agree with each other. (Time texts are checked whole by the unit
// tests: every four-digit text, and the length test that refuses all others.)
#include <HalcyonCommon.h>

#include "support/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using fuzz::Check;

void DateText(const CString& text) {
    bool valid = s_DateCheckDate(text);
    bool accepted = JulianDay(0L).CheckDate(text);
    Check(!valid || accepted);  // JulianDay only skips the month-length rule
    if (!accepted) return;      // (a refused text would only add a verify report)
    JulianDay date(text);
    Check(date.GetJulianDay() >= 0);
    CString back = date.GetDateString();
    Check(s_DateCheckDate(back));
    if (valid) Check(back == text);
    Check(JulianDay(date.GetJulianDay()).GetDateString() == back);
}

// Two DATE values: the same-week test is symmetric and the weekday in range, even for NaN,
// infinities and values beyond the calendar.
void Dates(const std::uint8_t* data, size_t size) {
    if (size < 2 * sizeof(double)) return;
    double first, second;
    std::memcpy(&first, data, sizeof first);
    std::memcpy(&second, data + sizeof first, sizeof second);
    bool same = s_DateIsInSameWeek(COleDateTime(first), COleDateTime(second));
    Check(same == s_DateIsInSameWeek(COleDateTime(second), COleDateTime(first)));
    int day = COleDateTime(first).GetDayOfWeek();
    Check(day == -1 || (day >= 1 && day <= 7));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CString text(reinterpret_cast<const char*>(data), static_cast<int>(size > 64 ? 64 : size));
    DateText(text);
    Dates(data, size);
    return 0;
}
