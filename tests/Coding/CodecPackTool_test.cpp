// halcyon pack / unpack, run as a separate process on files and on pipes.
#include "Coding/CodecSupport.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test::codec;
using halcyon::test::FileExists;
using halcyon::test::MakeScratchFolder;
using halcyon::test::ReadFile;
using halcyon::test::RunCommand;
using halcyon::test::WriteFile;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }
std::string Tool() { return Quote(HALCYON_TOOL_PATH); }
std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(CodecPackTool, PacksAndUnpacksFilesAndPipes) {
    std::string dir = MakeScratchFolder("pack-tool");
    Bytes data = MarketCsv(100000, 21);
    WriteFile(dir + "/ticks.csv", AsText(data));
    std::string out;
    ASSERT_EQ(
        RunCommand(Tool() + " pack " + Quote(dir + "/ticks.csv") + " " + Quote(dir + "/ticks.lzh"),
                   out),
        0)
        << out;
    EXPECT_EQ(ReadFile(dir + "/ticks.lzh"), AsText(Encode(data)));
    ASSERT_EQ(
        RunCommand(Tool() + " unpack " + Quote(dir + "/ticks.lzh") + " " + Quote(dir + "/back.csv"),
                   out),
        0)
        << out;
    EXPECT_EQ(ReadFile(dir + "/back.csv"), AsText(data));

    ASSERT_EQ(RunCommand(Tool() + " pack < " + Quote(dir + "/ticks.csv") + " > " +
                             Quote(dir + "/piped.lzh"),
                         out),
              0)
        << out;
    EXPECT_EQ(ReadFile(dir + "/piped.lzh"), ReadFile(dir + "/ticks.lzh"));
    ASSERT_EQ(RunCommand(Tool() + " unpack - " + Quote(dir + "/piped.csv") + " < " +
                             Quote(dir + "/piped.lzh"),
                         out),
              0)
        << out;
    EXPECT_EQ(ReadFile(dir + "/piped.csv"), AsText(data));
}

TEST(CodecPackTool, RefusesDamagedStreamsAndWritesNothing) {
    std::string dir = MakeScratchFolder("pack-tool-damage");
    std::string good = AsText(Encode(Text(5000, 3)));
    std::string longer = good;
    longer[0] = static_cast<char>(longer[0] + 1);
    struct Case {
        const char* name;
        std::string stream;
        const char* message;
    } cases[] = {
        {"cut short", good.substr(0, good.size() - 1), "damaged stream"},
        {"followed by junk", good + "junk", "damaged stream"},
        {"header one more", longer, "damaged stream"},
        {"header zero", std::string(4, '\0') + good.substr(4), "damaged stream"},
        {"header huge", std::string("\xff\xff\xff\x7f", 4) + good.substr(4), "damaged stream"},
        {"three bytes", good.substr(0, 3), "not a codec stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir + "/bad.lzh", c.stream);
        std::string out;
        EXPECT_EQ(
            RunCommand(
                Tool() + " unpack " + Quote(dir + "/bad.lzh") + " " + Quote(dir + "/bad.out"), out),
            1);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_FALSE(FileExists(dir + "/bad.out"));
    }
    WriteFile(dir + "/empty", "");
    std::string out;
    EXPECT_EQ(
        RunCommand(Tool() + " pack " + Quote(dir + "/empty") + " " + Quote(dir + "/e.lzh"), out),
        1);
    EXPECT_NE(out.find("empty"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(Tool() + " unpack " + Quote(dir + "/missing.lzh"), out), 1);
    EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
}

TEST(CodecPackTool, Help) {
    for (const char* command : {"pack", "unpack"}) {
        std::string out;
        EXPECT_EQ(RunCommand(Tool() + " " + command + " --help", out), 0);
        EXPECT_NE(out.find(std::string("usage: halcyon ") + command), std::string::npos) << out;
        EXPECT_EQ(RunCommand(Tool() + " " + command + " a b c", out), 2);
    }
}

}  // namespace
