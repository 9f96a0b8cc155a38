// The halcyon tool's subcommands answered in one line or two: each date action's output, and the
// usage errors of every subcommand, with their exit codes.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ToolCommands, OutputsAndUsageErrors) {
    struct Case {
        const char* args;
        int code;
        const char* output;
    } cases[] = {
        {"date check 20240229", 0, "20240229: valid date"},
        {"date check 20230229", 1, "not a valid date"},
        {"date day 20240229", 0, "day      19782\nweek     2826\nmonth    650\nweekday  Thursday"},
        {"date day 19700101", 0, "day      0 (day 0 also stands for no date)"},
        {"date day 20240231", 2, "is not a valid date"},
        {"date from-day 19782", 0, "20240229 Thursday"},
        {"date from-day 2932896", 0, "99991231 Friday"},
        {"date from-day 2932897", 2, "from 0 to 2932896"},
        {"date letter 3", 0, "H\n"},
        {"date letter 13", 2, "from 1 to 12"},
        {"date month H", 0, "3\n"},
        {"date month h", 2, "not a contract month letter"},
        {"date", 2, "missing action"},
        {"date when 20240229", 2, "unknown action 'when'"},
        {"date check", 2, "check takes exactly one argument"},
        {"date --help", 0, "usage: halcyon date check YYYYMMDD"},
        {"queue", 2, "missing subcommand"},
        {"queue fetch X", 2, "unknown subcommand 'fetch'"},
        {"queue push", 2, "needs a queue name of 1-31 characters"},
        {"queue host Q --size 256", 2, "--size takes 1 to 255"},
        {"queue pop Q --count -1", 2, "--count takes a positive number"},
        {"queue list extra", 2, "list takes no arguments"},
        {"demo --records 0", 2, "from 1 to 100000000"},
        {"demo --fast", 2, "unexpected argument '--fast'"},
        {"pack --help", 0, "usage: halcyon pack"},
        {"pack a b c", 2, "too many arguments"},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(halcyon::test::RunTool(c.args, output), c.code) << c.args << ": " << output;
        EXPECT_NE(output.find(c.output), std::string::npos) << c.args << ": " << output;
    }
}

}  // namespace
