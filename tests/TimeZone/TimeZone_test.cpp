// The zone table: what the control file gives (a malformed line ends it), insertion limits, the
// differences between zones, and the life of the process-wide table.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>
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

struct ControlCase {
    const char* name;
    std::string text;
    Zones zones;
};

const ControlCase kControlCases[] = {
    {"comment, comma, space, a code's first character",
     "/ code, minutes\nTPE,480\nN -300\n",
     {{'T', 480}, {'N', -300}}},
    {"the range's ends", "A 720\nB,-720\nC 721\nD 5\n", {{'A', 720}, {'B', -720}}},
    {"repeated code", "T,480\nT,500\nN,1\n", {{'T', 480}}},
    {"empty line", "T,480\n\nN,1\n", {{'T', 480}}},
    {"one field", "T,480\nN\nA,1\n", {{'T', 480}}},
    {"further fields, numbers as atoi reads them",
     "A,+3,x\nB,,,-4\nC,12abc\nD,abc\nE,\t7\n",
     {{'A', 3}, {'B', -4}, {'C', 12}, {'D', 0}, {'E', 7}}},
    {"CR LF line ends, the last line without one", "A,1\r\nB,2", {{'A', 1}, {'B', 2}}},
    {"Ctrl-Z ends the text", "A,1\n\x1aZ,2\n", {{'A', 1}}},
    {"number beyond int", "A,4294967776\nB,1\n", {}},
    {"upper byte code", "\xA4\xA4,480\n", {{0xA4, 480}}},
    {"tab is no separator", "\tA,5\n", {{'\t', 5}}},
    // Lines are read 255 characters at a time: the rest of a longer line is a line of its own.
    {"long comment's rest", "/" + std::string(254, 'c') + "Q,7\nN,1\n", {{'Q', 7}, {'N', 1}}},
};

TEST(TimeZoneControlFile, TableEndsAtTheFirstLineWithoutAZoneAndRereadingAppends) {
    for (const auto& c : kControlCases) {
        halcyon::test::WriteFile(ControlFile(), c.text);
        CTimeZone table;
        EXPECT_EQ(ZonesOf(table), c.zones) << c.name;
    }
    // A missing file gives an empty table; reading again appends.
    std::remove(ControlFile().c_str());
    CTimeZone table;
    EXPECT_TRUE(table.m_listTimeZone.IsEmpty());
    ASSERT_TRUE(table.InsertTimeZoneNode('X', 60));
    halcyon::test::WriteFile(ControlFile(), "X,1\nA,2\n");
    table.InitialControlFile();  // X is there already: the file's first line ends its table
    EXPECT_EQ(ZonesOf(table), (Zones{{'X', 60}}));
    halcyon::test::WriteFile(ControlFile(), "A,2\nX,1\n");
    table.InitialControlFile();
    EXPECT_EQ(ZonesOf(table), (Zones{{'X', 60}, {'A', 2}}));
}

TEST(TimeZone, InsertionLimitsAndDifferences) {
    std::remove(ControlFile().c_str());
    CTimeZone table;
    struct Insert {
        unsigned char code;
        long offset;
        bool added;
    } inserts[] = {{'T', 480, true},  {'N', -300, true},  {'E', 720, true}, {'W', -720, true},
                   {'F', 721, false}, {'G', -721, false}, {'T', 0, false},  {0xFF, 0, true}};
    for (const auto& i : inserts) {
        EXPECT_EQ(table.InsertTimeZoneNode(i.code, i.offset), i.added) << i.code << i.offset;
    }
    struct Diff {
        unsigned char a, b;
        long diff;
    } diffs[] = {{'T', 'N', 780},  {'E', 'W', 1440}, {'?', 'T', -480},
                 {'N', '?', -300}, {'F', 'G', 0},    {0xFF, 'E', -720}};
    for (const auto& d : diffs) EXPECT_EQ(table.GetTimeDiff(d.a, d.b), d.diff) << d.a << d.b;
    EXPECT_EQ(table.GetTimeDiffFromGMT('?'), 0);
    EXPECT_EQ(table.GetLocalTimeDiff('?'), 0);
    table.RemoveAllTimeZoneNode();
    EXPECT_EQ(table.GetTimeDiffFromGMT('T'), 0);
    EXPECT_TRUE(table.InsertTimeZoneNode('T', 1));
}

TEST(TimeZoneLib, ProcessWideTableLifecycle) {
    s_TimeZoneLibRelease();
    EXPECT_FALSE(s_TimeZoneLibReInitialize());
    halcyon::test::WriteFile(ControlFile(), "T,480\nN -300\n");
    ASSERT_TRUE(s_TimeZoneLibInitialize());
    halcyon::test::WriteFile(ControlFile(), "T,60\n");
    EXPECT_FALSE(s_TimeZoneLibInitialize());  // the table stays as it was read
    EXPECT_EQ(s_TimeZoneLibGetTimeDiff('T', 'N'), 780);
    EXPECT_TRUE(s_TimeZoneLibReInitialize());  // now the file's change takes effect
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 60);
    s_TimeZoneLibRelease();
    s_TimeZoneLibRelease();
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 0);
    EXPECT_EQ(s_TimeZoneLibGetTimeDiff('T', 'N'), 0);
    EXPECT_EQ(s_TimeZoneLibGetLocalTimeDiff('T'), 0);
    EXPECT_FALSE(s_TimeZoneLibReInitialize());

    std::remove(ControlFile().c_str());
    ASSERT_TRUE(s_TimeZoneLibInitialize());
    EXPECT_EQ(s_TimeZoneLibGetTimeDiffFromGMT('T'), 0);
    s_TimeZoneLibRelease();
}

}  // namespace
