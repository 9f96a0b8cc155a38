// The s_Date… helpers: tables of valid and invalid dates, times and month letters, every day and
// every minute against plain rules, and the same-week test against a week count.
#include <HalcyonCommon.h>

#include "support/Calendar.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>

namespace {

using halcyon::test::DaysIn;

std::string DateText(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

// Texts and numbers that the day-by-day test below does not form: outside its years and months,
// not eight digits; and the leap-year rule past its years.
TEST(DateCheck, DatesTheDayByDayLoopDoesNotForm) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"19000229", false},  {"24000229", true},  {"19691231", false}, {"2024022A", false},
        {"20241301", false},  {"00000000", false}, {"99991231", true},  {"2024229", false},
        {"202402290", false}, {" 2024022", false}, {"+2024022", false},
    };
    for (const auto& c : cases) EXPECT_EQ(s_DateCheckDate(CString(c.text)), c.valid) << c.text;
    for (long number : {1010101L, -20240229L, 100000101L, LONG_MAX, LONG_MIN})
        EXPECT_FALSE(s_DateCheckDate(number)) << number;
    EXPECT_TRUE(s_DateCheckIsLeapYear(0u));
    EXPECT_FALSE(s_DateCheckIsLeapYear(4294967295u));
}

TEST(DateCheck, EveryDayFrom1970To2100AndTheDayAfterEachMonth) {
    for (int year = 1970; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 0; day <= 32; ++day) {
                bool valid = day >= 1 && day <= DaysIn(year, month);
                std::string text = DateText(year, month, day);
                ASSERT_EQ(s_DateCheckDate(CString(text.c_str())), valid) << text;
                long number = std::stol(text);
                ASSERT_EQ(s_DateCheckDate(number), valid) << number;
            }
        }
    }
}

TEST(DateCheck, EveryFourDigitTimeAndOtherTexts) {
    for (int hh = 0; hh <= 99; ++hh) {
        for (int mm = 0; mm <= 99; ++mm) {
            char text[16];
            std::snprintf(text, sizeof text, "%02d%02d", hh, mm);
            bool valid = hh <= 23 && mm <= 59;
            ASSERT_EQ(s_DateCheckTime(CString(text)), valid) << text;
            ASSERT_EQ(s_DateTransTimeFMTStrToMinutes(CString(text)), valid ? hh * 60 + mm : -1);
        }
    }
    for (const char* text : {"09:30", "0A30", "930", "09300", " 930", "+930"}) {
        EXPECT_FALSE(s_DateCheckTime(CString(text))) << text;
        EXPECT_EQ(s_DateTransTimeFMTStrToMinutes(CString(text)), -1) << text;
    }
    EXPECT_FALSE(
        s_DateCheckTime(CString("09\0"
                                "0",
                                4)));
}

