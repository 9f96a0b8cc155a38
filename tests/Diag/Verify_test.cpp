#include "support/TestEnv.h"
#include "support/VerifyLog.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

using halcyon::test::FileExists;
using halcyon::test::ReadFile;
using halcyon::test::RootHostPath;

TEST(Verify, AppendsOneCrLfLinePerFailedCheck) {
    halcyon::test::VerifyLog verify;
    halcyon::test::WriteFile(verify.path(), "earlier\r\n");
    EXPECT_FALSE(TQVerify("p != NULL", "tqutil", 21));
    EXPECT_FALSE(TQVerify(nullptr, nullptr, 65535));
    std::string log = ReadFile(verify.path());
    std::regex lines(
        R"(earlier\r\n)"
        R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d <p != NULL> failed in file <tqutil> in line <21>\r\n)"
        R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d <\(null\)> failed in file <\(null\)> in line <65535>\r\n)");
    EXPECT_TRUE(std::regex_match(log, lines)) << log;
}

TEST(Verify, WithoutALogFolderNothingIsWritten) {
    EXPECT_FALSE(TQVerify("x", "f", 1));
    EXPECT_FALSE(FileExists(RootHostPath() + "/LOG"));
}

TEST(Verify, TheLogIsEmptiedOnceAfterTenThousandCalls) {
    halcyon::test::VerifyLog verify;
    for (int i = 0; i < 10001; ++i) TQVerify("old", "f", 1);
    // The 10002nd call finds the count at 10001: it deletes the log and writes its first line.
    TQVerify("new", "f", 2);
    std::string log = ReadFile(verify.path());
    EXPECT_EQ(log.find("<old>"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    TQVerify("next", "f", 3);
    std::string after = ReadFile(verify.path());
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 2);
}

struct Captured {
    std::string text;
    std::string caption;
    unsigned type = 99;
    int calls = 0;
};

int Capture(const char* text, const char* caption, unsigned type, void* context) {
    auto* c = static_cast<Captured*>(context);
    c->text = text;
    c->caption = caption;
    c->type = type;
    ++c->calls;
    return 1;
}

TEST(DebugMessageBox, ShowsTheStampedFormattedText) {
    Captured box;
    halcyon::SetMessageBoxHook(Capture, &box);
    s_LogDebugMessageBox("code %d%%", 5);
    std::string longText(3000, 'L');
    Captured first = box;
    s_LogDebugMessageBox("%s|", longText.c_str());
    halcyon::SetMessageBoxHook(nullptr, nullptr);

    EXPECT_EQ(box.calls, 2);
    EXPECT_TRUE(
        std::regex_match(first.text, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d code 5%)")))
        << first.text;
    EXPECT_EQ(first.caption, "Error");
    EXPECT_EQ(first.type, 0u);
    EXPECT_EQ(box.text.size(), 20 + longText.size() + 1);  // never cut short
    EXPECT_EQ(box.text.back(), '|');
}

TEST(RawData, AppendsBytesUnchanged) {
    std::string file = RootHostPath() + "/DAT/raw.bin";
    char bytes[] = {'\n', '\0', '\r', 'x', '\x1a'};
    long length = sizeof bytes;
    s_LogWriteRawData("raw.bin", bytes, length);
    s_LogWriteRawData("RAW.BIN", bytes, length);  // the same file, found without regard to case
    EXPECT_EQ(ReadFile(file), std::string(bytes, sizeof bytes) + std::string(bytes, sizeof bytes));

    long zero = 0;
    s_LogWriteRawData("empty.bin", bytes, zero);
    EXPECT_TRUE(FileExists(RootHostPath() + "/DAT/empty.bin"));
    EXPECT_EQ(ReadFile(RootHostPath() + "/DAT/empty.bin"), "");

    long negative = -1;
    s_LogWriteRawData("neg.bin", bytes, negative);
    s_LogWriteRawData("null.bin", nullptr, length);
    s_LogWriteRawData("no\\such\\folder.bin", bytes, length);
    EXPECT_FALSE(FileExists(RootHostPath() + "/DAT/neg.bin"));
    EXPECT_FALSE(FileExists(RootHostPath() + "/DAT/null.bin"));
}

}  // namespace
