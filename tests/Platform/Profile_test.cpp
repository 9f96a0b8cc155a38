// Reading INI files: the parsing rules, Windows' buffer rules and error codes, and bad input:
// binary junk, odd buffer sizes, pipes in place of files.
#include "Platform/ProfileTestSupport.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

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
        Buffer buf(c.size);
        win::SetLastError(12345);
        EXPECT_EQ(Read(c, buf.data(), ini), c.ret) << "case " << i;
        EXPECT_EQ(buf.Written(), Expected(c.want, c.where)) << "case " << i;
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
        {"[S]\r\nOne=1\r\nTwo=2\r\n", "S", nullptr, "d", 8, "One\0Tw\0\0"s, 6, Where::kWineOneNul},
        // Whole sections keep quotes and text lines, drop comments and the blanks around '='.
        {kSection, "S", kWholeSection, "", 36, whole, 34},  // the same bytes, but no spare byte
        {kSection, "S", kWholeSection, "", 35, "name1=val1\0name2=\0name3\0q=\"quoted\0\0"s, 33},
        {kSection, "Missing", kWholeSection, "", 100, "\0\0"s, 0},
        {"[S]\r\n  spaced  =  v  \r\n", "S", kWholeSection, "", 100, "spaced=v\0\0"s, 9},
        // Line ends: LF only, CR only, no final line end.
        {"[S]\nA=1\nB=2", "S", "B", "d", 100, "2\0"s, 1},
        {"[S]\rA=1\rB=2\r", "S", "B", "d", 100, "2\0"s, 1},
        // Headers: trimmed inside, last ']', text after it ignored, "[S" is no header.
        {"[\tTab\t]\r\nK=v\r\n", "Tab", "K", "d", 100, "v\0"s, 1},
        {"[S] trailing junk\r\nK=v\r\n", "S", "K", "d", 100, "v\0"s, 1},
        {"[a]b]\r\nK=v\r\n", "a]b", "K", "d", 100, "v\0"s, 1},
        {"[A]\r\n[B\r\nK=1\r\n", "A", "K", "d", 100, "1\0"s, 1},
        // Keys: first '=', inner blanks kept, tabs trimmed, no inline comments, '#' is a key.
        {"[S]\r\nK = a = b\r\n", "S", "K", "d", 100, "a = b\0"s, 5},
        {"[S]\r\n\tK\t=\tv  w\t\r\n", "S", "K", "d", 100, "v  w\0"s, 4},
        {"[S]\r\nK=\r\n", "S", "K", "d", 100, "\0"s, 0},          // empty value, not the default
        {"[S]\r\nname3\r\n", "S", "name3", "d", 100, "d\0"s, 1},  // a line without '='
        // Comments: skipped by the key list, found by an exact lookup.
        {"[S]\r\n;c=x\r\nK=1\r\n", "S", ";c", "d", 100, "x\0"s, 1},
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
// kStandIn check the stand-in's choice.
TEST(ProfileRead, LastErrorTellsFoundFromMissing) {
    std::string folder = WindowsPath(MakeScratchFolder("read-missing"));
    std::string noneIni = folder + "\\none.ini", deepIni = folder + "\\NoFolder\\none.ini";
    std::string badIni = folder + "\\bad?.ini";
    const char *none = noneIni.c_str(), *deep = deepIni.c_str(), *dir = folder.c_str();
    const std::string kValue = "[S]\r\nK=value\r\n";
    const Where kAll = Where::kAll, kStandIn = Where::kStandIn;
    const ReadCase cases[] = {
        {"", "S", "K", "\"dflt\"", 3, "df\0"s, 2, kAll, ERROR_FILE_NOT_FOUND, none},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kAll, ERROR_PATH_NOT_FOUND, deep},
        {"", nullptr, "K", "dflt", 100, "\0"s, 0, kAll, ERROR_FILE_NOT_FOUND, none},  // one NUL
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kStandIn, ERROR_ACCESS_DENIED, dir},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kStandIn, ERROR_INVALID_NAME, badIni.c_str()},
        {kValue, "S", "K", "", 3, "va\0"s, 2, kStandIn, ERROR_INSUFFICIENT_BUFFER},
        // A cut default keeps the reason.
        {kValue, "S", "X", "dflt", 1, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {kValue, "X", nullptr, "", 8, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {kValue, nullptr, nullptr, "", 2, "\0\0"s, 0, kStandIn, ERROR_INSUFFICIENT_BUFFER},
    };
    CheckReads("read-error", cases, std::size(cases));
}

