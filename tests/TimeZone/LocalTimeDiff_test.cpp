// SPDX-License-Identifier: Apache-2.0
// The computer's own zone: a zone's difference from the local standard time, built on the
// standard bias that GetTimeZoneInformation gives (on Linux from TZ), daylight saving time or not.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace {

TEST(LocalTimeDiff, IsTheZonesDifferenceFromLocalStandardTime) {
    CTimeZone table;
    table.RemoveAllTimeZoneNode();
    table.InsertTimeZoneNode('T', 480);
#if HALCYON_STAND_IN
    // Rules written out, so that no zone database is needed, and GetLocalTimeDiff of T (GMT+8).
    // One of the two zones with daylight saving time is in it on any day of the year.
    const std::pair<const char*, long> zones[] = {
        {"IST-5:30", -150},
        {"EST5EDT,M3.2.0,M11.1.0", -780},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", 120},
    };
    const char* saved = std::getenv("TZ");
    const std::string old = saved != nullptr ? saved : "";
    for (const auto& [tz, local] : zones) {
        setenv("TZ", tz, 1);
        EXPECT_EQ(table.GetLocalTimeDiff('T'), local) << tz;
    }
    if (saved != nullptr) {
        setenv("TZ", old.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
#else
    // The C runtime keeps the zone's standard offset apart (seconds west of Greenwich).
    _tzset();
    EXPECT_EQ(table.GetLocalTimeDiff('T'), -(_timezone / 60 + 480));
#endif
}

}  // namespace
