// Fuzz target for the date and time text checks: arbitrary bytes as date and time texts, as a
// date number and as COleDateTime values. Checks that the functions agree with each other.
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

void TimeText(const CString& text) {
    int minutes = s_DateTransTimeFMTStrToMinutes(text);
    Check((minutes >= 0) == s_DateCheckTime(text));
    if (minutes < 0) return;
    Check(minutes < 24 * 60);
    Check(s_DateTransMinutesToTimeFMTStr(minutes, false, false) == text);
}

void Numbers(const std::uint8_t* data, size_t size) {
    if (size < sizeof(long)) return;
    long number;
    std::memcpy(&number, data, sizeof number);
    CString text;
    text.Format("%08ld", number);
    Check(s_DateCheckDate(number) == s_DateCheckDate(text));
    int minutes = static_cast<int>(number);
    CString time = s_DateTransMinutesToTimeFMTStr(minutes, true, true);
    Check(minutes >= 0 || time.IsEmpty());
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
    TimeText(text);
    Numbers(data, size);
    return 0;
}
