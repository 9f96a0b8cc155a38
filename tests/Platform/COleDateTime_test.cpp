// SPDX-License-Identifier: Apache-2.0
// The stand-in's COleDateTime as the library uses it: DATE values against a day-by-day count,
// validity of parts, days before 30 December 1899, differences and weekdays.
#include <HalcyonCommon.h>

#include "support/Calendar.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace {

using halcyon::test::DaysIn;

std::array<int, 6> Parts(const COleDateTime& t) {
    return {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
}

// The first and the last day; every day from 1800 to 2200 against a count of days from
// 30 December 1899 (a Saturday). Before day 0 the whole part counts days back and the fraction
// (noon) still counts forward.
TEST(COleDateTime, EveryDayAgreesWithADayCount) {
    EXPECT_EQ(COleDateTime(100, 1, 1, 0, 0, 0).m_dt, -657434.0);
    EXPECT_EQ(COleDateTime(9999, 12, 31, 0, 0, 0).m_dt, 2958465.0);
    long count = 2;  // 30 and 31 December 1899 are days 0 and 1
    for (int y = 1800; y < 1900; ++y)
        for (int m = 1; m <= 12; ++m) count -= DaysIn(y, m);
    for (int y = 1800; y <= 2200; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysIn(y, m); ++d, ++count) {
                ASSERT_EQ(COleDateTime(y, m, d, 0, 0, 0).m_dt, static_cast<double>(count))
                    << y << "-" << m << "-" << d;
                COleDateTime noon(y, m, d, 12, 0, 0);
                ASSERT_DOUBLE_EQ(noon.m_dt, count < 0 ? count - 0.5 : count + 0.5);
                ASSERT_EQ(Parts(noon), (std::array<int, 6>{y, m, d, 12, 0, 0}));
                ASSERT_EQ(noon.GetDayOfWeek(), ((count % 7) + 13) % 7 + 1);
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
    };
    for (const auto& c : cases) {
        COleDateTime date(c.y, c.m, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(date.GetStatus(), COleDateTime::invalid) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(date.GetDayOfWeek(), -1);
    }
    for (double bad : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(COleDateTime(bad).GetYear(), -1) << bad;
    EXPECT_EQ(COleDateTime(2958465.999).GetYear(), 9999);
}

TEST(COleDateTime, TimesRoundToTheNearestSecond) {
    const std::pair<double, std::array<int, 6>> cases[] = {
        {36526.0 - 0.4 / 86400, {2000, 1, 1, 0, 0, 0}},  // 0.4 s before 1 January 2000
        {36526.0 - 0.6 / 86400, {1999, 12, 31, 23, 59, 59}},
        {-1.0 - (86399.6 / 86400), {1899, 12, 30, 0, 0, 0}},  // 29 December 1899, 23:59:59.6
    };
    for (const auto& [value, parts] : cases) EXPECT_EQ(Parts(COleDateTime(value)), parts) << value;
}

// Before day 0 the fraction counts forward: 29 December 06:00 is -1.25.
TEST(COleDateTime, DifferencesUseLinearValues) {
    EXPECT_DOUBLE_EQ((COleDateTime(0.0) - COleDateTime(-1.25)).GetTotalDays(), 0.75);
    COleDateTime a(2024, 3, 2, 18, 0, 0), b(2024, 2, 29, 6, 0, 0);
    EXPECT_DOUBLE_EQ((b - a).GetTotalDays(), -2.5);
}

}  // namespace
