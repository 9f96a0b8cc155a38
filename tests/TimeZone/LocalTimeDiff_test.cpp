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

#if HALCYON_STAND_IN
// Sets TZ for one scope and puts the old value back.
class ScopedTz {
  public:
    explicit ScopedTz(const char* tz) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz() {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    bool m_had = false;
    std::string m_old;
};

bool DaylightNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_isdst > 0;
}

// Rules written out, so that no zone database is needed.
struct ZoneCase {
    const char* tz;
    bool rules;  // has daylight saving time
    long bias, daylightBias;
    int stdMonth, stdWeek, stdHour, dltMonth, dltWeek, dltHour;
    long localT, localN;  // GetLocalTimeDiff of T (GMT+8) and N (GMT-5)
} const kZones[] = {
    {"UTC0", false, 0, -60, 0, 0, 0, 0, 0, 0, -480, 300},
    {"CST-8", false, -480, -60, 0, 0, 0, 0, 0, 0, 0, 780},
    {"IST-5:30", false, -330, -60, 0, 0, 0, 0, 0, 0, -150, 630},
    {"EST5EDT,M3.2.0,M11.1.0", true, 300, -60, 11, 1, 2, 3, 2, 2, -780, 0},
    {"CET-1CEST,M3.5.0,M10.5.0/3", true, -60, -60, 10, 5, 3, 3, 5, 2, -420, 360},
    {"AEST-10AEDT,M10.1.0,M4.1.0/3", true, -600, -60, 4, 1, 3, 10, 1, 2, 120, 900},
};
#endif

TEST(LocalTimeDiff, StandardBiasOfTheHostZone) {
#if HALCYON_STAND_IN
    CTimeZone table;
    table.RemoveAllTimeZoneNode();
    table.InsertTimeZoneNode('T', 480);
    table.InsertTimeZoneNode('N', -300);
    for (const auto& z : kZones) {
        ScopedTz tz(z.tz);
        win::TIME_ZONE_INFORMATION info;
        win::DWORD id = win::GetTimeZoneInformation(&info);
        win::DWORD expectedId = !z.rules        ? TIME_ZONE_ID_UNKNOWN
                                : DaylightNow() ? TIME_ZONE_ID_DAYLIGHT
                                                : TIME_ZONE_ID_STANDARD;
        EXPECT_EQ(id, expectedId) << z.tz;
        EXPECT_EQ(info.Bias, z.bias) << z.tz;
        EXPECT_EQ(info.StandardBias, 0) << z.tz;
        EXPECT_EQ(info.DaylightBias, z.daylightBias) << z.tz;
        EXPECT_EQ(info.StandardDate.wMonth, z.stdMonth) << z.tz;
        EXPECT_EQ(info.DaylightDate.wMonth, z.dltMonth) << z.tz;
        if (z.rules) {
            EXPECT_EQ(info.StandardDate.wDay, z.stdWeek) << z.tz;
            EXPECT_EQ(info.StandardDate.wHour, z.stdHour) << z.tz;
            EXPECT_EQ(info.StandardDate.wDayOfWeek, 0) << z.tz;
            EXPECT_EQ(info.DaylightDate.wDay, z.dltWeek) << z.tz;
            EXPECT_EQ(info.DaylightDate.wHour, z.dltHour) << z.tz;
        }
        EXPECT_EQ(table.GetLocalTimeDiff('T'), z.localT) << z.tz;
        EXPECT_EQ(table.GetLocalTimeDiff('N'), z.localN) << z.tz;
    }
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
