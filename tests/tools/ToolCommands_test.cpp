// SPDX-License-Identifier: Apache-2.0
// The halcyon tool's subcommands, run from an installation (the test root, with the tool placed in
// its BIN folder): each action's output and the errors a user meets, with their exit codes.
#include "Coding/CodecSupport.h"
#include "Lang/LangTestSupport.h"
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace halcyon::test;

TEST(ToolCommands, OutputsAndErrors) {
    const std::string root = RootHostPath();
    const std::string tool = PlaceProgram(HALCYON_TOOL_PATH, root + "/BIN");
    ASSERT_FALSE(tool.empty());
    ASSERT_TRUE(MakeFolder(root + "/SYS"));
    WriteFile(root + "/SYS/TimeZone.Ctl", "/ zones\nT,480 Taipei\nN -300\nI,330\n\nX,1\n");
    WriteFile(root + "/SYS/UserInfo.CFG", "A123");
    WriteFile(root + "/BIN/tool.ini", "[S]\nk=1\nk=2\n[S]\nj=\"q\"\n");  // read from BIN
    WriteLanguageSettings();
    WriteLanguageFile("Test.lng",
                      "[LANG]\r\nIDS_LANG_ONE=One\r\nIDS_LANG_TWO=Two\r\n"
                      "[MAIN]\r\nIDS_MAIN_TITLE=Halcyon\\nTerminal\r\n"
                      "[DIALOG-ABOUTBOX]\r\nIDS_DIALOG-ABOUTBOX_ACCOUNT=Acct:\r\n");
    WriteLanguageFile("BIG5-GB.TAB",
                      ReadFile(std::string(HALCYON_SOURCE_DIR) + "/data/BIG5-GB.TAB"));
    WriteFile(root + "/big5.txt", "\xBB\x4F\xC6\x57 ok\n\xB0\xEA\n");  // 臺灣 ok / 國
    const codec::Bytes packed = codec::Encode(codec::Text(5000, 3));
    WriteFile(root + "/cut.lzh", std::string(packed.begin(), packed.end() - 1));
    WriteFile(root + "/empty", "");
    WriteFile(root + "/three", "123");
    WriteFile(root + "/four", "1234");
    auto at = [&](const char* name) { return " \"" + root + "/" + name + "\""; };
    const std::string halcyon = "\"" + tool + "\" ";
    ExpectRuns(
        halcyon,
        {{"date check 20240229", 0, "20240229: valid date"},
         {"date check 20230229", 1, "not a valid date"},
         {"date day 20240229", 0, "day      19782\nweek     2826\nmonth    650\nweekday  Thursday"},
         {"date day 19700101", 0,
          "day      0\nweek     0\nmonth    0\nweekday  Thursday\nnote     day 0"},
         {"date day 20240231", 2, "bad argument '20240231': not a valid date"},
         {"date from-day 2932896", 0, "99991231 Friday"},
         {"date letter 3", 0, "H\n"},
         {"date month H", 0, "3\n"},
         {"demo --records 0", 2, "from 1 to 100000000"},
         {"pack" + at("empty") + at("out"), 1, "the input is empty"},
         {"unpack" + at("cut.lzh") + at("out"), 1, "damaged stream"},
         {"unpack" + at("three") + at("out"), 1, "not a codec stream"},
         {"scramble" + at("four") + at("out"), 1, "at least 5"},
         {"scramble" + at("big5.txt") + at("no/out"), 1, "cannot create"},
         {"ini get tool.ini S J --default none", 0, "none\n"},  // the platform reads the first [S]
         {"ini get tool.ini S J --cached", 0, "\"q\"\n"},       // the cache keeps the last
         {"ini sections tool.ini", 0, "S\nS\n"},
         {"ini set tool.ini T K v", 0, ""},
         {"ini get tool.ini t k", 0, "v\n"},
         {"ini get missing.ini S K", 1, "halcyon ini: cannot read"},
         {"ini get tool.ini S", 2, "missing argument KEY for get"},
         {"tz list", 0, "T      480  GMT+08:00\nN     -300  GMT-05:00\nI      330  GMT+05:30\n"},
         {"tz diff T N", 0, "780 minutes: zone T's clock is 13:00 ahead of zone N's"},
         {"tz diff I T", 0, "-150 minutes: zone I's clock is 02:30 behind zone T's"},
         {"tz diff T T", 0, "0 minutes: zone T's clock is the same as zone T's"},
         {"tz diff T X", 1, "zone 'X' is not in"},  // after the empty line
         {"tz diff TPE N", 2, "bad argument 'TPE': a zone code is one character"},
         {"lang convert" + at("big5.txt"), 0, "\xCC\xA8\xCD\xE5 ok\n\xB9\xFA\n"},  // 台湾 / 国
         {"lang get IDS_MAIN_TITLE", 0, "Halcyon\r\nTerminal\n"},
         {"lang list", 0, "selected 2\n1 One\n2 Two\n"},
         {"lang get", 2, "missing argument KEY for get"},
         {"lang convert /no/such/file", 1, "cannot open '/no/such/file'"},
         {"appinfo", 0, "account         Acct: A123"}});
    EXPECT_FALSE(FileExists(root + "/out"));  // a failed pack, unpack or scramble writes nothing
#if HALCYON_STAND_IN
    ExpectRuns({{"TZ=EST5EDT,M3.2.0,M11.1.0 " + halcyon + "tz local T", 0, "-780 minutes"}});
#endif
    // The time zone file: one whose first line holds no zone, none at all, and a pipe, which
    // is not read (nobody writes it: a read would wait for ever).
    const std::string ctl = root + "/SYS/TimeZone.Ctl";
    WriteFile(ctl, "\nT,480\n");
    ExpectRuns(halcyon, {{"tz list", 1, "holds no zone"}});
    std::remove(ctl.c_str());
    ExpectRuns(halcyon, {{"tz list", 1, "cannot read the time zone file"}});
#if HALCYON_STAND_IN
    ExpectRuns({{"mkfifo '" + ctl + "' && timeout 60 " + halcyon + "tz list", 1,
                 "cannot read the time zone file"}});
    std::remove(ctl.c_str());
#endif
}

}  // namespace
