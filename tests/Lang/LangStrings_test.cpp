// The string table: what the language files' lines become, lookups, reloading, failures.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

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

    static void Load(const std::string& main, const char* bk = nullptr) {
        WriteLanguageFile("Test.lng", main);
        if (bk != nullptr) WriteLanguageFile("TestBK.lng", bk);
        s_LangUnInitialLanguageString();
        ASSERT_TRUE(s_LangInitialLanguageString());
    }
    static std::string Get(const char* key) {
        return std::string(s_LangGetLangString(CString(key)));
    }
};

// The second file, when there is one, is joined to the first byte for byte: a first file
// without a final line break runs its last line into the second file's first one.
TEST_F(LangStrings, LinesBecomeSectionsAndEntries) {
    const struct {
        std::string file;
        const char* bk;
        const char* key;
        const char* want;
    } cases[] = {
        {"[MAIN]\r\nIDS_MAIN_TITLE=Halcyon\r\n", nullptr, "IDS_MAIN_TITLE", "Halcyon"},
        {"[MAIN]\r\nIDS_MAIN_TITLE = a b \r\n", nullptr, "IDS_MAIN_TITLE ", " a b "},  // no trim
        {"[MAIN]\r\nIDS_MAIN_X=1\r\nIDS_MAIN_X=2\r\n", nullptr, "IDS_MAIN_X", "2"},    // later wins
        {"[MAIN]\r\nIDS_MAIN_X=a\\nb\\Nc\\\r\n", nullptr, "IDS_MAIN_X", "a\r\nb\r\nc\\"},
        {"[MAIN]\r\nIDS_MAIN_X=a=b\r\n", nullptr, "IDS_MAIN_X", "a=b"},  // at the first "="
        {"IDS_MAIN_X=before\r\n[MAIN]\r\n", nullptr, "IDS_MAIN_X", ""},  // before any header
        {"[MAIN] \r\nIDS_MAIN_X=1\r\n", nullptr, "IDS_MAIN_X", ""},      // section "MAIN] "
        {"[MAIN]\r\n[]\r\nIDS_MAIN_X=kept\r\n", nullptr, "IDS_MAIN_X", "kept"},  // no header
        {"[MAIN]\r\n;IDS_MAIN_X=c\r\n", nullptr, ";IDS_MAIN_X", "c"},  // no comment syntax
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n", nullptr, "IDSMAINX", ""},       // no underscore
        {"[MAIN]\r\nIDS_MAIN=1\r\n", nullptr, "IDS_MAIN", ""},         // one underscore only
        {"[MAIN]\r\nIDS_MAIN_X=1", nullptr, "IDS_MAIN_X", "1"},        // no final line break
        {"[MAIN]\rXIDS_MAIN_X=1\r\n", nullptr, "IDS_MAIN_X", "1"},     // the byte after CR goes
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n\0IDS_MAIN_Y=2"s, nullptr, "IDS_MAIN_Y", ""},  // NUL ends it
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "[MAIN]\r\nIDS_MAIN_A=2\r\n", "IDS_MAIN_A", "2"},
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "IDS_MAIN_B=3\r\n", "IDS_MAIN_B", "3"},
        {"[MAIN]\r\nIDS_MAIN_A=1", "x\r\nIDS_MAIN_B=3\r\n", "IDS_MAIN_A", "1x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + (c.bk != nullptr ? c.bk : ""));
        RemoveLanguageFile("TestBK.lng");
        Load(c.file, c.bk);
        EXPECT_EQ(Get(c.key), c.want);
    }
}

TEST_F(LangStrings, UnloadingForgetsTheStrings) {
    Load("[MAIN]\r\nIDS_MAIN_A=1\r\n");
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

// The settings name the language files. A missing one is reported (error code 2), and so is a
// name that is a path (badPath, 3), which is never opened; a missing second file is no error.
TEST_F(LangStrings, FileNamesAndMissingFiles) {
    WriteLanguageFile("Test.lng", "[MAIN]\r\nIDS_MAIN_A=1\r\n");
    const std::pair<const char*, int> cases[] = {
        {"Test.lng", 0},
        {"Missing.lng", 2},
        {"..\\Language\\Test.lng", 3},
        {"../Language/Test.lng", 3},
        {"Z:Test.lng", 3},
    };
    for (const auto& [name, code] : cases) {
        WriteLanguageSettings("2", name);
        std::string out;
        ASSERT_EQ(RunCommand(ChildCommand("lang-load"), out), 0);
        EXPECT_EQ(out, code == 0 ? "loaded 1\n"
                                 : "[" + RootWindowsPath() + "\\Sys\\Language\\" + name +
                                       "]--error code:" + std::to_string(code) + "\nloaded 0\n");
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
    EXPECT_EQ(std::string(s_LangGetBKLangFile()), "TestBK.lng");
    CStringArray names;
    names.Add("stale");
    s_LangGetAllLang(names);
    ASSERT_EQ(names.GetSize(), 2);  // 1 and 2; 3 is missing, so 4 is never read
    EXPECT_EQ(std::string(names[0]) + "|" + std::string(names[1]), "One|Two");
    CString other("1");
    EXPECT_TRUE(s_LangSetLang(other));
    EXPECT_EQ(s_LangGetLangID(), 2);  // the running process keeps its language
    EXPECT_EQ(std::string(s_LangGetLangFile()), "Test.lng");
    EXPECT_NE(ReadFile(LanguageFolder() + "/Language.ini").find("LANG=1"), std::string::npos);
    WriteLanguageSettings();
}

// A line break within the length given, and a backslash of its own, make CR LF.
TEST(LangParse, LineBreaksWithinTheLengthGiven) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"a\\n", 2, "a\\n"},
        {"\\", 1, "\\"},
        {"\\\\n", 3, "\\\r\n"},
        {"x\\n", 99, "x\r\n"},
    };
    for (const auto& [in, length, want] : cases) {
        CString text(in);
        s_LangConvertEnterChar(text, length);
        EXPECT_EQ(std::string(text), want) << in;
    }
}

}  // namespace
