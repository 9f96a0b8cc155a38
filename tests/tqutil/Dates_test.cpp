// SPDX-License-Identifier: Apache-2.0
// The s_Date… helpers: tables of valid and invalid dates, times and month letters, every day and
// every minute against plain rules, and the same-week test against a week count.
#include <HalcyonCommon.h>

#include "support/Calendar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>

namespace {

using halcyon::test::DaysIn;

// Every day from 1969 to 2100, the days before and after each month and the months before and
// after each year; then texts and numbers that are not eight digits, and no upper year.
TEST(DateCheck, EveryDayFrom1969To2100AndTextsThatAreNoDates) {
    for (int year = 1969; year <= 2100; ++year) {
        for (int month = 0; month <= 13; ++month) {
            for (int day = 0; day <= 32; ++day) {
                bool valid = year >= 1970 && month >= 1 && month <= 12 && day >= 1 &&
                             day <= DaysIn(year, month);
                long number = (year * 100L + month) * 100 + day;
                ASSERT_EQ(s_DateCheckDate(number), valid) << number;
                ASSERT_EQ(s_DateCheckDate(CString(std::to_string(number).c_str())), valid);
            }
        }
    }
    EXPECT_TRUE(s_DateCheckDate(CString("99991231")));
    for (const char* text : {"2024022A", "+2024022", "2024229", "202402290"})
        EXPECT_FALSE(s_DateCheckDate(CString(text))) << text;
    for (long number : {1010101L, -2024022L, LONG_MAX})
        EXPECT_FALSE(s_DateCheckDate(number)) << number;
}

// Every four-digit text: the valid ones are the minutes of the day, which come back as the same
// text, with and without a colon; other texts and counts.
TEST(DateTime, EveryFourDigitTimeEveryMinuteAndOthers) {
    for (int hh = 0; hh <= 99; ++hh) {
        for (int mm = 0; mm <= 99; ++mm) {
            char text[16], colon[16];
            std::snprintf(text, sizeof text, "%02d%02d", hh, mm);
            std::snprintf(colon, sizeof colon, "%02d:%02d", hh, mm);
            bool valid = hh <= 23 && mm <= 59;
            ASSERT_EQ(s_DateCheckTime(CString(text)), valid) << text;
            ASSERT_EQ(s_DateTransTimeFMTStrToMinutes(CString(text)), valid ? hh * 60 + mm : -1);
            if (!valid) continue;
            ASSERT_STREQ(s_DateTransMinutesToTimeFMTStr(hh * 60 + mm, false, false), text);
            ASSERT_STREQ(s_DateTransMinutesToTimeFMTStr(hh * 60 + mm, false, true), colon);
        }
    }
    for (const char* text : {"09:30", "930", "+930"}) {
        EXPECT_FALSE(s_DateCheckTime(CString(text))) << text;
        EXPECT_EQ(s_DateTransTimeFMTStrToMinutes(CString(text)), -1) << text;
    }
    // Counts outside the day.
    const std::tuple<int, bool, bool, const char*> cases[] = {
        {1440, false, false, ""},
        {1500, true, true, "25:00"},
        {-1, true, true, ""},
    };
    for (auto [minutes, skip, colon, text] : cases) {
        EXPECT_STREQ(s_DateTransMinutesToTimeFMTStr(minutes, skip, colon), text)
            << minutes << " skip=" << skip << " colon=" << colon;
    }
}

TEST(DateContractMonth, LettersBothWays) {
    const char letters[] = "FGHJKMNQUVXZ";
    for (unsigned month = 1; month <= 12; ++month) {
        EXPECT_EQ(s_DateGetContractMonthCode(month), letters[month - 1]);
        EXPECT_EQ(s_DateGetContractMonthNumber(letters[month - 1]), month);
    }
    for (unsigned month : {0u, 13u}) EXPECT_EQ(s_DateGetContractMonthCode(month), ' ') << month;
    int matched = 0;  // no other character stands for a month
    for (int c = CHAR_MIN; c <= CHAR_MAX; ++c)
        matched += s_DateGetContractMonthNumber(static_cast<char>(c)) != 0;
    EXPECT_EQ(matched, 12);
}

// Dates from 2023 to 2025 are checked against a week count below; these are days before
// 30 December 1899 (negative DATE values, whose fraction counts forwards) and dates that are no
// dates.
TEST(DateWeek, TableOfPairsAndAWeekCountOverThreeYears) {
    const std::tuple<COleDateTime, COleDateTime, bool> cases[] = {
        {COleDateTime(1899, 12, 29, 18, 0, 0), COleDateTime(1899, 12, 30, 6, 0, 0), true},
        {COleDateTime(2023, 2, 29, 0, 0, 0), COleDateTime(2023, 2, 28, 0, 0, 0), false},  // no date
        {COleDateTime(2024, 3, 6, 0, 0, 0), COleDateTime(9e9), false},  // value out of range
    };
    for (const auto& [first, second, same] : cases) {
        EXPECT_EQ(s_DateIsInSameWeek(first, second), same) << first.m_dt << " / " << second.m_dt;
    }
    COleDateTime nullDate(2024, 3, 6, 0, 0, 0), valid(nullDate);
    nullDate.SetStatus(COleDateTime::null);
    EXPECT_FALSE(s_DateIsInSameWeek(nullDate, valid));
    EXPECT_FALSE(s_DateIsInSameWeek(valid, nullDate));
    // Every pair of days up to nine apart in 2023-2025, at random seconds of the day: day i after
    // Sunday 1 January 2023 (DATE 44927) is in week i / 7.
    std::mt19937 rng(11);
    auto at = [&](int day) { return COleDateTime(44927 + day + rng() % 86400 / 86400.0); };
    for (int i = 0; i < 3 * 365; ++i) {
        for (int j = std::max(0, i - 9); j <= i + 9; ++j) {
            ASSERT_EQ(s_DateIsInSameWeek(at(i), at(j)), i / 7 == j / 7) << i << " " << j;
        }
    }
}

}  // namespace
