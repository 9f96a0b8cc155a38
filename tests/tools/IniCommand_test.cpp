// halcyon ini: settings read through the platform's rules and through the cache's, written, and
// listed; relative names are taken from the current folder.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ToolIni, ReadsWritesAndListsThroughTheLibrary) {
    // The tool runs in the test's current folder, <root>/BIN.
    halcyon::test::WriteFile(halcyon::test::RootHostPath() + "/BIN/tool.ini",
                             "[S]\nk=1\nk=2\n[S]\nj=\"q\"\n");
    const struct {
        const char* args;
        int code;
        const char* output;
    } cases[] = {
        {"ini get tool.ini s k", 0, "1\n"},
        {"ini get tool.ini S J --default none", 0, "none\n"},  // the platform reads the first [S]
        {"ini get tool.ini S J --cached", 0, "\"q\"\n"},       // the cache keeps the last
        {"ini sections tool.ini", 0, "S\nS\n"},
        {"ini set tool.ini T K v", 0, ""},
        {"ini get tool.ini t k", 0, "v\n"},
        {"ini get missing.ini S K", 1, "halcyon ini: cannot read"},
        {"ini get tool.ini S", 2, "get takes FILE SECTION KEY"},
        {"ini drop tool.ini", 2, "unknown action 'drop'"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(halcyon::test::RunTool(c.args, out), c.code) << c.args;
        EXPECT_NE(out.find(c.output), std::string::npos) << c.args << ": " << out;
    }
}

}  // namespace
