// SPDX-License-Identifier: Apache-2.0
// Progress lines of demo and pack/unpack: drawn on a terminal (script(1) gives the tool one),
// never into a pipe or a file, and not for quick work.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

TEST(CliProgress, OnATerminalOnly) {
#if HALCYON_STAND_IN
    const std::string root = RootHostPath();
    const std::string tool = PlaceProgram(HALCYON_TOOL_PATH, root + "/BIN", "progress");
    ASSERT_FALSE(tool.empty());
    std::string out;
    // Some 40 MB of text that compresses slowly enough to be watched.
    ASSERT_EQ(RunCommand("head -c 30000000 /dev/urandom | base64 > '" + root + "/big'", out), 0);
    WriteFile(root + "/small", std::string(1000, 'x'));
    const std::string at = " '" + root + "/";
    const struct {
        std::string args;
        bool terminal;
        const char* shown;  // on the terminal; "" when nothing may show
    } cases[] = {
        {"demo --records 200000", true, "halcyon demo: 200000 of 200000 records (100%)"},
        {"demo --records 200000", false, ""},
        {"pack" + at + "big'" + at + "big.lzh'", true, "halcyon pack: compressing "},
        {"unpack" + at + "big.lzh'" + at + "big.out'", true, " MB -> 40.5 MB in "},
        {"unpack" + at + "big.lzh'" + at + "big2.out'", false, ""},
        {"pack" + at + "small'" + at + "small.lzh'", true, ""},
    };
    for (const auto& c : cases) {
        const std::string command = "'" + tool + "' " + c.args;
        // A pipe gets standard output; a file gets standard error.
        const std::string run =
            c.terminal
                ? "script -qec \"" + command + "\" /dev/null"
                : command + " 2>'" + root + "/stderr' | cat >/dev/null; cat '" + root + "/stderr'";
        ASSERT_EQ(RunCommand(run, out), 0) << run << ": " << out;
        if (c.shown[0] != '\0') {
            EXPECT_NE(out.find(c.shown), std::string::npos) << run << ": " << out;
            EXPECT_NE(out.find("\r"), std::string::npos) << run;  // drawn in place
        } else {
            EXPECT_EQ(out.find("halcyon "), std::string::npos) << run << ": " << out;
        }
    }
    EXPECT_EQ(ReadFile(root + "/big.out"), ReadFile(root + "/big"));
    EXPECT_EQ(ReadFile(root + "/big2.out"), ReadFile(root + "/big"));
#else
    GTEST_SKIP() << "script(1) and the shell pipeline of this test are POSIX ones";
#endif
}

}  // namespace
