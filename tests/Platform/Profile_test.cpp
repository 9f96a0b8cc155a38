// SPDX-License-Identifier: Apache-2.0
// Reading INI files: the parsing rules, Windows' buffer rules and error codes, and bad input:
// pipes and devices in place of files. Junk files and every buffer size are the INI fuzz
// target's.
#include "Platform/ProfileTestSupport.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <climits>
#include <string>
#include <utility>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;
using win::DWORD;

constexpr DWORD kAnyError = 0xFFFFFFFF;
// As a case's key: the case reads the whole section with GetPrivateProfileSectionA.
const char kWholeSection[] = "<whole section>";

struct ReadCase {
    std::string file;
    const char* section;
    const char* key;
    const char* def;
    DWORD size;
    std::string want;  // the bytes the call writes
    DWORD ret;
    Where where = Where::kAll;
    DWORD error = kAnyError;     // the last error the call leaves, where it is checked
    const char* path = nullptr;  // the Windows name read; null: a file holding `file`
};

DWORD Read(const ReadCase& c, char* buf, const std::string& ini) {
    if (c.key == kWholeSection)
        return win::GetPrivateProfileSectionA(c.section, buf, c.size, ini.c_str());
    return win::GetPrivateProfileStringA(c.section, c.key, c.def, buf, c.size, ini.c_str());
}

void CheckReads(const char* folder, const ReadCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ReadCase& c = cases[i];
        if (!Runs(c.where)) continue;
        std::string ini = c.path == nullptr ? MakeIni(folder, c.file) : c.path;
        std::string buf(c.size + 16, '~');  // guard bytes behind the caller's buffer
        win::SetLastError(12345);
        EXPECT_EQ(Read(c, buf.data(), ini), c.ret) << "case " << i;
        buf.erase(buf.find_last_not_of('~') + 1);  // every byte up to the last one written
        EXPECT_EQ(buf, Expected(c.want, c.where)) << "case " << i;
        if (c.error != kAnyError) {
            EXPECT_EQ(win::GetLastError(), c.error) << "case " << i;
        }
    }
}

const std::string kThree = "[Alpha]\r\na=1\r\n[Beta]\r\nb=2\r\n[Gamma]\r\n";
const std::string kSixChars = "[S]\r\nK=abcdef\r\n";
const std::string kSection =
    "[S]\r\nname1=val1\r\nname2=\r\nname3\r\n;c=x\r\n\r\nq=\"quoted\"\r\n[T]\r\nt=1\r\n";

TEST(ProfileRead, ParsingAndBufferRules) {
    const std::string whole = "name1=val1\0name2=\0name3\0q=\"quoted\"\0\0"s;
    const ReadCase cases[] = {
        {"[Sec]\r\nKey=Val ;inline\r\n", "sec", "KEY", "d", 100, "Val ;inline\0"s, 11},
        {"[S]\r\nK=  \"Quoted\"  \r\n", "S", "K", "d", 4, "Quo\0"s, 3},
        {kSixChars, "S", "K", "d", 6, "abcde\0"s, 5},
        // Section names: the list ends in two NULs; a cut one keeps that form.
        {kThree, nullptr, nullptr, "d", 19, "Alpha\0Beta\0Gamma\0\0"s, 17},  // exactly room
        {kThree, nullptr, nullptr, "d", 18, "Alpha\0Beta\0Gamma\0\0"s, 16, Where::kWineOneNul},
        {kThree, nullptr, nullptr, "d", 17, "Alpha\0Beta\0Gamm\0\0"s, 15, Where::kWineOneNul},
        {kThree, nullptr, nullptr, "d", 2, "\0\0"s, 0, Where::kWineOneNul},
        // Whole sections keep quotes and text lines, drop comments and the blanks around '='.
        {kSection, "S", kWholeSection, "", 36, whole, 34},  // the same bytes, but no spare byte
        {kSection, "S", kWholeSection, "", 35, "name1=val1\0name2=\0name3\0q=\"quoted\0\0"s, 33},
        {kSection, "Missing", kWholeSection, "", 100, "\0\0"s, 0},
        {"[S]\r\n  spaced  =  v  \r\n", "S", kWholeSection, "", 100, "spaced=v\0\0"s, 9},
        // Line ends: LF only, CR only, no final line end.
        {"[S]\nA=1\nB=2", "S", "B", "d", 100, "2\0"s, 1},
        {"[S]\rA=1\rB=2\r", "S", "B", "d", 100, "2\0"s, 1},
        // Headers: the last ']' ends the name, "[S" is no header (text after ']': the write table).
        {"[a]b]\r\nK=v\r\n", "a]b", "K", "d", 100, "v\0"s, 1},
        {"[A]\r\n[B\r\nK=1\r\n", "A", "K", "d", 100, "1\0"s, 1},
        // Keys: first '=', inner blanks kept, tabs trimmed, no inline comments.
        {"[S]\r\n\tK\t=\tv = w\t\r\n", "S", "K", "d", 100, "v = w\0"s, 5},
        {"[S]\r\nK=\r\n", "S", "K", "d", 100, "\0"s, 0},          // empty value, not the default
        {"[S]\r\nname3\r\n", "S", "name3", "d", 100, "d\0"s, 1},  // a line without '='
        // Comments: skipped by the key list.
        {"[S]\r\n;c=x\r\nK=1\r\nname3\r\n", "S", nullptr, "d", 100, "K\0\0"s, 2},
        {"[Sec One]\r\nKey=v\r\n", " Sec One ", "\tKey ", "d", 100, "v\0"s, 1},  // trimmed
        // Quotes: one matching pair of either kind goes, anything else stays.
        {"[S]\r\nK='x'\r\n", "S", "K", "d", 100, "x\0"s, 1},
        {"[S]\r\nK=\"x'\r\n", "S", "K", "d", 100, "\"x'\0"s, 3},
        // Duplicates: first key and first section win; lists show every copy.
        {"[S]\r\nK=1\r\nk=2\r\n", "S", "K", "d", 100, "1\0"s, 1},
        {"[S]\r\nK=1\r\nk=2\r\n", "S", nullptr, "d", 100, "K\0k\0\0"s, 4},
        {"[S]\r\nK=first\r\n[T]\r\n[S]\r\nL=only2\r\n", "S", "L", "d", 100, "d\0"s, 1},
        // Keys before the first header belong to no section, not even "", which the names list
        // leaves out.
        {"K=1\r\n[S]\r\n", "", "K", "d", 100, "d\0"s, 1, Where::kNotWine},
        {"[]\r\nK=1\r\n[S]\r\n", nullptr, nullptr, "d", 100, "S\0\0"s, 2},
        // Key list of a section without keys: the default.
        {"[S]\r\n;c=1\r\ntext\r\n", "S", nullptr, "dd", 100, "dd\0"s, 2},
        // The default: trailing spaces go, leading stay, quotes go.
        {"[S]\r\n", "S", "K", "  d  ", 100, "  d\0"s, 3},
        {"[S]\r\n", "S", "K", "'q' ", 100, "q\0"s, 1},
    };
    CheckReads("read-rules", cases, std::size(cases));
}

