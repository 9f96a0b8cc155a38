// halcyon log: lines, the day file's path and the clean-up, from the shell. The tool runs from a
// BIN folder of its own, so its logs go to that folder's LOG.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LogCommand : public testing::Test {
  protected:
    void SetUp() override {
        base_ = halcyon::test::MakeScratchFolder("logtool");
        ASSERT_TRUE(halcyon::test::MakeFolder(base_ + "/BIN"));
        tool_ = halcyon::test::PlaceProgram(HALCYON_TOOL_PATH, base_ + "/BIN");
        ASSERT_FALSE(tool_.empty());
    }

    int Run(const std::string& args, std::string& out) {
        return halcyon::test::RunCommand("\"" + tool_ + "\" log " + args, out);
    }

    std::string base_;
    std::string tool_;
};

TEST_F(LogCommand, WritesLinesAndShowsTheDayFile) {
    std::string out;
    ASSERT_EQ(Run("system orders 2 -7 TXF \"order rejected\"", out), 0) << out;
    ASSERT_EQ(Run("debug orders C:\\\\src\\\\Book.cpp 120 rebuilt", out), 0) << out;
    ASSERT_EQ(Run("path orders --host", out), 0) << out;
    std::string system = out.substr(0, out.find('\n'));
    EXPECT_EQ(fs::path(system).parent_path(), fs::path(base_ + "/LOG/orders/system"));
    std::string text = halcyon::test::ReadFile(system);
    ASSERT_GT(text.size(), 13U);
    EXPECT_EQ(text.substr(13), "MEDIUM  \t-7\tTXF\torder rejected\r\n");  // one line
    ASSERT_EQ(Run("path orders --debug", out), 0) << out;
    EXPECT_NE(out.find("LOG\\\\orders\\\\debug\\Dorders_"), std::string::npos) << out;
    ASSERT_EQ(Run("path orders --debug --host", out), 0) << out;
    std::string debug = halcyon::test::ReadFile(out.substr(0, out.find('\n')));
    ASSERT_GT(debug.size(), 13U);
    EXPECT_EQ(debug.substr(13), "Book.cpp            \t120\trebuilt\r\n");
}

// keep runs the clean-up without writing: of the log's own kind and name only.
TEST_F(LogCommand, KeepDeletesTheLogsFilesPastItsDays) {
    std::string folder = base_ + "/LOG/old/system/";
    ASSERT_TRUE(halcyon::test::MakeFolder(folder));
    const char* names[] = {"Sold_1.log", "Dold_2.log"};
    for (const char* name : names) {
        halcyon::test::WriteFile(folder + name, "x\r\n");
        fs::last_write_time(folder + name, fs::file_time_type::clock::now() - 60h);
    }
    std::string out;
    ASSERT_EQ(Run("keep old 3", out), 0) << out;
    EXPECT_TRUE(halcyon::test::FileExists(folder + names[0]));
    ASSERT_EQ(Run("keep old 2", out), 0) << out;
    EXPECT_FALSE(halcyon::test::FileExists(folder + names[0]));
    EXPECT_TRUE(halcyon::test::FileExists(folder + names[1]));
}

TEST_F(LogCommand, BadArgumentsAreRefused) {
    const char* cases[] = {
        "",     "nope x", "system x 1 2 a", "system x one 2 a b", "debug x f line m",
        "path", "keep x", "keep x -1",      "keep x 1 --host",    "system x 1 2 a b --debug",
    };
    for (const char* args : cases) {
        std::string out;
        EXPECT_EQ(Run(args, out), 2) << args;
        EXPECT_NE(out.find("halcyon log: "), std::string::npos) << args << ": " << out;
    }
}

}  // namespace
