// JulianDay against a plain day-by-day count of the calendar, its refusals and their verify
// reports, and day numbers outside 1970 onwards.
#include <HalcyonCommon.h>

#include "support/Calendar.h"
#include "support/VerifyLog.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

using halcyon::test::DaysIn;
using halcyon::test::VerifyLog;

TEST(JulianDay, AgreesWithADayByDayCountFrom1970To2100) {
    VerifyLog log;
    long count = 0;
    for (int year = 1970; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysIn(year, month); ++day, ++count) {
                char text[32];
                std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
                JulianDay fromText{CString(text)};
                ASSERT_EQ(fromText.GetJulianDay(), count) << text;
                JulianDay fromNumber(count);
                ASSERT_STREQ(fromNumber.GetDateString(), text);
                ASSERT_EQ(fromNumber.GetYear(), year - 1900) << text;
                ASSERT_EQ(fromNumber.GetMonth(), month) << text;
                ASSERT_EQ(fromNumber.GetDay(), day) << text;
                ASSERT_EQ(fromNumber.GetJulianLong(), (year * 100L + month) * 100 + day);
                if (count == 0) continue;  // "no date": checked on its own
                // 1 January 1970 was a Thursday.
                ASSERT_EQ(fromNumber.GetWeek(), (count + 4) % 7) << text;
                ASSERT_EQ(fromNumber.GetJulWeek(), (count + 4) / 7) << text;
                ASSERT_EQ(fromNumber.GetJulMonth(), (year - 1970) * 12 + month) << text;
            }
        }
    }
    EXPECT_EQ(count, 47847);
    EXPECT_EQ(log.NewLines().size(), 0u) << "valid dates reported";
}

// Every valid day to 2100 is checked above; these are the texts it does not form.
TEST(JulianDay, RolledOverAndLastDates) {
    struct Case {
        const char* text;
        long day;
        unsigned short week, julWeek, julMonth;
        const char* dateString;
    } cases[] = {
        // Days past the month's end (CheckDate allows up to 31) roll over into the next.
        {"20240231", 19784, 6, 2826, 651, "20240302"},
        // Weeks and months past 65535 wrap in their 16-bit results.
        {"99991231", 2932896, 5, 418985 % 65536, 96360 % 65536, "99991231"},
    };
    for (const auto& c : cases) {
        JulianDay date{CString(c.text)};
        EXPECT_EQ(date.GetJulianDay(), c.day) << c.text;
        EXPECT_EQ(date.GetWeek(), c.week) << c.text;
        EXPECT_EQ(date.IsSaturday(), c.week == 6) << c.text;
        EXPECT_EQ(date.GetJulWeek(), c.julWeek) << c.text;
        EXPECT_EQ(date.GetJulMonth(), c.julMonth) << c.text;
        EXPECT_STREQ(date.GetDateString(), c.dateString);
    }
    EXPECT_EQ(sizeof(JulianDay), 4u);
}

TEST(JulianDay, RefusedTextsGiveDayZeroAndOneReportEach) {
    const char* refused[] = {"19691231", "2024011",  "2024O101", "20241301",
                             "20240100", "20240132", "",         "+2024022"};
    for (const char* text : refused) {
        VerifyLog log;
        JulianDay date{CString(text)};
        EXPECT_EQ(date.GetJulianDay(), 0) << text;
        EXPECT_FALSE(date.CheckDate(CString(text))) << text;
        EXPECT_TRUE(log.OneNewLineWith(
            "<CheckDate(strDate)> failed in file <CommonSrc/TQJulianDay.cpp> in line <"))
            << text;
    }
    // An embedded NUL makes eight characters that are not all digits.
    VerifyLog log;
    JulianDay withNul{
        CString("2024\0"
                "229",
                8)};
    EXPECT_EQ(withNul.GetJulianDay(), 0);
    EXPECT_EQ(log.NewLines().size(), 1u);
    EXPECT_TRUE(withNul.CheckDate(CString("20240231")));  // CheckDate alone reports nothing
    EXPECT_EQ(log.NewLines().size(), 1u);
    // Day 0's calendar fields are checked with every other day; these answer as for no date.
    EXPECT_EQ(withNul.GetJulMonth(), 0);
    EXPECT_EQ(withNul.GetJulWeek(), 0);
    EXPECT_EQ(withNul.GetWeek(), 1);
    EXPECT_FALSE(withNul.IsSaturday());
}

TEST(JulianDay, DaysBefore1970AndExtremeNumbers) {
    struct Case {
        long day;
        const char* dateString;
        unsigned short week;
    } cases[] = {
        {-1, "19691231", 3},      {-4, "19691228", 0},      {-25568, "18991231", 0},
        {-719468, "00000301", 3}, {-719469, "00000229", 2},
    };
    for (const auto& c : cases) {
        JulianDay date(c.day);
        EXPECT_STREQ(date.GetDateString(), c.dateString) << c.day;
        EXPECT_EQ(date.GetWeek(), c.week) << c.day;
    }
    EXPECT_EQ(JulianDay(-1L).GetYear(), 69);
    EXPECT_EQ(JulianDay(-25568L).GetYear(), 65535);  // 1899: years since 1900 wrap
    EXPECT_EQ(JulianDay(-1L).GetJulianLong(), 19691231);
    // Whatever they answer, the extremes of a 32-bit day number must not misbehave.
    for (long day : {static_cast<long>(INT_MIN), static_cast<long>(INT_MAX), -1000000L}) {
        JulianDay date(day);
        EXPECT_LE(date.GetWeek(), 6);
        EXPECT_FALSE(date.GetDateString().IsEmpty());
    }
}

}  // namespace
