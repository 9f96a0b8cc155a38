// The computer's own zone: GetTimeZoneInformation of the stand-in from TZ, and the local
// difference built on its standard bias, daylight saving time or not.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

TEST(LocalTimeDiff, StandardBiasOfTheHostZone) {
#if HALCYON_STAND_IN
    // Rules written out, so that no zone database is needed.
    const struct {
        const char* tz;
        bool rules;  // has daylight saving time
        long bias, daylightMonth;
        long localT, localN;  // GetLocalTimeDiff of T (GMT+8) and N (GMT-5)
    } zones[] = {
        {"UTC0", false, 0, 0, -480, 300},
        {"IST-5:30", false, -330, 0, -150, 630},
        {"EST5EDT,M3.2.0,M11.1.0", true, 300, 3, -780, 0},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", true, -600, 10, 120, 900},
    };
    CTimeZone table;
    table.RemoveAllTimeZoneNode();
    table.InsertTimeZoneNode('T', 480);
    table.InsertTimeZoneNode('N', -300);
    const char* saved = std::getenv("TZ");
    const std::string old = saved != nullptr ? saved : "";
    for (const auto& z : zones) {
        setenv("TZ", z.tz, 1);
        tzset();
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        win::TIME_ZONE_INFORMATION info;
        EXPECT_EQ(win::GetTimeZoneInformation(&info), !z.rules             ? TIME_ZONE_ID_UNKNOWN
                                                      : local.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT
                                                                           : TIME_ZONE_ID_STANDARD)
            << z.tz;
        EXPECT_EQ(info.Bias, z.bias) << z.tz;
        EXPECT_EQ(info.StandardBias, 0) << z.tz;
        EXPECT_EQ(info.DaylightDate.wMonth, z.daylightMonth) << z.tz;
        EXPECT_EQ(table.GetLocalTimeDiff('T'), z.localT) << z.tz;
        EXPECT_EQ(table.GetLocalTimeDiff('N'), z.localN) << z.tz;
    }
    if (saved != nullptr) {
        setenv("TZ", old.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    EXPECT_EQ(win::GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
#else
    GTEST_SKIP() << "TZ chooses the zone of the Linux stand-in; Windows takes it from its settings";
#endif
}

// The C runtime keeps the zone's standard offset apart (seconds west of Greenwich).
TEST(LocalTimeDiff, AgreesWithTheRuntimesStandardOffset) {
    CTimeZone table;
    table.RemoveAllTimeZoneNode();
    table.InsertTimeZoneNode('T', 480);
#if HALCYON_STAND_IN
    tzset();
    long west = timezone;
#else
    _tzset();
    long west = _timezone;
#endif
    EXPECT_EQ(table.GetLocalTimeDiff('T'), -(west / 60 + 480));
}

}  // namespace