TEST(DateMinutes, EveryMinuteOfTheDayRoundTripsAndOthersDoNot) {
    for (int minutes = 0; minutes < 24 * 60; ++minutes) {
        CString plain = s_DateTransMinutesToTimeFMTStr(minutes, false, false);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%02d%02d", minutes / 60, minutes % 60);
        ASSERT_STREQ(plain, expected);
        ASSERT_EQ(s_DateTransTimeFMTStrToMinutes(plain), minutes);
        CString colon = s_DateTransMinutesToTimeFMTStr(minutes, false, true);
        ASSERT_EQ(colon[2], ':');
        ASSERT_EQ(colon.Left(2) + colon.Mid(3), plain);
        ASSERT_EQ(s_DateTransTimeFMTStrToMinutes(colon), -1);
    }
    // Counts outside the day.
    struct Case {
        int minutes;
        bool skip, colon;
        const char* text;
    } cases[] = {
        {1440, false, false, ""},     {1500, true, true, "25:00"},          {-1, true, true, ""},
        {6000, true, false, "10000"}, {INT_MAX, true, true, "35:79139407"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(s_DateTransMinutesToTimeFMTStr(c.minutes, c.skip, c.colon), c.text)
            << c.minutes << " skip=" << c.skip << " colon=" << c.colon;
    }
}

TEST(DateContractMonth, LettersBothWays) {
    const char letters[] = "FGHJKMNQUVXZ";
    for (unsigned month = 1; month <= 12; ++month) {
        EXPECT_EQ(s_DateGetContractMonthCode(month), letters[month - 1]);
        EXPECT_EQ(s_DateGetContractMonthNumber(letters[month - 1]), month);
    }
    for (unsigned month : {0u, 13u}) EXPECT_EQ(s_DateGetContractMonthCode(month), ' ') << month;
    int matched = 0;
    for (int c = CHAR_MIN; c <= CHAR_MAX; ++c) {
        unsigned number = s_DateGetContractMonthNumber(static_cast<char>(c));
        if (number != 0) {
            ++matched;
            EXPECT_EQ(s_DateGetContractMonthCode(number), static_cast<char>(c));
        }
    }
    EXPECT_EQ(matched, 12);
}

COleDateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
    return COleDateTime(y, m, d, h, mi, s);
}

// Dates from 2023 to 2025 are checked against a week count below; these are the exact week
// boundaries, days before 30 December 1899 (negative DATE values) and dates that are no dates.
TEST(DateWeek, TableOfPairs) {
    struct Case {
        COleDateTime first, second;
        bool same;
    } cases[] = {
        {At(2024, 3, 3, 0, 0, 0), At(2024, 3, 9, 23, 59, 59), true},  // Sunday to Saturday
        {At(2024, 3, 9, 23, 59, 59), At(2024, 3, 10, 0, 0, 0), false},
        {At(1899, 12, 24), At(1899, 12, 30), true},  // across DATE 0, negative values
        {At(1899, 12, 29, 18, 0, 0), At(1899, 12, 30, 6, 0, 0), true},
        {At(2023, 2, 29), At(2023, 2, 28), false},   // invalid date
        {At(2024, 3, 6), COleDateTime(9e9), false},  // value out of range
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s_DateIsInSameWeek(c.first, c.second), c.same)
            << c.first.m_dt << " / " << c.second.m_dt;
    }
    COleDateTime nullDate = At(2024, 3, 6);
    nullDate.SetStatus(COleDateTime::null);
    EXPECT_FALSE(s_DateIsInSameWeek(nullDate, At(2024, 3, 6)));
    EXPECT_FALSE(s_DateIsInSameWeek(At(2024, 3, 6), nullDate));
}

// Against a week count made from a plain day counter: days since Sunday 4 January 1970.
TEST(DateWeek, AgreesWithAWeekCountOverThreeYears) {
    struct Day {
        int y, m, d;
        long index;
    };
    std::vector<Day> days;
    long index = 0;
    for (int y = 1970; y <= 2026; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysIn(y, m); ++d, ++index) {
                if (y >= 2023 && y <= 2025) days.push_back({y, m, d, index});
            }
        }
    }
    std::mt19937 rng(11);
    auto week = [](long dayIndex) { return (dayIndex + 4) / 7; };
    for (size_t i = 0; i < days.size(); ++i) {
        for (size_t j = i >= 9 ? i - 9 : 0; j < days.size() && j <= i + 9; ++j) {
            const Day& a = days[i];
            const Day& b = days[j];
            COleDateTime first = At(a.y, a.m, a.d, rng() % 24, rng() % 60, rng() % 60);
            COleDateTime second = At(b.y, b.m, b.d, rng() % 24, rng() % 60, rng() % 60);
            ASSERT_EQ(s_DateIsInSameWeek(first, second), week(a.index) == week(b.index))
                << DateText(a.y, a.m, a.d) << " " << DateText(b.y, b.m, b.d);
        }
    }
}

}  // namespace
