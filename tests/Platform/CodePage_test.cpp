#include "Platform/Win.h"
#include "common/Mbcs.h"
#include "support/TestEnv.h"

#include <Platform/CString.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(CodePage, LeadBytesPerCodePage) {
    struct Case {
        win::UINT codePage;
        unsigned char byte;
        bool lead;
    } cases[] = {
        {950, 0x80, false},   {950, 0x81, true},  {950, 0xA5, true},  {950, 0xFE, true},
        {950, 0xFF, false},   {950, 0x5C, false}, {936, 0x81, true},  {949, 0xFE, true},
        {932, 0x81, true},    {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xDF, false},
        {932, 0xE0, true},    {932, 0xFC, true},  {932, 0xFD, false}, {1252, 0xA5, false},
        {65001, 0xE4, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win::IsDBCSLeadByteEx(c.codePage, c.byte) != FALSE, c.lead)
            << c.codePage << " " << int(c.byte);
    }
}

// Child: prints the active code page and where the last backslash of a Big5 path is.
int CodePageRole(const std::vector<std::string>&) {
    CString path("C:\\\xA5\x5C\xA5\x5C");  // two Big5 characters whose trail bytes are '\'
    std::printf("%u %d %d\n", win::GetACP(), path.ReverseFind('\\'), path.Find('\\', 3));
    return 0;
}
const halcyon::test::ChildRole kCodePage("codepage", CodePageRole);

TEST(CodePage, ActiveCodePageComesFromTheEnvironment) {
#if HALCYON_STAND_IN
    std::string self = halcyon::test::ChildCommand("codepage");
    struct Case {
        const char* env;
        const char* want;
    } cases[] = {
        {"HALCYON_CODEPAGE=950", "950 2 -1\n"},
        {"HALCYON_CODEPAGE=1252", "1252 6 4\n"},
        {"HALCYON_CODEPAGE= LC_ALL=zh_TW.Big5", "950 2 -1\n"},
        {"HALCYON_CODEPAGE= LC_ALL= LC_CTYPE=zh_CN.GB18030", "936 2 -1\n"},
        {"HALCYON_CODEPAGE=12345 LC_ALL=C.UTF-8", "65001 6 4\n"},
        {"HALCYON_CODEPAGE= LC_ALL= LC_CTYPE= LANG=", "1252 6 4\n"},
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_EQ(halcyon::test::RunCommand(std::string("env ") + c.env + " " + self, out), 0);
        EXPECT_EQ(out, c.want) << c.env;
    }
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE and the locale variables are read by the Linux stand-in";
#endif
}

// The helpers under the code page the test run has; a child covers code page 950 above.
TEST(CodePage, DoubleByteAwareSearches) {
    const char text[] =
        "a\\\xA5\x5C"
        "b\\";
    EXPECT_EQ(halcyon::mbcs::ReverseFindChar(text, sizeof text - 1, '\\'), 5);
    EXPECT_EQ(halcyon::mbcs::FindChar(text, sizeof text - 1, '\\', 2),
              win::IsDBCSLeadByte(0xA5) ? 5 : 3);
    // A lead byte at the very end has no trail byte: it is a character of its own.
    EXPECT_EQ(halcyon::mbcs::ReverseFindChar("\xA5", 1, '\xA5'), 0);
}

}  // namespace
