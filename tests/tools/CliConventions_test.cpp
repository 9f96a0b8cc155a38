// SPDX-License-Identifier: Apache-2.0
// The conventions every halcyon command shares: help, version, option syntax and the wording of
// usage errors, run as the tool itself.
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

namespace {

using namespace halcyon::test;

// Runs the tool placed in the test root's BIN folder, so that what it creates stays there.
const std::string& Halcyon() {
    static const std::string tool =
        "\"" + PlaceProgram(HALCYON_TOOL_PATH, RootHostPath() + "/BIN", "cli") + "\" ";
    return tool;
}
int Halcyon(const std::string& args, std::string& out) { return RunCommand(Halcyon() + args, out); }

TEST(CliConventions, OptionSyntaxAndUsageErrors) {
    ExpectRuns(
        Halcyon(),
        {
            {"", 2, "halcyon: missing command\nusage: halcyon <command>"},
            {"--bogus", 2, "halcyon: unknown option '--bogus'\nTry 'halcyon --help'."},
            {"nope", 2, "halcyon: unknown command 'nope'"},
            {"help queue", 0,
             "usage: halcyon queue host NAME... [--size KIB] [--take-over]\n"
             "                     [--lock-free]\n"},
            {"tz --json", 2,
             "halcyon tz: missing subcommand (list, diff, local)\nTry 'halcyon help tz'."},
            {"tz nope", 2, "halcyon tz: unknown subcommand 'nope' (list, diff, local)\n"},
            {"queue pop X --count", 2, "halcyon queue: option '--count' needs a value (N)\n"},
            {"queue pop X --count --wait", 2, "option '--count' needs a value"},
            {"queue pop X --count=0", 2, "bad value '0' for option '--count': a number from 1 to"},
            {"queue pop", 2, "halcyon queue: missing argument NAME for pop\n"},
            {"paths --market=255", 2, "bad value '255' for option '--market'"},
            {"paths --market=42", 0, "market dat         Z:\\"},
            {"paths --market 42 --host", 0, "market dat"},
            {"objects --stale=yes", 2, "halcyon objects: option '--stale' takes no value"},
            {"pack -x", 2, "halcyon pack: unknown option '-x'"},
            {"date check 20240229 more", 2, "halcyon date: unexpected argument 'more'\n"},
            {"date check -- 20240229", 0, "20240229: valid date"},
            {"date month -- --help", 2,
             "halcyon date: bad argument '--help': not a contract month"},
            {"date from-day --help", 0, "usage: halcyon date check YYYYMMDD"},
            {"log system x 1 -7 a b --", 0, ""}  // a negative number is an operand
        });
    std::string out;
    ASSERT_EQ(Halcyon("--version", out), 0);
    EXPECT_TRUE(std::regex_match(out, std::regex("halcyon [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << out;
}

// Every listed command describes itself through both doors alike, within 79 columns.
TEST(CliConventions, EveryCommandHasHelp) {
    std::string list;
    ASSERT_EQ(Halcyon("--help", list), 0);
    std::istringstream lines(list.substr(list.find("commands:\n") + 10));
    std::string line, manual;
    ASSERT_EQ(Halcyon("--man", manual), 0);
    int commands = 0;
    while (std::getline(lines, line) && !line.empty()) {
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        std::string viaHelp, viaOption;
        ASSERT_EQ(Halcyon("help " + name, viaHelp), 0) << name;
        ASSERT_EQ(Halcyon(name + " --help", viaOption), 0) << name;
        EXPECT_EQ(viaHelp, viaOption) << name;
        EXPECT_EQ(viaHelp.rfind("usage: halcyon " + name, 0), 0u) << viaHelp;
        std::istringstream help(viaHelp);
        for (std::string row; std::getline(help, row);) EXPECT_LE(row.size(), 79u) << row;
        EXPECT_NE(manual.find("\n.SS " + name + "\n"), std::string::npos) << name;
        ++commands;
    }
    EXPECT_GE(commands, 14);  // every build has all but bridge and metrics (optional libraries)
    // The demo's consumer is started with a hidden option: neither help nor manual shows it.
    std::string demo;
    ASSERT_EQ(Halcyon("help demo", demo), 0);
    EXPECT_EQ(demo.find("--consume"), std::string::npos) << demo;
    EXPECT_EQ(manual.find("\\-\\-consume"), std::string::npos);
}

}  // namespace