TEST(ProfileRead, IntegersConvertAsRtlCharToInteger) {
    struct Case {
        const char* value;
        int want;
    };
    // The last two are empty, at once or once the quotes are gone: the default.
    const Case cases[] = {
        {"  42", 42}, {"-0x10", -16},
        {"0X1f", 0},  {"0xFf", 255},
        {"010", 10},  {"0b101", 5},
        {"0o17", 15}, {"0b102", 2},
        {" - 3", 0},  {"4294967297", 1},
        {"7 8", 7},   {"\"77\"", 77},
        {"+7", 7},    {"2147483648", INT_MIN},
        {"", 99},     {"\"\"", 99},
    };
    for (const Case& c : cases) {
        std::string ini = MakeIni("read-int", "[S]\r\nK=" + std::string(c.value) + "\r\n");
        EXPECT_EQ(static_cast<int>(win::GetPrivateProfileIntA("S", "K", 99, ini.c_str())), c.want)
            << c.value;
    }
}

TEST(ProfileRead, NamesWithoutAFolderAreInTheWindowsFolder) {
    // The test program runs in <root>\BIN, its current directory.
    WriteFile(RootHostPath() + "/BIN/cur.ini", "[S]\r\nK=here\r\n");
    char buf[16];
    win::GetPrivateProfileStringA("S", "K", "", buf, sizeof buf, ".\\cur.ini");
    EXPECT_STREQ(buf, "here");
    win::GetPrivateProfileStringA("S", "K", "none", buf, sizeof buf, "cur.ini");
    EXPECT_STREQ(buf, "none");  // looked for in the Windows folder, not here
}

#if HALCYON_STAND_IN
// Child: in code page 950 (Big5), prints the answers of lookups in file args[0] whose names hold
// characters with the trail bytes ']' and 'a'.
int Big5Role(const std::vector<std::string>& args) {
    setenv("HALCYON_CODEPAGE", "950", 1);
    const char* queries[][2] = {
        {"AB\xA5", "K"}, {"X", "K"}, {"X", "\xA5\x41"}, {"X", "\xA5\x61"}, {"X\xA5]y", "K"},
    };
    char buf[64];
    for (auto& q : queries) {
        win::GetPrivateProfileStringA(q[0], q[1], "-", buf, sizeof buf, args.at(0).c_str());
        std::printf("%s|", buf);
    }
    std::printf("\n");
    return 0;
}
const ChildRole kBig5("profile-big5", Big5Role);
#endif

