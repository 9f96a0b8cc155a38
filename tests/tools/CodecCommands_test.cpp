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

// Each pair forward and back, through named files, standard input and output, '-' and a pipe.
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
            {f + " - - < " + file("in") + " > " + file("o2"), "o2", t.coded},
            {f + " < " + file("in") + " | " + b + " > " + file("b2"), "b2", plain},
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
    struct Input {
        const char* name;
        std::string bytes;
    } inputs[] = {
        {"cut.lzh", good.substr(0, good.size() - 1)},
        {"junk.lzh", good + "junk"},
        {"zero.lzh", std::string(4, '\0') + good.substr(4)},
        {"three.lzh", good.substr(0, 3)},
        {"empty", ""},
        {"short", "1234"},
        {"ok", "123456"},
    };
    for (const Input& i : inputs) WriteFile(dir + "/" + i.name, i.bytes);
    struct Case {
        std::string args;
        const char* message;
    } cases[] = {
        {"unpack cut.lzh", "damaged stream"},  {"unpack junk.lzh", "damaged stream"},
        {"unpack zero.lzh", "damaged stream"}, {"unpack three.lzh", "not a codec stream"},
        {"unpack missing.lzh", "cannot open"}, {"pack empty", "empty"},
        {"scramble missing", "cannot open"},   {"scramble short", "at least 5"},
        {"unscramble short", "at least 5"},
    };
    for (const Case& c : cases) {
        std::string out;
        size_t blank = c.args.find(' ');
        std::string command = ToolCommand(c.args.substr(0, blank)) + " \"" + dir + "/" +
                              c.args.substr(blank + 1) + "\" \"" + dir + "/out\"";
        EXPECT_EQ(RunCommand(command, out), 1) << c.args;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.args << ": " << out;
        EXPECT_FALSE(FileExists(dir + "/out")) << c.args;
    }
    std::string out;
    EXPECT_EQ(RunTool("scramble \"" + dir + "/ok\" \"" + dir + "/nofolder/out\"", out), 1);
    EXPECT_NE(out.find("cannot create"), std::string::npos) << out;
}

}  // namespace
