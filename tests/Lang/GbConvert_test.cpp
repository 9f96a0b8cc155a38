// Overrides stay for the process's life, so each test overrides indices of its own.
// Big5 to GB: the table's index rules, overrides, reserved rows, dropped pairs, the real table.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

namespace {

using namespace halcyon::test;
using namespace std::string_literals;

constexpr int kEntries = 13565;

// A table whose entry n is the two bytes 0x81 + n / 191, 0x40 + n % 191: never 0, and each
// names its index.
std::string NumberedTable(int entries = kEntries) {
    std::string table;
    for (int n = 0; n < entries; ++n) {
        table += static_cast<char>(0x81 + n / 191);
        table += static_cast<char>(0x40 + n % 191);
    }
    return table;
}

std::string EntryBytes(int n) { return NumberedTable(n + 1).substr(2 * n, 2); }

// The Big5 pair of table index n of the less frequent block (n >= 5872).
std::string LessFrequent(int n) {
    int t = (n - 5872) % 157;
    std::string pair(1, static_cast<char>(0xC9 + (n - 5872) / 157));
    return pair + static_cast<char>(t < 63 ? 0x40 + t : 0xA1 + t - 63);
}

std::string Convert(const std::string& source) {
    CString result("unchanged");
    s_LangConvertToSimplifiedChinese(CString(source), result);
    return std::string(result);
}

class GbConvert : public testing::Test {
  protected:
    void SetUp() override {
        WriteLanguageSettings();
        RemoveLanguageFile("RareCHT.ini");
    }
    void TearDown() override { s_LangUnInitialGBTable(); }
    static void LoadTable(const std::string& table) {
        WriteLanguageFile("BIG5-GB.TAB", table);
        ASSERT_TRUE(s_LangInitialGBTable());
    }
};

TEST_F(GbConvert, PairsFollowTheTable) {
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
        {"\xC8\x40", "??"},
        {"\xA0\xA1", "\xA0\xA1"},  // outside the table's rows: unchanged
        {"\xFA\x40", "\xFA\x40"},
        {"x\xA4\x7Fy", "xy"},  // bad trail byte: both dropped
        {"\x80\x41z", "z"},
        {"a\xA4\x40"
         "b",
         "a" + EntryBytes(471) + "b"},
        {"", ""},
        {"ab\xA4\0cd"s, "ab"},  // a lead byte before a NUL pairs with it and is dropped
    };
    for (const auto& [source, want] : cases) EXPECT_EQ(Convert(source), want) << source;
    CString same("\xA4\x40");
    s_LangConvertToSimplifiedChinese(same, same);  // source and result may be one string
    EXPECT_EQ(std::string(same), EntryBytes(471));
}

TEST_F(GbConvert, OverridesShortTablesAndZeroEntries) {
    WriteLanguageFile("RareCHT.ini",
                      "[RareCharacter]\r\n480=XY\r\n0=ZZ\r\n5873=Q\r\n12000=ABC\r\n");
    std::string table = NumberedTable();
    table[2 * 600] = '\0';                      // entry 600 ends the text
    table[2 * 601 + 1] = '\0';                  // entry 601 ends it after its first byte
    LoadTable(table.substr(0, 2 * 13000 + 1));  // a short file, cut inside entry 13000
    const std::pair<std::string, std::string> cases[] = {
        {"\xA4\x49", "XY"},                        // override of 480
        {"\xA1\x40", EntryBytes(0)},               // the symbols take no override
        {"\xC9\x41", EntryBytes(5873)},            // a one-byte override is ignored
        {LessFrequent(12000), "AB"},               // the first two bytes of a longer one
        {LessFrequent(12999), EntryBytes(12999)},  // within the file
        {LessFrequent(13000), "??"},               // cut off
        {"\xF9\xFD", "??"},                        // past the end
        {"a\xA4\xE3z", "a"},                       // entry 600 ends the text
        {"a\xA4\xE4z", "a" + EntryBytes(601).substr(0, 1)},
    };
    for (const auto& [source, want] : cases) EXPECT_EQ(Convert(source), want) << source;
}

TEST_F(GbConvert, MissingTableAndUnloading) {
    MessageBoxes boxes;
    RemoveLanguageFile("BIG5-GB.TAB");
    EXPECT_FALSE(s_LangInitialGBTable());
    ASSERT_EQ(boxes.texts.size(), 1U);
    EXPECT_EQ(boxes.texts[0],
              "[" + RootWindowsPath() + "\\Sys\\Language\\BIG5-GB.TAB]--error code:2\n");
    EXPECT_EQ(Convert("\xA1\x40"), "unchanged");
    LoadTable(NumberedTable());
    EXPECT_EQ(Convert("\xA1\x40"), EntryBytes(0));
    EXPECT_TRUE(s_LangUnInitialGBTable());
    EXPECT_EQ(Convert("\xA1\x40"), "unchanged");
}

// The committed table, generated from iconv and OpenCC's character table.
TEST_F(GbConvert, TheRealTableSimplifies) {
    LoadTable(ReadFile(std::string(HALCYON_SOURCE_DIR) + "/data/BIG5-GB.TAB"));
    const std::pair<const char*, const char*> cases[] = {
        {"\xB0\xEA", "\xB9\xFA"},                  // 國 -> 国
        {"\xA4\xA4\xA4\xE5", "\xD6\xD0\xCE\xC4"},  // 中文 stays
        {"\xA5\x5C\xAF\xE0", "\xB9\xA6\xC4\xDC"},  // 功能: a trail byte that is a backslash
    };
    for (const auto& [big5, gb] : cases) EXPECT_EQ(Convert(big5), gb) << big5;
}

}  // namespace