TEST(ProfileRead, DoubleByteNamesInBig5) {
#if HALCYON_STAND_IN
    // "[AB\xA5]" is no header in Big5 (its ']' is a trail byte), so K belongs to X; the trail
    // byte 'a' of "\xA5\x61" is not folded; "[x\xA5]Y]" ends at its last ']' of its own.
    std::string ini = MakeIni(
        "read-big5", "[X]\r\n[AB\xA5]\r\nK=in-x\r\n\xA5\x61=lower\r\n[x\xA5]Y]\r\nk=xy\r\n");
    std::string out;
    ASSERT_EQ(RunCommand(ChildCommand("profile-big5") + " '" + ini + "'", out), 0);
    EXPECT_EQ(out, "-|in-x|-|lower|xy|\n");
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

TEST(ProfileRead, NullArgumentsAreRefused) {
#if HALCYON_STAND_IN  // Windows writes through some of the null pointers
    std::string ini = MakeIni("read-null", "[S]\r\nK=1\r\n");
    char buf[16] = "untouched";
    EXPECT_EQ(win::GetPrivateProfileStringA("S", "K", "d", nullptr, 16, ini.c_str()), 0u);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(win::GetPrivateProfileSectionA(nullptr, buf, 16, ini.c_str()), 0u);
    EXPECT_EQ(win::GetPrivateProfileSectionNamesA(nullptr, 16, ini.c_str()), 0u);
    EXPECT_STREQ(buf, "untouched");
#else
    GTEST_SKIP() << "Windows does not check these pointers";
#endif
}

// Calls every reading function with every size; true when none overran or broke the size rule.
bool ReadsStayInBounds(const std::string& ini, const char* section, const char* key) {
    bool clean = true;
    for (DWORD size : {0u, 1u, 2u, 3u, 7u, 4096u}) {
        for (const char* s : {section, static_cast<const char*>(nullptr)}) {
            Buffer a(size), b(size);
            clean &=
                a.Clean(win::GetPrivateProfileStringA(s, key, "def", a.data(), size, ini.c_str()));
            clean &= b.Clean(
                win::GetPrivateProfileStringA(s, nullptr, "d", b.data(), size, ini.c_str()));
        }
        // Wine crashes on a section buffer of size 0 and writes two NULs into one of size 1.
        Buffer d(size), e(size);
        if (size > 1 || !UnderWine()) {
            clean &= d.Clean(win::GetPrivateProfileSectionA(section, d.data(), size, ini.c_str()));
        }
        clean &= e.Clean(win::GetPrivateProfileSectionNamesA(e.data(), size, ini.c_str()));
    }
    win::GetPrivateProfileIntA(section, key, 5, ini.c_str());
    return clean;
}

// Junk of up to 3000 bytes, half of it from every byte value, half from the bytes that mean
// something in INI, read with short names of such bytes.
TEST(ProfileJunk, BinaryJunkNeverOverrunsABuffer) {
    std::string host = MakeScratchFolder("junk-binary") + "/junk.ini";
    std::string ini = WindowsPath(host);
    std::mt19937 random(2024);
    const std::string iniBytes = "[]=;\r\n \t\"'abAB\0\xA5\x5C"s;
    auto junk = [&](size_t n, const std::string& alphabet) {
        std::string out(n, '\0');
        for (char& c : out)
            c = alphabet.empty() ? char(random() & 0xFF) : alphabet[random() % alphabet.size()];
        return out;
    };
    for (int round = 0; round < 60; ++round) {
        std::string text = junk(1 + random() % 3000, round % 2 ? "" : iniBytes);
        WriteFile(host, text);
        std::string section = junk(random() % 3, "ab[]= \t"), key = junk(random() % 3, "ab=;\t");
        EXPECT_TRUE(ReadsStayInBounds(ini, section.c_str(), key.c_str())) << round;
        if (!HALCYON_STAND_IN) continue;
        // A write keeps the junk as it is and its value found. (Windows makes no promise for a
        // file of junk; Wine rewrites it from what it parsed.)
        ASSERT_TRUE(win::WritePrivateProfileStringA("Clean", "Key", "value", ini.c_str()));
        char buf[16];
        win::GetPrivateProfileStringA("Clean", "Key", "", buf, sizeof buf, ini.c_str());
        EXPECT_STREQ(buf, "value") << round;
        EXPECT_EQ(ReadFile(host).compare(0, text.size(), text), 0) << round;
    }
}

TEST(ProfileJunk, PipesAndDevicesAreNotRead) {
#if HALCYON_STAND_IN
    std::string fifo = MakeScratchFolder("junk-fifo") + "/fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    char buf[8];
    // No call may wait for a writer of the pipe.
    for (const std::string& name : {WindowsPath(fifo), std::string("Z:\\dev\\zero")}) {
        EXPECT_EQ(win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, name.c_str()), 1u);
        EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED) << name;
    }
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "v", WindowsPath(fifo).c_str()), FALSE);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
#else
    GTEST_SKIP() << "pipes and devices in place of files are the stand-in's concern";
#endif
}

}  // namespace
