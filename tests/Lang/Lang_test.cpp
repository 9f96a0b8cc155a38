// SPDX-License-Identifier: Apache-2.0
// The language tables: what the language files' lines become, lookups, reloading and failures;
// Big5 to GB through the table's index rules, overrides, reserved rows and dropped pairs (the
// shipped table is run by the halcyon tool's test); which markets convert.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

namespace {

using namespace halcyon::test;
using namespace std::string_literals;

constexpr int kEntries = 13565;

// Entry n of a table of the two bytes 0x81 + n / 191, 0x40 + n % 191: never 0, and each names
// its index.
std::string EntryBytes(int n) {
    return {static_cast<char>(0x81 + n / 191), static_cast<char>(0x40 + n % 191)};
}

std::string NumberedTable() {
    std::string table;
    for (int n = 0; n < kEntries; ++n) table += EntryBytes(n);
    return table;
}

std::string Convert(const std::string& source) {
    CString result("unchanged");
    s_LangConvertToSimplifiedChinese(CString(source), result);
    return std::string(result);
}

class LangStrings : public testing::Test {
  protected:
    void SetUp() override { WriteLanguageSettings(); }
    void TearDown() override { s_LangUnInitialLanguageString(); }

    static void Load(const std::string& main, const std::string& bk = "") {
        WriteLanguageFile("Test.lng", main);
        WriteLanguageFile("TestBK.lng", bk);
        s_LangUnInitialLanguageString();
        ASSERT_TRUE(s_LangInitialLanguageString());
    }
};

// The second file, when there is one, is joined to the first byte for byte: a first file
// without a final line break runs its last line into the second file's first one.
TEST_F(LangStrings, LinesBecomeSectionsAndEntries) {
    // The file, the second file (empty: nothing joined), a key and its string.
    const std::tuple<std::string, std::string, const char*, const char*> cases[] = {
        {"[MAIN]\r\nIDS_MAIN_TITLE = a b \r\n", "", "IDS_MAIN_TITLE ", " a b "},  // no trim
        {"[MAIN]\r\nIDS_MAIN_X=1\r\nIDS_MAIN_X=2\r\n", "", "IDS_MAIN_X", "2"},    // later wins
        {"[MAIN]\r\nIDS_MAIN_X=a\\nb\\Nc\\\r\n", "", "IDS_MAIN_X", "a\r\nb\r\nc\\"},
        {"IDS_MAIN_X=before\r\n[MAIN]\r\n", "", "IDS_MAIN_X", ""},          // before any header
        {"[MAIN] \r\nIDS_MAIN_X=1\r\n", "", "IDS_MAIN_X", ""},              // section "MAIN] "
        {"[MAIN]\r\n[]\r\nIDS_MAIN_X=kept\r\n", "", "IDS_MAIN_X", "kept"},  // no header
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n", "", "IDSMAINX", ""},                 // no underscore
        {"[MAIN]\r\nIDS_MAIN=1\r\n", "", "IDS_MAIN", ""},                   // one underscore only
        {"[MAIN]\r\nIDS_MAIN_X=1", "", "IDS_MAIN_X", "1"},                  // no final line break
        {"[MAIN]\rXIDS_MAIN_X=1\r\n", "", "IDS_MAIN_X", "1"},  // the byte after CR goes
        {"[MAIN]\r\nIDS_MAIN_X=1\r\n\0IDS_MAIN_Y=2"s, "", "IDS_MAIN_Y", ""},  // NUL ends it
        {"[MAIN]\r\nIDS_MAIN_A=1\r\n", "IDS_MAIN_B=3\r\n", "IDS_MAIN_B", "3"},
        {"[MAIN]\r\nIDS_MAIN_A=1", "x\r\nIDS_MAIN_B=3\r\n", "IDS_MAIN_A", "1x"},
    };
    for (const auto& [file, bk, key, want] : cases) {
        SCOPED_TRACE(file + bk);
        Load(file, bk);
        EXPECT_EQ(std::string(s_LangGetLangString(CString(key))), want);
    }
}

// Child: loads the string table and the list of markets that deliver Simplified Chinese already,
// then prints the message boxes shown, whether each loaded, and whether markets 0, 0x0A, 0x0B,
// 0x0C and 0x1B convert. The settings are read once per process.
int LoadRole(const std::vector<std::string>&) {
    MessageBoxes boxes;
    bool loaded = s_LangInitialLanguageString();
    bool listed = s_LangInitSupportSimplifiedService();
    for (const std::string& text : boxes.texts) std::printf("%s", text.c_str());
    std::printf("%d %d ", loaded, listed);
    for (unsigned char market : {0x00, 0x0A, 0x0B, 0x0C, 0x1B}) {
        std::printf("%d", s_LangIsConvertToSimplified(market));
    }
    std::printf("\n");
    return 0;
}
const ChildRole kLoadRole("lang-load", LoadRole);

// The settings name the language and its file. A missing file is reported (error code 2), and so
// is a name that leads out of the language folder (badPath, 3), which is never opened; a name in a
// subfolder is taken; a missing second file is no error. Only language 2 converts, every market but
// those listed.
TEST_F(LangStrings, SettingsFilesAndSimplifiedMarketsOfAProcess) {
    WriteLanguageFile("Test.lng", "[MAIN]\r\nIDS_MAIN_A=1\r\n");
    WriteLanguageFile("One.lng", "[MAIN]\r\nIDS_MAIN_A=1\r\n");
    MakeFolder(LanguageFolder() + "/sub");
    WriteLanguageFile("sub/Sub.lng", "[MAIN]\r\nIDS_MAIN_A=1\r\n");
    std::remove((LanguageFolder() + "/TestBK.lng").c_str());
    const std::string sys = RootHostPath() + "/SYS";
    MakeFolder(sys);
    // The language, its file, the list (null: no Application.ini), the error code and the answers.
    const std::tuple<const char*, const char*, const char*, int, const char*> cases[] = {
        {"2", "Test.lng", "0A, 1B", 0, "1 1 10110"},
        {"2", "Missing.lng", nullptr, 2, "0 1 11111"},
        {"2", "..\\Language\\Test.lng", "0a 1b", 3, "0 1 10110"},
        {"2", "../Language/Test.lng", "0A,1", 3, "0 0 11111"},  // a one-character code: no list
        {"2", "Z:Test.lng", "  ,,0B,, ", 3, "0 1 11011"},
        {"2", "sub\\Sub.lng", "0A", 0, "1 1 10111"},
        {"2", "sub\\.. \\Test.lng", "0A", 3, "0 1 10111"},  // ".. " is ".." to Windows
        {"2", "\\Test.lng", "0A", 3, "0 1 10111"},
        {"2", "Test.lng", "ZZ", 0, "1 1 11111"},  // not hex: 00, which never stops market 0
        {"1", "Test.lng", "0A", 0, "1 1 00000"},
    };
    for (const auto& [lang, file, list, code, want] : cases) {
        SCOPED_TRACE(std::string(file) + " / " + (list != nullptr ? list : "no list"));
        WriteLanguageSettings(lang, file);
        std::remove((sys + "/Application.ini").c_str());
        if (list != nullptr) {
            WriteFile(sys + "/Application.ini",
                      std::string("[LANG_Service]\r\nSimplified_Service=") + list + "\r\n");
        }
        std::string out;
        ASSERT_EQ(RunCommand(ChildCommand("lang-load"), out), 0);
        std::string box = "[" + RootWindowsPath() + "\\Sys\\Language\\" + file +
                          "]--error code:" + std::to_string(code) + "\n";
        EXPECT_EQ(out, (code == 0 ? "" : box) + want + "\n");
    }
}

TEST_F(LangStrings, InitialLanguageFillsTheStatusStringsUnloadingForgetsTheTable) {
    Load(
        "[BKAPI]\r\nIDS_BKAPI_STQSYMBOL_STATUS_CLOSE=Closed\r\n"
        "IDS_BKAPI_STQSYMBOL_STATUS_LATEOPEN=Late\\nopen\r\n");
    WriteLanguageFile("BIG5-GB.TAB", "GB");  // one entry: A1 40 becomes "GB"
    EXPECT_TRUE(s_LangInitialLanguage());
    EXPECT_EQ(Convert("\xA1\x40"), "GB");  // language 2 loads the conversion table
    EXPECT_EQ(std::string(STATUS_CLOSE_STRING), "Closed");
    EXPECT_EQ(std::string(STATUS_LATEOPEN_STRING), "Late\r\nopen");
    CString value("untouched");
    EXPECT_TRUE(s_LangGetLanguageString(value, "BKAPI", "IDS_BKAPI_STQSYMBOL_STATUS_CLOSE"));
    EXPECT_EQ(std::string(value), "Closed");
    EXPECT_TRUE(s_LangUnInitialLanguage());
    EXPECT_EQ(std::string(STATUS_CLOSE_STRING), "Closed");  // the strings stay, the table goes
    EXPECT_FALSE(s_LangGetLanguageString(value, "BKAPI", "IDS_BKAPI_STQSYMBOL_STATUS_CLOSE"));
    EXPECT_EQ(std::string(value), "Closed");
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
}

// A line break within the length given, and a backslash of its own, make CR LF.
TEST(LangParse, LineBreaksWithinTheLengthGiven) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"a\\n", 2, "a\\n"},
        {"\\\\n", 3, "\\\r\n"},
        {"x\\n", 99, "x\r\n"},
    };
    for (const auto& [in, length, want] : cases) {
        CString text(in);
        s_LangConvertEnterChar(text, length);
        EXPECT_EQ(std::string(text), want) << in;
    }
}

