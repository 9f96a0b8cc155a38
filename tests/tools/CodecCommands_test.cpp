// halcyon pack / unpack and scramble / unscramble, run as separate processes on files and pipes,
// and the errors a user meets.
#include "Coding/CodecSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon/Scrambler.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test::codec;
using namespace halcyon::test;

std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string Scrambled(std::string plain) {
    std::string out(plain.size(), '\0');
    s_CodingEncode_2(static_cast<long>(plain.size()), reinterpret_cast<unsigned char*>(&plain[0]),
                     reinterpret_cast<unsigned char*>(&out[0]));
    return out;
}

// Each pair forward and back through named files, and through '-', standard input and output and
// a pipe.
TEST(CodecCommands, FilesAndPipesRoundTrip) {
    std::string dir = MakeScratchFolder("codec-commands");
    std::string plain = AsText(MarketCsv(100000, 21)) + std::string("\0\x01\xFF\x7F\r\n\x1a", 7);
    WriteFile(dir + "/in", plain);
    struct Tool {
        const char* forward;
        const char* back;
        std::string coded;
    } tools[] = {
        {"pack", "unpack", AsText(Encode(FromText(plain)))},
        {"scramble", "unscramble", Scrambled(plain)},
    };
    auto file = [&](const char* name) { return "\"" + dir + "/" + name + "\""; };
    for (const Tool& t : tools) {
        std::string f = ToolCommand(t.forward), b = ToolCommand(t.back);
        struct Step {
            std::string command;
            const char* output;
            const std::string& want;
        } steps[] = {
            {f + " " + file("in") + " " + file("o1"), "o1", t.coded},
            {b + " " + file("o1") + " " + file("b1"), "b1", plain},
            {f + " - - < " + file("in") + " | " + b + " > " + file("b2"), "b2", plain},
        };
        for (const Step& s : steps) {
            std::string out;
            ASSERT_EQ(RunCommand(s.command, out), 0) << s.command << ": " << out;
            EXPECT_EQ(ReadFile(dir + "/" + s.output), s.want) << s.command;
        }
    }
}

TEST(CodecCommands, ErrorsAreClearAndWriteNothing) {
    std::string dir = MakeScratchFolder("codec-command-errors");
    std::string good = AsText(Encode(Text(5000, 3)));
    struct Case {
        const char* command;
        std::string input;  // the bytes of the file named "in"
        const char* message;
    } cases[] = {
        {"unpack", good.substr(0, good.size() - 1), "damaged stream"},
        {"unpack", good.substr(0, 3), "not a codec stream"},
        {"pack", "", "empty"},
        {"scramble", "1234", "at least 5"},
    };
    for (const Case& c : cases) {
        WriteFile(dir + "/in", c.input);
        std::string out;
        EXPECT_EQ(RunTool(std::string(c.command) + " \"" + dir + "/in\" \"" + dir + "/out\"", out),
                  1)
            << c.command;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.command << ": " << out;
        EXPECT_FALSE(FileExists(dir + "/out")) << c.command;
    }
    std::string out;
    EXPECT_EQ(RunTool("unpack \"" + dir + "/missing\" \"" + dir + "/out\"", out), 1);
    EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
    WriteFile(dir + "/in", "123456");
    EXPECT_EQ(RunTool("scramble \"" + dir + "/in\" \"" + dir + "/nofolder/out\"", out), 1);
    EXPECT_NE(out.find("cannot create"), std::string::npos) << out;
}

}  // namespace
