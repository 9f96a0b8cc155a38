// The string table: what the language files' lines become, lookups, reloading, failures.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include "HalcyonCommon/Lang/LangState.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace halcyon::test;
using namespace std::string_literals;

class LangStrings : public testing::Test {
  protected:
    void SetUp() override {
        WriteLanguageSettings();
        RemoveLanguageFile("TestBK.lng");
    }
    void TearDown() override { s_LangUnInitialLanguageString(); }

    static void Load(const std::string& main, const std::string* bk = nullptr) {
        WriteLanguageFile("Test.lng", main);
        if (bk != nullptr) WriteLanguageFile("TestBK.lng", *bk);
        s_LangUnInitialLanguageString();
        ASSERT_TRUE(s_LangInitialLanguageString());
    }
    static std::string Get(const char* key) {
        return std::string(s_LangGetLangString(CString(key)));
    }
};

TEST_F(LangStrings, LinesBecomeSectionsAndEntries) {
    struct Case {
        std::string file;
        const char* key;
        const char* want;
    } cases[] = {
        {"[MAIN]\r\nIDS_MAIN_TITLE=Halcyon\r\n", "IDS_MAIN_TITLE", "Halcyon"},
        {"[MAIN]\r\nIDS_MAIN_TITLE = a b \r\n", "IDS_MAIN_TITLE ", " a b "},  // no trimming
        {"[MAIN]\r\nIDS_MAIN_X=1\r\nIDS_MAIN_X=2\r\n", "IDS_MAIN_X", "2"},    // later wins
        {"[MAIN]\r\nIDS_MAIN_X=a\\nb\\Nc\\\r\n", "IDS_MAIN_X", "a\r\nb\r\nc\\"},
        {"[MAIN]\r\nIDS_MAIN_X=a=b\r\n", "IDS_MAIN_X", "a=b"},  // split at the first "="
        {"IDS_MAIN_X=before\r\n[MAIN]\r\n", "IDS_MAIN_X", ""},  // before any header
        {"[MAIN] \r\nIDS_MAIN]_X=1\r\n", "IDS_MAIN]_X", "1"},   // section "MAIN]"
        {"[MAIN] \r\nIDS_MAIN_X=1\r\n", "IDS_MAIN_X", ""},
        {"[M]\r\nIDS_M_X=one\r\n", "IDS_M_X", "one"},                   // a three-character header
        {"[MAIN]\r\n[]\r\nIDS_MAIN_X=kept\r\n", "IDS_MAIN_X", "kept"},  // "[]" is no header
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n[B]\r\n[MAIN]\r\nIDS_MAIN_X=2\r\n", "IDS_MAIN_X", "2"},
        {"[MAIN]\r\nIDS_MAIN_X=cut\0IDS_MAIN_Y=z\r\n"s, "IDS_MAIN_Y", ""},  // a NUL ends it
        {"[MAIN]\r\n;IDS_MAIN_X=c\r\n", ";IDS_MAIN_X", "c"},                // no comment syntax
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n", "IDSMAINX", ""},  // no underscore: no section
        {"[MAIN]\r\nIDS_MAIN=1\r\n", "IDS_MAIN", ""},    // one underscore only
        {"[MAIN]\rIDS_MAIN_X=1\r\n", "IDS_MAIN_X", ""},  // byte after CR is skipped
        {"[MAIN]\r\nIDS_MAIN_X=1", "IDS_MAIN_X", "1"},   // last line without a line break
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Load(c.file);
        EXPECT_EQ(Get(c.key), c.want);
    }
}

// The second file is joined to the first byte for byte: a first file without a final line
// break runs its last line into the second file's first one.
TEST_F(LangStrings, SecondFileJoinsTheFirst) {
    struct Case {
        const char* main;
        const char* bk;
        const char* key;
        const char* want;
    } cases[] = {
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "[MAIN]\r\nIDS_MAIN_A=2\r\n", "IDS_MAIN_A", "2"},
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "IDS_MAIN_B=3\r\n", "IDS_MAIN_B", "3"},
        {"[MAIN]\r\nIDS_MAIN_A=1", "x\r\nIDS_MAIN_B=3\r\n", "IDS_MAIN_A", "1x"},
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "[BKAPI]\r\nIDS_BKAPI_A=b\r\n", "IDS_BKAPI_A", "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bk);
        std::string bk = c.bk;
        Load(c.main, &bk);
        EXPECT_EQ(Get(c.key), c.want);
    }
}

TEST_F(LangStrings, MissingFilesAndUnloading) {
    MessageBoxes boxes;
    RemoveLanguageFile("Test.lng");
    s_LangUnInitialLanguageString();
    EXPECT_FALSE(s_LangInitialLanguageString());
    ASSERT_EQ(boxes.texts.size(), 1U);
    EXPECT_EQ(boxes.texts[0],
              "[" + RootWindowsPath() + "\\Sys\\Language\\Test.lng]--error code:2\n");
    Load("[MAIN]\r\nIDS_MAIN_A=1\r\n");  // no second file: not an error
    EXPECT_EQ(boxes.texts.size(), 1U);
    CString value("untouched");
    EXPECT_TRUE(s_LangGetLanguageString(value, "MAIN", "IDS_MAIN_A"));
    EXPECT_EQ(std::string(value), "1");
    s_LangUnInitialLanguageString();
    EXPECT_FALSE(s_LangGetLanguageString(value, "MAIN", "IDS_MAIN_A"));
    EXPECT_EQ(std::string(value), "1");
    EXPECT_EQ(Get("IDS_MAIN_A"), "");
}

