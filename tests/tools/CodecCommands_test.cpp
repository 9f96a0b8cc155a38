// SPDX-License-Identifier: Apache-2.0
// halcyon pack / unpack and scramble / unscramble, run as separate processes on files and pipes.
#include "Coding/CodecSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon/Scrambler.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test::codec;
using namespace halcyon::test;

std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Each pair forward through named files, and forward and back through '-', standard input and
// output and a pipe.
TEST(CodecCommands, FilesAndPipesRoundTrip) {
    std::string dir = MakeScratchFolder("codec-commands");
    std::string plain = AsText(MarketCsv(100000, 21)) + std::string("\0\x01\xFF\x7F\r\n\x1a", 7);
    WriteFile(dir + "/in", plain);
    std::string scrambled(plain.size(), '\0');
    s_CodingEncode_2(static_cast<long>(plain.size()), reinterpret_cast<unsigned char*>(&plain[0]),
                     reinterpret_cast<unsigned char*>(&scrambled[0]));
    struct Tool {
        const char* forward;
        const char* back;
        std::string coded;
    } tools[] = {
        {"pack", "unpack", AsText(Encode(FromText(plain)))},
        {"scramble", "unscramble", scrambled},
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
            {f + " - - < " + file("in") + " | " + b + " > " + file("b2"), "b2", plain},
        };
        for (const Step& s : steps) {
            std::string out;
            ASSERT_EQ(RunCommand(s.command, out), 0) << s.command << ": " << out;
            EXPECT_EQ(ReadFile(dir + "/" + s.output), s.want) << s.command;
        }
    }
}

}  // namespace
