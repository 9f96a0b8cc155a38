// SPDX-License-Identifier: Apache-2.0
#include "support/TestEnv.h"
#include "support/VerifyLog.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace halcyon::test;

TEST(Verify, WithoutALogFolderNothingIsWritten) {
    EXPECT_FALSE(TQVerify("x", "f", 1));
    EXPECT_FALSE(FileExists(RootHostPath() + "/LOG"));
}

// Two lines, then the log is emptied once after ten thousand calls.
TEST(Verify, AppendsOneCrLfLinePerFailedCheckAndEmptiesTheLogOnce) {
    VerifyLog verify;
    WriteFile(verify.path(), "earlier\r\n");
    EXPECT_FALSE(TQVerify("p != NULL", "tqutil", 21));
    EXPECT_FALSE(TQVerify(nullptr, nullptr, 65535));
    std::string log = ReadFile(verify.path());
    std::regex lines(
        R"(earlier\r\n)"
        R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d <p != NULL> failed in file <tqutil> in line <21>\r\n)"
        R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d <\(null\)> failed in file <\(null\)> in line <65535>\r\n)");
    EXPECT_TRUE(std::regex_match(log, lines)) << log;
    for (int i = 2; i < 10001; ++i) TQVerify("old", "f", 1);
    // The 10002nd call finds the count at 10001: it deletes the log and writes its first line.
    TQVerify("new", "f", 2);
    EXPECT_TRUE(verify.OneNewLineWith("<new>"));
    TQVerify("next", "f", 3);
    EXPECT_EQ(verify.NewLines().size(), 2u);
}

// The box shown, as "<caption> <type>: <text>".
TEST(DebugMessageBox, ShowsTheStampedFormattedText) {
    std::string box;
    halcyon::SetMessageBoxHook(
        [](const char* text, const char* caption, unsigned type, void* context) {
            *static_cast<std::string*>(context) =
                std::string(caption) + " " + std::to_string(type) + ": " + text;
            return 1;
        },
        &box);
    s_LogDebugMessageBox("code %d%%", 5);
    EXPECT_TRUE(
        std::regex_match(box, std::regex(R"(Error 0: \d{4}/\d\d/\d\d \d\d:\d\d:\d\d code 5%)")))
        << box;
    std::string longText(3000, 'L');
    s_LogDebugMessageBox("%s|", longText.c_str());
    halcyon::SetMessageBoxHook(nullptr, nullptr);
    EXPECT_EQ(box.size(), 9 + 20 + longText.size() + 1) << "cut short";
    EXPECT_EQ(box.back(), '|');
}

// Bytes are appended to a file in <root>\DAT unchanged; a length of zero
// makes the file, a refused length or buffer makes none.
TEST(RawData, AppendsBytesUnchanged) {
    std::string dat = RootHostPath() + "/DAT/";
    char bytes[] = {'\n', '\0', '\r', 'x', '\x1a'};
    long length = sizeof bytes, zero = 0, negative = -1;
    s_LogWriteRawData("raw.bin", bytes, length);
    s_LogWriteRawData("raw.bin", bytes, length);
    EXPECT_EQ(ReadFile(dat + "raw.bin"), std::string(bytes, length) + std::string(bytes, length));
    s_LogWriteRawData("empty.bin", bytes, zero);
    s_LogWriteRawData("neg.bin", bytes, negative);
    s_LogWriteRawData("null.bin", nullptr, length);
    s_LogWriteRawData("no\\such\\folder.bin", bytes, length);  // nothing to open: no harm
    EXPECT_TRUE(FileExists(dat + "empty.bin"));
    EXPECT_EQ(ReadFile(dat + "empty.bin"), "");
    EXPECT_FALSE(FileExists(dat + "neg.bin"));
    EXPECT_FALSE(FileExists(dat + "null.bin"));
}

}  // namespace
