// SPDX-License-Identifier: Apache-2.0
// halcyon log: lines, the day file's path and the clean-up, from the shell. The tool runs from a
// BIN folder of its own, so its logs go to that folder's LOG.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace halcyon::test;

TEST(LogCommand, WritesShowsKeepsAndRefuses) {
    const std::string base = MakeScratchFolder("logtool");
    ASSERT_TRUE(MakeFolder(base + "/BIN"));
    const std::string tool = PlaceProgram(HALCYON_TOOL_PATH, base + "/BIN");
    ASSERT_FALSE(tool.empty());
    std::string out;
    auto run = [&](const std::string& args) {
        return RunCommand("\"" + tool + "\" log " + args, out);
    };

    ASSERT_EQ(run("system orders 2 -7 TXF \"order rejected\""), 0) << out;
    ASSERT_EQ(run("debug orders C:\\\\src\\\\Book.cpp 120 rebuilt"), 0) << out;
    ASSERT_EQ(run("path orders --debug"), 0) << out;
    EXPECT_NE(out.find("LOG\\\\orders\\\\debug\\Dorders_"), std::string::npos) << out;
    const struct {
        const char* args;
        const char* folder;
        const char* line;  // after the time
    } files[] = {
        {"path orders --host", "/LOG/orders/system", "MEDIUM  \t-7\tTXF\torder rejected\r\n"},
        {"path orders --debug --host", "/LOG/orders/debug",
         "Book.cpp            \t120\trebuilt\r\n"},
    };
    for (const auto& f : files) {
        ASSERT_EQ(run(f.args), 0) << out;
        std::string path = out.substr(0, out.find('\n'));
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(base + f.folder));
        std::string text = ReadFile(path);
        ASSERT_GT(text.size(), 13U);
        EXPECT_EQ(text.substr(13), f.line);  // one line
    }

    // keep runs the clean-up without writing: of the log's own kind and name only.
    const std::string folder = base + "/LOG/old/system/";
    ASSERT_TRUE(MakeFolder(folder));
    const char* names[] = {"Sold_1.log", "Dold_2.log"};
    for (const char* name : names) {
        WriteFile(folder + name, "x\r\n");
        fs::last_write_time(folder + name, fs::file_time_type::clock::now() - 60h);
    }
    ASSERT_EQ(run("keep old 3"), 0) << out;
    EXPECT_TRUE(FileExists(folder + names[0]));
    ASSERT_EQ(run("keep old 2"), 0) << out;
    EXPECT_FALSE(FileExists(folder + names[0]));
    EXPECT_TRUE(FileExists(folder + names[1]));

    for (const char* args : {"", "nope x", "system x one 2 a b", "keep x -1", "keep x 1 --host"}) {
        EXPECT_EQ(run(args), 2) << args;
        EXPECT_NE(out.find("halcyon log: "), std::string::npos) << args << ": " << out;
    }
}

}  // namespace
