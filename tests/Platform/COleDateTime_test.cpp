// The stand-in's COleDateTime: DATE values against a day-by-day count, validity of parts,
// days before 30 December 1899, differences and weekdays.
#include <HalcyonCommon.h>

#include "support/Calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using halcyon::test::DaysIn;

TEST(COleDateTime, KnownValues) {
    struct Case {
        int y, m, d, h, mi, s;
        double value;
        int dayOfWeek;
    } cases[] = {
        {100, 1, 1, 0, 0, 0, -657434.0, 6},
        {9999, 12, 31, 0, 0, 0, 2958465.0, 6},
        {1999, 3, 19, 22, 15, 0, 36238.0 + 22.25 / 24, 6},
    };
    for (const auto& c : cases) {
        COleDateTime date(c.y, c.m, c.d, c.h, c.mi, c.s);
        ASSERT_EQ(date.GetStatus(), COleDateTime::valid) << c.y;
        EXPECT_NEAR(date.m_dt, c.value, 1e-9) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(date.GetYear(), c.y);
        EXPECT_EQ(date.GetMonth(), c.m);
        EXPECT_EQ(date.GetDay(), c.d);
        EXPECT_EQ(date.GetHour(), c.h);
        EXPECT_EQ(date.GetMinute(), c.mi);
        EXPECT_EQ(date.GetSecond(), c.s);
        EXPECT_EQ(date.GetDayOfWeek(), c.dayOfWeek) << c.y << "-" << c.m << "-" << c.d;
    }
}

// Every day from 1800 to 2200 against a count of days from 30 December 1899 (a Saturday) and a
// count of days within the year.
TEST(COleDateTime, EveryDayAgreesWithADayCount) {
    long count = 0;
    for (int y = 1899; y <= 2200; ++y) {
        int dayOfYear = y == 1899 ? 364 : 1;
        for (int m = y == 1899 ? 12 : 1; m <= 12; ++m) {
            for (int d = (y == 1899 ? 30 : 1); d <= DaysIn(y, m); ++d, ++count, ++dayOfYear) {
                COleDateTime date(y, m, d, 0, 0, 0);
                ASSERT_EQ(date.m_dt, static_cast<double>(count)) << y << "-" << m << "-" << d;
                ASSERT_EQ(date.GetDayOfYear(), dayOfYear) << y << "-" << m << "-" << d;
                ASSERT_EQ(date.GetDayOfWeek(), (count + 6) % 7 + 1);
            }
        }
    }
    // Before day 0 the whole part counts days back and the fraction (noon) still counts forward.
    count = 0;
    for (int y = 1899; y >= 1800; --y) {
        for (int m = 12; m >= 1; --m) {
            for (int d = (y == 1899 && m == 12 ? 30 : DaysIn(y, m)); d >= 1; --d, --count) {
                COleDateTime date(y, m, d, 12, 0, 0);
                ASSERT_DOUBLE_EQ(date.m_dt, count == 0 ? 0.5 : count - 0.5) << y << "-" << m;
                ASSERT_EQ(date.GetYear(), y);
                ASSERT_EQ(date.GetMonth(), m);
                ASSERT_EQ(date.GetDay(), d);
                ASSERT_EQ(date.GetHour(), 12);
                ASSERT_EQ(date.GetDayOfWeek(), ((count % 7) + 13) % 7 + 1);
            }
        }
    }
}

TEST(COleDateTime, InvalidPartsAndValues) {
    struct Case {
        int y, m, d, h, mi, s;
    } cases[] = {
        {2023, 2, 29, 0, 0, 0}, {2024, 4, 31, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
        {2024, 1, 0, 0, 0, 0},  {99, 1, 1, 0, 0, 0},    {10000, 1, 1, 0, 0, 0},
        {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0}, {2024, 1, 1, 0, 0, 60},
    };
    for (const auto& c : cases) {
        COleDateTime date(c.y, c.m, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(date.GetStatus(), COleDateTime::invalid) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(date.GetYear(), -1);
        EXPECT_EQ(date.GetDayOfWeek(), -1);
        EXPECT_EQ(date.SetDateTime(c.y, c.m, c.d, c.h, c.mi, c.s), 1);
    }
    COleDateTime date;
    EXPECT_EQ(date.SetDate(2024, 2, 29), 0);
    EXPECT_EQ(date.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(date.SetTime(6, 0, 0), 0);
    EXPECT_DOUBLE_EQ(date.m_dt, 0.25);
    for (double bad : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN()}) {
        COleDateTime out(bad);
        EXPECT_EQ(out.GetYear(), -1) << bad;
        EXPECT_EQ(out.GetDayOfWeek(), -1) << bad;
        EXPECT_EQ(out.GetDayOfYear(), -1) << bad;
    }
    EXPECT_EQ(COleDateTime(2958465.999).GetYear(), 9999);
}

TEST(COleDateTime, TimesRoundToTheNearestSecond) {
    COleDateTime almost(36526.0 - 0.4 / 86400);  // 0.4 s before 1 January 2000
    EXPECT_EQ(almost.GetYear(), 2000);
    EXPECT_EQ(almost.GetHour(), 0);
    COleDateTime before(36526.0 - 0.6 / 86400);
    EXPECT_EQ(before.GetYear(), 1999);
    EXPECT_EQ(before.GetSecond(), 59);
    COleDateTime negative(-1.0 - (86399.6 / 86400));  // 29 December 1899, 23:59:59.6
    EXPECT_EQ(negative.GetDay(), 30);
    EXPECT_EQ(negative.GetHour(), 0);
}

TEST(COleDateTime, DifferencesUseLinearValues) {
    COleDateTime zero(0.0), before(-1.25);
    EXPECT_DOUBLE_EQ((zero - before).GetTotalDays(), 0.75);
    EXPECT_DOUBLE_EQ((before - zero).GetTotalDays(), -0.75);
    EXPECT_TRUE(before < zero);
    EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(-1.75));  // 29 December, 06:00 and 18:00
    COleDateTime a(2024, 3, 2, 18, 0, 0), b(2024, 2, 29, 6, 0, 0);
    COleDateTimeSpan span = a - b;
    EXPECT_DOUBLE_EQ(span.GetTotalDays(), 2.5);
    EXPECT_EQ(span.GetDays(), 2);
    EXPECT_EQ((b - a).GetDays(), -2);
    EXPECT_EQ(span.GetStatus(), COleDateTimeSpan::valid);
    EXPECT_TRUE(b + span == a);
    EXPECT_TRUE(a - span == b);
    COleDateTime c = COleDateTime(1899, 12, 31, 0, 0, 0) - COleDateTimeSpan(1, 18, 0, 0);
    EXPECT_EQ(c.GetDay(), 29);
    EXPECT_EQ(c.GetHour(), 6);
    EXPECT_DOUBLE_EQ(c.m_dt, -1.25);
    COleDateTime invalid(2023, 2, 29, 0, 0, 0), null;
    null.SetStatus(COleDateTime::null);
    EXPECT_EQ((a - invalid).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((invalid - null).GetStatus(), COleDateTimeSpan::null);
    EXPECT_EQ((invalid + span).GetStatus(), COleDateTime::invalid);
}

}  // namespace
