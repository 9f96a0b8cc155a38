// halcyon scramble / unscramble: files and pipes, and the errors a user meets.
#include <HalcyonCommon.h>

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using halcyon::test::MakeScratchFolder;
using halcyon::test::ReadFile;
using halcyon::test::RunCommand;
using halcyon::test::WriteFile;

const std::string kTool = HALCYON_TOOL_PATH;

std::string Scrambled(std::string plain) {
    std::string out(plain.size(), '\0');
    s_CodingEncode_2(static_cast<long>(plain.size()), reinterpret_cast<unsigned char*>(&plain[0]),
                     reinterpret_cast<unsigned char*>(&out[0]));
    return out;
}

TEST(ScrambleCommand, FilesAndPipesRoundTrip) {
    std::string dir = MakeScratchFolder("scramble");
    std::string plain = "market data record 0001,12.50,300\n";
    plain += std::string("\0\x01\xFF\x7F", 4);
    WriteFile(dir + "/plain", plain);
    std::string output;
    ASSERT_EQ(RunCommand(kTool + " scramble " + dir + "/plain " + dir + "/s", output), 0) << output;
    EXPECT_EQ(ReadFile(dir + "/s"), Scrambled(plain));
    ASSERT_EQ(RunCommand(kTool + " unscramble < " + dir + "/s > " + dir + "/back", output), 0)
        << output;
    EXPECT_EQ(ReadFile(dir + "/back"), plain);
    ASSERT_EQ(RunCommand(kTool + " scramble - - < " + dir + "/plain | " + kTool + " unscramble > " +
                             dir + "/piped",
                         output),
              0)
        << output;
    EXPECT_EQ(ReadFile(dir + "/piped"), plain);
}

TEST(ScrambleCommand, ErrorsAreClearAndNonZero) {
    std::string dir = MakeScratchFolder("scramble-errors");
    WriteFile(dir + "/short", "1234");
    struct Case {
        std::string args;
        int code;
        std::string message;
    } cases[] = {
        {"scramble " + dir + "/missing", 1, "cannot open"},
        {"scramble " + dir + "/short", 1, "at least 5"},
        {"unscramble " + dir + "/short", 1, "at least 5"},
        {"scramble a b c", 2, "too many arguments"},
        {"scramble " + dir + "/short " + dir + "/nofolder/out", 1, "at least 5"},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(RunCommand(kTool + " " + c.args, output), c.code) << c.args;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.args << ": " << output;
    }
    WriteFile(dir + "/ok", "123456");
    std::string output;
    EXPECT_EQ(RunCommand(kTool + " scramble " + dir + "/ok " + dir + "/nofolder/out", output), 1);
    EXPECT_NE(output.find("cannot create"), std::string::npos) << output;
    EXPECT_EQ(RunCommand(kTool + " scramble --help", output), 0);
    EXPECT_NE(output.find("usage: halcyon scramble"), std::string::npos);
}

}  // namespace
