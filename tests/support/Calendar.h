// SPDX-License-Identifier: Apache-2.0
// A plain calendar for the date tests to count against, one day at a time: month lengths by
// table and leap years by the four-hundred-year rule, nothing shared with the library's formulas.
#pragma once

namespace halcyon::test {

inline int DaysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = year % 400 == 0 || (year % 100 != 0 && year % 4 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace halcyon::test