// Overrides stay for the process's life, so each test overrides indices of its own.
class GbConvert : public testing::Test {
  protected:
    void SetUp() override {
        WriteLanguageSettings();
        std::remove((LanguageFolder() + "/RareCHT.ini").c_str());
    }
    void TearDown() override { s_LangUnInitialGBTable(); }
    static void LoadTable(const std::string& table) {
        WriteLanguageFile("BIG5-GB.TAB", table);
        ASSERT_TRUE(s_LangInitialGBTable());
    }
};

// A missing table is reported and converts nothing; a loaded one converts until it is unloaded.
TEST_F(GbConvert, MissingTablePairsAndUnloading) {
    MessageBoxes boxes;
    std::remove((LanguageFolder() + "/BIG5-GB.TAB").c_str());
    EXPECT_FALSE(s_LangInitialGBTable());
    EXPECT_EQ(boxes.texts.size(), 1U);
    EXPECT_EQ(Convert("\xA1\x40"), "unchanged");
    LoadTable(NumberedTable());
    const std::pair<std::string, std::string> cases[] = {
        {"ab\xA4", "ab\xA4"},  // a lone lead byte at the end is copied
        {"\xC6\x7E", EntryBytes(5871)},
        {"\xC9\x40", EntryBytes(5872)},
        {"\xF9\xFE", EntryBytes(13564)},
        {"\xA1\x40", EntryBytes(0)},
        {"\xA3\xFE", EntryBytes(470)},
        {"\xA4\xA1", EntryBytes(471 + 63)},
        {"\xC6\xA1", "??"},
        {"\xA0\xA1", "\xA0\xA1"},  // outside the table's rows: unchanged
        {"x\xA4\x7Fy", "xy"},      // bad trail byte: both dropped
        {"\x80\x41z", "z"},
        {"ab\xA4\0cd"s, "ab"},  // a lead byte before a NUL pairs with it and is dropped
    };
    for (const auto& [source, want] : cases) EXPECT_EQ(Convert(source), want) << source;
    CString same("\xA4\x40");
    s_LangConvertToSimplifiedChinese(same, same);  // source and result may be one string
    EXPECT_EQ(std::string(same), EntryBytes(471));
    EXPECT_TRUE(s_LangUnInitialGBTable());
    EXPECT_EQ(Convert("\xA1\x40"), "unchanged");
}

