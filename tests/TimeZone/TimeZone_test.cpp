// SPDX-License-Identifier: Apache-2.0
// The zone table: what the control file gives (a malformed line ends it) and the life of the
// process-wide table, with the differences it answers; the computer's own zone: a zone's difference
// from the local standard time, built on the standard bias that GetTimeZoneInformation gives (on
// Linux from TZ), daylight saving time or not.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Zones = std::vector<std::pair<unsigned char, long>>;

std::string ControlFile() {
    s_PathGetSysPath(0);
    return halcyon::test::RootHostPath() + "/SYS/TimeZone.Ctl";
}

// The table's zones in list order.
Zones ZonesOf(const CTimeZone& table) {
    Zones zones;
    for (POSITION pos = table.m_listTimeZone.GetHeadPosition(); pos != nullptr;) {
        auto* node = static_cast<CTimeZoneNode*>(table.m_listTimeZone.GetNext(pos));
        zones.emplace_back(node->m_byZoneCode, node->GetTimeDiffFromGMT());
    }
    return zones;
}

// A name for the case, the control file and the zones it gives.
const std::tuple<const char*, std::string, Zones> kControlCases[] = {
    {"comment, comma, space, a code's first character",
     "/ code, minutes\nTPE,480\nN -300\n",
     {{'T', 480}, {'N', -300}}},
    {"the range's ends", "A 720\nB,-720\nC 721\nD 5\n", {{'A', 720}, {'B', -720}}},
    {"repeated code", "T,480\nT,500\nN,1\n", {{'T', 480}}},
    {"empty line", "T,480\n\nN,1\n", {{'T', 480}}},
    {"one field", "T,480\nN\nA,1\n", {{'T', 480}}},
    {"number beyond int", "A,4294967776\nB,1\n", {}},
    {"tab is no separator", "\tA,5\n", {{'\t', 5}}},
    // Lines are read 255 characters at a time: the rest of a longer line is a line of its own.
    {"long comment's rest", "/" + std::string(254, 'c') + "Q,7\nN,1\n", {{'Q', 7}, {'N', 1}}},
};

TEST(TimeZoneControlFile, TableEndsAtTheFirstLineWithoutAZone) {
    for (const auto& [name, text, zones] : kControlCases) {
        halcyon::test::WriteFile(ControlFile(), text);
        CTimeZone table;
        EXPECT_EQ(ZonesOf(table), zones) << name;
    }
}

TEST(TimeZoneLib, ProcessWideTableLifecycle) {
    std::remove(ControlFile().c_str());
    ASSERT_TRUE(s_TimeZoneLibInitialize());  // without a file: an empty table
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 0);
    s_TimeZoneLibRelease();
    halcyon::test::WriteFile(ControlFile(), "T,480\nN -300\n");
    ASSERT_TRUE(s_TimeZoneLibInitialize());
    halcyon::test::WriteFile(ControlFile(), "T,60\n");
    EXPECT_FALSE(s_TimeZoneLibInitialize());  // the table stays as it was read
    EXPECT_EQ(s_TimeZoneLibGetTimeDiff('T', 'N'), 780);
    EXPECT_EQ(s_TimeZoneLibGetTimeDiff('?', 'N'), 300);  // an unknown zone is GMT
    EXPECT_EQ(s_TimeZoneLibGetLocalTimeDiff('?'), 0);
    EXPECT_TRUE(s_TimeZoneLibReInitialize());  // now the file's change takes effect
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 60);
    s_TimeZoneLibRelease();
    s_TimeZoneLibRelease();
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 0);
    EXPECT_EQ(s_TimeZoneLibGetTimeDiff('T', 'N'), 0);
    EXPECT_EQ(s_TimeZoneLibGetLocalTimeDiff('T'), 0);
    EXPECT_FALSE(s_TimeZoneLibReInitialize());
}

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