// The error a read leaves. For a file that is there it is not documented: the rows marked
// kStandIn check the stand-in's choice. A pipe or a device is not read (nor waited for). A name
// without a folder is in the Windows folder, not in the current one (the test program runs in
// <root>\BIN).
TEST(ProfileRead, LastErrorTellsFoundFromMissing) {
    std::string host = MakeScratchFolder("read-missing"), folder = WindowsPath(host);
    std::string noneIni = folder + "\\none.ini", deepIni = folder + "\\NoFolder\\none.ini";
    std::string fifoIni = folder + "\\fifo.ini";
    const char *none = noneIni.c_str(), *deep = deepIni.c_str(), *fifo = fifoIni.c_str();
    WriteFile(RootHostPath() + "/BIN/cur.ini", "[S]\r\nK=here\r\n");
#if HALCYON_STAND_IN
    ASSERT_EQ(mkfifo((host + "/fifo.ini").c_str(), 0644), 0);
#endif
    const std::string kValue = "[S]\r\nK=value\r\n";
    const Where kAll = Where::kAll, kStandIn = Where::kStandIn;
    const ReadCase cases[] = {
        {"", "S", "K", "\"dflt\"", 3, "df\0"s, 2, kAll, ERROR_FILE_NOT_FOUND, none},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kAll, ERROR_PATH_NOT_FOUND, deep},
        {"", nullptr, "K", "dflt", 100, "\0"s, 0, kAll, ERROR_FILE_NOT_FOUND, none},  // one NUL
        {kValue, "S", "K", "", 3, "va\0"s, 2, kStandIn, ERROR_INSUFFICIENT_BUFFER},
        // A cut default keeps the reason.
        {kValue, "S", "X", "dflt", 1, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {kValue, "X", nullptr, "", 8, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {"", "S", "K", "d", 8, "here\0"s, 4, kAll, kAnyError, ".\\cur.ini"},
        {"", "S", "K", "d", 8, "d\0"s, 1, kAll, kAnyError, "cur.ini"},
        {"", "S", "K", "d", 8, "d\0"s, 1, kStandIn, ERROR_ACCESS_DENIED, fifo},
        {"", "S", "K", "d", 8, "d\0"s, 1, kStandIn, ERROR_ACCESS_DENIED, "Z:\\dev\\zero"},
    };
    CheckReads("read-error", cases, std::size(cases));
    if (!HALCYON_STAND_IN) return;
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "v", fifo), FALSE);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(ProfileRead, IntegersConvertAsRtlCharToInteger) {
    // The last two are empty, at once or once the quotes are gone: the default.
    const std::pair<const char*, int> cases[] = {
        {"  42", 42},      {"-0x10", -16}, {"0X1f", 0},  {"0xFf", 255},
        {"0b101", 5},      {"0o17", 15},   {"0b102", 2}, {" - 3", 0},
        {"4294967297", 1}, {"\"77\"", 77}, {"+7", 7},    {"2147483648", INT_MIN},
        {"", 99},          {"\"\"", 99},
    };
    for (const auto& [value, want] : cases) {
        std::string ini = MakeIni("read-int", "[S]\r\nK=" + std::string(value) + "\r\n");
        EXPECT_EQ(static_cast<int>(win::GetPrivateProfileIntA("S", "K", 99, ini.c_str())), want)
            << value;
    }
}

}  // namespace