TEST_F(GbConvert, OverridesShortTablesAndZeroEntries) {
    WriteLanguageFile("RareCHT.ini",
                      "[RareCharacter]\r\n480=XY\r\n0=ZZ\r\n5873=Q\r\n12000=ABC\r\n");
    std::string table = NumberedTable();
    table[2 * 600] = '\0';                      // entry 600 ends the text
    table[2 * 601 + 1] = '\0';                  // entry 601 ends it after its first byte
    LoadTable(table.substr(0, 2 * 13000 + 1));  // a short file, cut inside entry 13000
    const std::pair<std::string, std::string> cases[] = {
        {"\xA4\x49", "XY"},               // override of 480
        {"\xA1\x40", EntryBytes(0)},      // the symbols take no override
        {"\xC9\x41", EntryBytes(5873)},   // a one-byte override is ignored
        {"\xF0\x45", "AB"},               // 12000: the first two bytes of a longer one
        {"\xF6\x7E", EntryBytes(12999)},  // within the file
        {"\xF6\xA1", "??"},               // 13000: cut off
        {"a\xA4\xE3z", "a"},              // entry 600 ends the text
        {"a\xA4\xE4z", "a" + EntryBytes(601).substr(0, 1)},
    };
    for (const auto& [source, want] : cases) EXPECT_EQ(Convert(source), want) << source;
}

}  // namespace
