// SPDX-License-Identifier: Apache-2.0
// CString at the edges the library meets (arguments out of range, null texts, unsigned bytes),
// and a lead byte without its trail byte. (The active code page and which bytes lead in each: the
// conformance table Time; Big5 paths through the library: the CodePage950 tests.)
#include "Platform/common/Mbcs.h"

#include <Platform/CString.h>

#include <gtest/gtest.h>

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

// A lead byte at the very end has no trail byte: it is a character of its own.
TEST(CodePage, ALeadByteAtTheEndStandsAlone) {
    EXPECT_EQ(halcyon::mbcs::ReverseFindChar("\xA5", 1, '\xA5'), 0);
    EXPECT_EQ(halcyon::mbcs::FindChar("a\xA5", 2, '\xA5', 0), 1);
}

}  // namespace
