// halcyon date: each action's output, and clear errors with non-zero exit codes.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DateCommand, ActionsAndErrors) {
    struct Case {
        const char* args;
        int code;
        const char* output;
    } cases[] = {
        {"check 20240229", 0, "20240229: valid date"},
        {"check 20230229", 1, "not a valid date"},
        {"check 19691231", 1, "not a valid date"},
        {"day 20240229", 0, "day      19782\nweek     2826\nmonth    650\nweekday  Thursday"},
        {"day 19700101", 0, "day      0 (day 0 also stands for no date)"},
        {"day 20240231", 2, "is not a valid date"},
        {"from-day 19782", 0, "20240229 Thursday"},
        {"from-day 0", 0, "19700101 Thursday"},
        {"from-day 2932896", 0, "99991231 Friday"},
        {"from-day 2932897", 2, "from 0 to 2932896"},
        {"from-day -1", 2, "from 0 to 2932896"},
        {"from-day 12x", 2, "from 0 to 2932896"},
        {"letter 3", 0, "H\n"},
        {"letter 12", 0, "Z\n"},
        {"letter 13", 2, "from 1 to 12"},
        {"month H", 0, "3\n"},
        {"month h", 2, "not a contract month letter"},
        {"month HH", 2, "not a contract month letter"},
        {"", 2, "missing action"},
        {"when 20240229", 2, "unknown action 'when'"},
        {"check", 2, "check takes exactly one argument"},
        {"day 20240229 20240301", 2, "day takes exactly one argument"},
        {"--help", 0, "usage: halcyon date check YYYYMMDD"},
    };
    for (const auto& c : cases) {
        std::string output;
        int code =
            halcyon::test::RunCommand(std::string(HALCYON_TOOL_PATH) + " date " + c.args, output);
        EXPECT_EQ(code, c.code) << c.args << ": " << output;
        EXPECT_NE(output.find(c.output), std::string::npos) << c.args << ": " << output;
    }
}

}  // namespace
