// SPDX-License-Identifier: Apache-2.0
// CString at the edges the library meets (arguments out of range, null texts, unsigned bytes),
// and the code pages that decide which bytes lead a double-byte character.
#include "Platform/Win.h"
#include "Platform/common/Mbcs.h"
#include "support/TestEnv.h"

#include <Platform/CString.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

int Sign(int n) { return (n > 0) - (n < 0); }

TEST(CString, SubstringsAndSearchesClipTheirArguments) {
    const CString s("abcdef");
    struct Case {
        CString got;
        const char* want;
    } texts[] = {
        {s.Mid(-3, 2), "ab"},   {s.Mid(4, 99), "ef"},      {s.Mid(99, 1), ""},
        {s.Mid(1, -1), ""},     {s.Left(-1), ""},          {s.Left(99), "abcdef"},
        {CString(nullptr), ""}, {CString("abc", 2), "ab"},
    };
    for (const Case& c : texts) EXPECT_STREQ(c.got, c.want);
    CString inserted("ab");
    inserted.Insert(1, "XY");
    inserted.Insert(99, "!");  // past the end: appended
    EXPECT_STREQ(inserted, "aXYb!");
    const CString dots("a.b.c");
    // Bytes compare in byte order, not locale order, and unsigned.
    const int numbers[][2] = {
        {dots.Find('.', 2), 3},
        {dots.Find('.', 5), -1},
        {dots.Find("b.c"), 2},
        {dots.ReverseFind('.'), 3},
        {Sign(CString("B").Compare("a")), -1},
        {Sign(CString("\xE9").Compare("z")), 1},
        {Sign(CString("abc").CompareNoCase("ABD")), -1},
        {CString("Bin").CompareNoCase("BIN"), 0},
    };
    for (const auto& n : numbers) EXPECT_EQ(n[0], n[1]) << &n - numbers;
}

TEST(CString, LongFormats) {
    std::string big(5000, 'q');
    CString s;
    s.Format("<%s>%d", big.c_str(), 7);
    EXPECT_EQ(s.GetLength(), 5003);
    EXPECT_STREQ(s.Mid(5000), "q>7");
}

TEST(CodePage, LeadBytesPerCodePage) {
    struct Case {
        win::UINT codePage;
        unsigned char byte;
        bool lead;
    } cases[] = {
        {950, 0x80, false}, {950, 0x81, true}, {950, 0xFE, true},  {950, 0xFF, false},
        {936, 0x81, true},  {949, 0xFE, true}, {932, 0x9F, true},  {932, 0xA0, false},
        {932, 0xE0, true},  {932, 0xFC, true}, {932, 0xFD, false}, {1252, 0xA5, false},
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

// A lead byte at the very end has no trail byte: it is a character of its own.
TEST(CodePage, ALeadByteAtTheEndStandsAlone) {
    EXPECT_EQ(halcyon::mbcs::ReverseFindChar("\xA5", 1, '\xA5'), 0);
    EXPECT_EQ(halcyon::mbcs::FindChar("a\xA5", 2, '\xA5', 0), 1);
}

}  // namespace