// Child: loads the string table and prints the message boxes and whether it could.
int LoadRole(const std::vector<std::string>&) {
    MessageBoxes boxes;
    bool loaded = s_LangInitialLanguageString();
    for (const std::string& text : boxes.texts) std::printf("%s", text.c_str());
    std::printf("loaded %d\n", loaded);
    return 0;
}
const ChildRole kLoadRole("lang-load", LoadRole);

// The settings name the language files; a name that is a path is refused (badPath, 3).
TEST_F(LangStrings, FileNamesMustNotBePaths) {
    WriteLanguageFile("Test.lng", "[MAIN]\r\nIDS_MAIN_A=1\r\n");
    for (const char* name : {"..\\Language\\Test.lng", "../Language/Test.lng", "Z:Test.lng"}) {
        WriteLanguageSettings("2", name);
        std::string out;
        ASSERT_EQ(RunCommand(ChildCommand("lang-load"), out), 0);
        EXPECT_NE(out.find("]--error code:3\n"), std::string::npos) << name << ": " << out;
        EXPECT_NE(out.find("loaded 0\n"), std::string::npos) << out;
    }
    WriteLanguageSettings();
}

TEST_F(LangStrings, InitialLanguageFillsTheStatusStrings) {
    Load(
        "[BKAPI]\r\nIDS_BKAPI_STQSYMBOL_STATUS_CLOSE=Closed\r\n"
        "IDS_BKAPI_STQSYMBOL_STATUS_LATEOPEN=Late\\nopen\r\n");
    WriteLanguageFile("BIG5-GB.TAB", "GB");  // one entry: A1 40 becomes "GB"
    MessageBoxes boxes;
    EXPECT_TRUE(s_LangInitialLanguage());
    CString converted;
    s_LangConvertToSimplifiedChinese(CString("\xA1\x40"), converted);
    EXPECT_EQ(std::string(converted), "GB");  // language 2 loads the conversion table
    EXPECT_EQ(std::string(STATUS_CLOSE_STRING), "Closed");
    EXPECT_EQ(std::string(STATUS_LATEOPEN_STRING), "Late\r\nopen");
    EXPECT_EQ(std::string(STATUS_OPEN_STRING), "");
    EXPECT_TRUE(s_LangUnInitialLanguage());
    EXPECT_EQ(std::string(STATUS_CLOSE_STRING), "Closed");  // the strings stay
}

TEST_F(LangStrings, SettingsAndLanguageNames) {
    Load("[LANG]\r\nIDS_LANG_ONE=One\r\nIDS_LANG_TWO=Two\r\nIDS_LANG_FOUR=Four\r\n");
    EXPECT_EQ(s_LangGetLangID(), 2);
    EXPECT_EQ(std::string(s_LangGetLangFile()), "Test.lng");
    EXPECT_EQ(std::string(s_LangGetBKLangFile()), "TestBK.lng");
    CStringArray names;
    names.Add("stale");
    s_LangGetAllLang(names);
    ASSERT_EQ(names.GetSize(), 2);  // 1 and 2; 3 is missing, so 4 is never read
    EXPECT_EQ(std::string(names[0]), "One");
    EXPECT_EQ(std::string(names[1]), "Two");
    CString other("1");
    EXPECT_TRUE(s_LangSetLang(other));
    EXPECT_EQ(s_LangGetLangID(), 2);  // the running process keeps its language
    EXPECT_EQ(std::string(s_LangGetLangFile()), "Test.lng");
    EXPECT_NE(ReadFile(LanguageFolder() + "/Language.ini").find("LANG=1"), std::string::npos);
    WriteLanguageSettings();
}

TEST(LangParse, SplittingLines) {
    struct Case {
        std::string text;  // the buffer, ending in the carriage return at `end`
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\r", {"a", "b"}},
        {"\r\n\r\na\r", {"a"}},
        {"a\rXb\r", {"a", "b"}},       // the byte after a carriage return is skipped
        {"a\r\nb\0c\r\nd\r"s, {"a"}},  // a NUL ends the text
        {"abc", {}},                   // no carriage return
    };
    for (Case& c : cases) {
        std::vector<char> buffer(c.text.begin(), c.text.end());
        buffer.push_back('\0');
        s_LangGetAllLine(buffer.data(), buffer.data() + c.text.size() - 1);
        std::vector<std::string> got;
        for (const CString& line : halcyon::lang::Lines()) got.emplace_back(line);
        EXPECT_EQ(got, c.lines) << c.text;
    }
}

TEST(LangParse, SectionsEntriesAndLineBreaks) {
    CString a("old");
    CString b("old");
    EXPECT_FALSE(s_LangGetSection(a, "[]"));
    EXPECT_EQ(std::string(a), "old");
    EXPECT_TRUE(s_LangGetSection(a, "[x]"));
    EXPECT_EQ(std::string(a), "x");
    EXPECT_FALSE(s_LangGetKeyValue(a, b, "no equals"));
    EXPECT_TRUE(s_LangGetKeyValue(a, b, "=v"));
    EXPECT_EQ(std::string(a) + "|" + std::string(b), "|v");
    struct Case {
        const char* in;
        int length;
        const char* want;
    } cases[] = {
        {"a\\nb", 4, "a\r\nb"}, {"a\\N", 3, "a\r\n"},   {"a\\n", 2, "a\\n"},  // past nLength
        {"\\", 1, "\\"},        {"\\\\n", 3, "\\\r\n"}, {"x\\n", 99, "x\r\n"},
    };
    for (const Case& c : cases) {
        CString text(c.in);
        s_LangConvertEnterChar(text, c.length);
        EXPECT_EQ(std::string(text), c.want) << c.in;
    }
}

}  // namespace
