// halcyon tz, run from an installation's BIN folder so that it reads that installation's
// SYS\TimeZone.Ctl: its answers, and its errors for a missing file, an empty table and an
// unknown zone.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using halcyon::test::RootHostPath;

TEST(TzCommand, AnswersAndErrors) {
    std::string tool = halcyon::test::PlaceProgram(HALCYON_TOOL_PATH, RootHostPath() + "/BIN");
    ASSERT_FALSE(tool.empty());
    const std::string ctl = RootHostPath() + "/SYS/TimeZone.Ctl";
    ASSERT_TRUE(halcyon::test::MakeFolder(RootHostPath() + "/SYS"));
    const std::string table = "/ zones\nT,480 Taipei\nN -300\nI,330\n\nX,1\n";
    struct Case {
        const char* file;  // null: no file
        const char* args;
        int code;
        const char* output;
    } cases[] = {
        {table.c_str(), "tz list", 0,
         "T      480  GMT+08:00\nN     -300  GMT-05:00\nI      330  GMT+05:30\n"},
        {table.c_str(), "tz diff T N", 0, "780 minutes: zone T's clock is 13:00 ahead of zone N's"},
        {table.c_str(), "tz diff I T", 0, "-150 minutes: zone I's clock is 02:30 behind zone T's"},
        {table.c_str(), "tz diff T T", 0, "0 minutes: zone T's clock is the same as zone T's"},
        {table.c_str(), "tz diff T X", 1, "zone 'X' is not in"},  // after the empty line
        {table.c_str(), "tz local t", 1, "zone 't' is not in"},
        {table.c_str(), "tz diff TPE N", 2, "'TPE' is not a zone code"},
        {table.c_str(), "tz diff T", 2, "diff takes 2 zone code(s)"},
        {table.c_str(), "tz when", 2, "unknown action 'when'"},
        {table.c_str(), "tz", 2, "missing action"},
        {"\nT,480\n", "tz list", 1, "holds no zone"},
        {nullptr, "tz list", 1, "cannot read the time zone file"},
        {nullptr, "tz --help", 0, "usage: halcyon tz list"},
    };
    for (const auto& c : cases) {
        std::remove(ctl.c_str());
        if (c.file != nullptr) halcyon::test::WriteFile(ctl, c.file);
        std::string output;
        EXPECT_EQ(halcyon::test::RunCommand("\"" + tool + "\" " + c.args, output), c.code)
            << c.args << ": " << output;
        EXPECT_NE(output.find(c.output), std::string::npos) << c.args << ": " << output;
    }
#if HALCYON_STAND_IN
    halcyon::test::WriteFile(ctl, table);
    std::string output;
    EXPECT_EQ(
        halcyon::test::RunCommand("TZ=EST5EDT,M3.2.0,M11.1.0 \"" + tool + "\" tz local T", output),
        0);
    EXPECT_NE(output.find("-780 minutes"), std::string::npos) << output;
#endif
}

}  // namespace
