#include <Platform/CString.h>
#include <Platform/CStringArray.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CString, SubstringsClipTheirArguments) {
    const CString s("abcdef");
    struct Case {
        CString got;
        const char* want;
    } cases[] = {
        {s.Mid(2), "cdef"},      {s.Mid(2, 2), "cd"},      {s.Mid(-3, 2), "ab"},
        {s.Mid(4, 99), "ef"},    {s.Mid(6), ""},           {s.Mid(99, 1), ""},
        {s.Mid(1, -1), ""},      {s.Left(3), "abc"},       {s.Left(-1), ""},
        {s.Left(99), "abcdef"},  {s.Right(2), "ef"},       {s.Right(0), ""},
        {s.Right(99), "abcdef"}, {CString().Mid(0), ""},   {CString(nullptr), ""},
        {CString("xy", 0), ""},  {CString('-', 3), "---"}, {CString("abc", 2), "ab"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.got, c.want);
}

TEST(CString, SearchesAndComparisons) {
    const CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', 5), -1);
    EXPECT_EQ(s.Find('.', -1), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("zz"), -1);
    EXPECT_EQ(s.Find(nullptr), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.ReverseFind('x'), -1);

    EXPECT_LT(CString("B").Compare("a"), 0);     // byte order, not locale order
    EXPECT_GT(CString("\xE9").Compare("z"), 0);  // bytes compare unsigned
    EXPECT_EQ(CString("Bin").CompareNoCase("BIN"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_EQ(CString("x").Compare(nullptr), 1);
    EXPECT_TRUE(CString("a") < CString("b"));
    EXPECT_TRUE(CString("a") == "a");
    EXPECT_TRUE("b" != CString("a"));
}

TEST(CString, EditingMembers) {
    CString s("  \t padded \r\n");
    EXPECT_STREQ(s.Trim(), "padded");
    CString t("xxabcxx");
    EXPECT_STREQ(t.Trim('x'), "abc");
    CString u("--==value==--");
    EXPECT_STREQ(u.TrimLeft("-=").TrimRight("-"), "value==");

    CString r("a\\b\\c");
    EXPECT_EQ(r.Replace('\\', '/'), 2);
    EXPECT_STREQ(r, "a/b/c");
    CString w("one two one");
    EXPECT_EQ(w.Replace("one", "three"), 2);
    EXPECT_STREQ(w, "three two three");
    EXPECT_EQ(w.Replace("", "x"), 0);
    EXPECT_EQ(w.Replace("two ", nullptr), 1);
    EXPECT_STREQ(w, "three three");

    CString d("abcdef");
    d.Delete(1, 2);
    EXPECT_STREQ(d, "adef");
    d.Insert(1, "XY");
    EXPECT_STREQ(d, "aXYdef");
    d.Insert(99, "!");
    EXPECT_STREQ(d, "aXYdef!");
    EXPECT_EQ(d.Remove('X'), 1);
    EXPECT_STREQ(CString("MiXeD").MakeUpper(), "MIXED");
    EXPECT_STREQ(CString("MiXeD").MakeLower(), "mixed");
}

TEST(CString, FormatHandlesLongTexts) {
    std::string big(5000, 'q');
    CString s;
    s.Format("<%s>%d", big.c_str(), 7);
    EXPECT_EQ(s.GetLength(), 5003);
    EXPECT_EQ(s.Right(3), CString("q>7"));
    s.AppendFormat("%03d", 5);
    EXPECT_EQ(s.Right(4), CString("7005"));
}

TEST(CString, BufferAccess) {
    CString s("abc");
    char* p = s.GetBuffer(10);
    std::snprintf(p, 11, "%s", "hello");
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "hello");
    EXPECT_EQ(s.GetLength(), 5);
    p = s.GetBuffer(0);  // keeps the text when asked for less than it has
    EXPECT_STREQ(p, "hello");
    s.ReleaseBuffer(2);
    EXPECT_STREQ(s, "he");
    s.GetBufferSetLength(4)[3] = 'z';
    s.ReleaseBuffer(99);  // never longer than the buffer
    EXPECT_EQ(s.GetLength(), 4);
}

TEST(CStringArray, IndicesOutsideTheArrayAreHarmless) {
    CStringArray a;
    EXPECT_EQ(a.Add("x"), 0);
    EXPECT_EQ(a.Add("y"), 1);
    a.InsertAt(1, "m", 2);
    ASSERT_EQ(a.GetSize(), 4);
    EXPECT_STREQ(a[1], "m");
    EXPECT_STREQ(a.GetAt(3), "y");
    EXPECT_STREQ(a.GetAt(4), "");
    EXPECT_STREQ(a.GetAt(-1), "");
    a.SetAt(7, "ignored");
    a.RemoveAt(1, 10);
    EXPECT_EQ(a.GetSize(), 1);
    a.RemoveAt(5);
    EXPECT_EQ(a.GetUpperBound(), 0);
    a[9] = "scratch";  // out of range: not stored
    EXPECT_EQ(a.GetSize(), 1);
}

}  // namespace
