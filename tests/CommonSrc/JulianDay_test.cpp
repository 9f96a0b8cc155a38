// SPDX-License-Identifier: Apache-2.0
// JulianDay against a plain day-by-day count of the calendar, its refusals and their verify
// reports, and day numbers outside 1970 onwards.
#include <HalcyonCommon.h>

#include "support/Calendar.h"
#include "support/VerifyLog.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using halcyon::test::DaysIn;
using halcyon::test::VerifyLog;

TEST(JulianDay, AgreesWithADayByDayCountFrom1970To2100) {
    VerifyLog log;
    long count = 0;
    for (int year = 1970; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysIn(year, month); ++day, ++count) {
                long number = (year * 100L + month) * 100 + day;
                CString text(std::to_string(number).c_str());
                ASSERT_EQ(JulianDay(text).GetJulianDay(), count) << number;
                JulianDay fromNumber(count);
                ASSERT_STREQ(fromNumber.GetDateString(), text);
                ASSERT_EQ(fromNumber.GetJulianLong(), number);
                ASSERT_EQ(fromNumber.GetYear(), year - 1900) << number;
                ASSERT_EQ(fromNumber.GetMonth(), month) << number;
                ASSERT_EQ(fromNumber.GetDay(), day) << number;
                if (count == 0) continue;  // "no date": checked on its own
                // 1 January 1970 was a Thursday.
                ASSERT_EQ(fromNumber.GetWeek(), (count + 4) % 7) << number;
                ASSERT_EQ(fromNumber.GetJulWeek(), (count + 4) / 7) << number;
                ASSERT_EQ(fromNumber.GetJulMonth(), (year - 1970) * 12 + month) << number;
            }
        }
    }
    EXPECT_EQ(count, 47847);
    EXPECT_EQ(log.NewLines().size(), 0u) << "valid dates reported";
}

// Refused texts, day 0, days before 1970, days rolled over, the last day.
TEST(JulianDay, RefusedTextsDaysBefore1970RolledOverAndLast) {
    const char* refused[] = {"19691231", "2024011",  "2024O101", "20240001",
                             "20241301", "20240100", "20240132"};
    for (const char* text : refused) {
        VerifyLog log;
        JulianDay date{CString(text)};
        EXPECT_EQ(date.GetJulianDay(), 0) << text;
        EXPECT_FALSE(date.CheckDate(CString(text))) << text;
        EXPECT_TRUE(log.OneNewLineWith(
            "<CheckDate(strDate)> failed in file <CommonSrc/TQJulianDay.cpp> in line <"))
            << text;
    }
    // Day 0 is "no date": the day-by-day test skips its week and month counts, which say so.
    JulianDay none(0L);
    EXPECT_EQ(none.GetJulMonth(), 0);
    EXPECT_EQ(none.GetJulWeek(), 0);
    EXPECT_EQ(none.GetWeek(), 1);
    // Days before 1970, which the day-by-day test does not form: day, date, weekday and years
    // since 1900 (which wrap in 16 bits before 1900).
    const std::tuple<long, const char*, unsigned short, unsigned short> cases[] = {
        {-1, "19691231", 3, 69},
        {-25568, "18991231", 0, 65535},
        {-719468, "00000301", 3, 63636},
        {-719469, "00000229", 2, 63636},
    };
    for (auto [day, text, week, year] : cases) {
        JulianDay date(day);
        EXPECT_STREQ(date.GetDateString(), text) << day;
        EXPECT_EQ(date.GetWeek(), week) << day;
        EXPECT_EQ(date.GetYear(), year) << day;
    }
    // Days past the month's end (CheckDate allows up to 31) roll over into the next.
    JulianDay rolled{CString("20240231")};
    EXPECT_EQ(rolled.GetJulianDay(), 19784);
    EXPECT_STREQ(rolled.GetDateString(), "20240302");
    EXPECT_TRUE(rolled.IsSaturday());
    // Weeks and months past 65535 wrap in their 16-bit results.
    JulianDay last{CString("99991231")};
    EXPECT_EQ(last.GetJulianDay(), 2932896);
    EXPECT_EQ(last.GetJulWeek(), 418985 % 65536);
    EXPECT_EQ(last.GetJulMonth(), 96360 % 65536);
    EXPECT_FALSE(last.IsSaturday());
    EXPECT_EQ(sizeof(JulianDay), 4u);
}

}  // namespace
