// Reading INI files: the parsing rules, Windows' buffer rules and error codes.
#include "Platform/ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;
using win::DWORD;

constexpr DWORD kAnyError = 0xFFFFFFFF;

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

void CheckReads(const char* folder, const ReadCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ReadCase& c = cases[i];
        if (!Runs(c.where)) continue;
        std::string ini = c.path == nullptr ? MakeIni(folder, c.file) : c.path;
        Buffer buf(c.size);
        win::SetLastError(12345);
        DWORD ret =
            win::GetPrivateProfileStringA(c.section, c.key, c.def, buf.data(), c.size, ini.c_str());
        EXPECT_EQ(ret, c.ret) << "case " << i;
        EXPECT_EQ(buf.Written(), Expected(c.want, c.where)) << "case " << i;
        if (c.error != kAnyError) {
            EXPECT_EQ(win::GetLastError(), c.error) << "case " << i;
        }
    }
}

const std::string kThree = "[Alpha]\r\na=1\r\n[Beta]\r\nb=2\r\n[Gamma]\r\n";
const std::string kKeys = "[S]\r\nOne=1\r\nTwo=2\r\nThree=3\r\n";
const std::string kSixChars = "[S]\r\nK=abcdef\r\n";

TEST(ProfileRead, ExamplesRunOnWindows) {
    const ReadCase cases[] = {
        {"[Sec]\r\nKey=Val\r\n", "sec", "KEY", "d", 100, "Val\0"s, 3},
        {"[S]\r\nK=\"Quoted\"\r\n", "S", "K", "d", 100, "Quoted\0"s, 6},
        {"[S]\r\nK=\"Quoted\"\r\n", "S", "K", "d", 4, "Quo\0"s, 3},
        {"[S]\r\nK=  \"  pad  \"  \r\n", "S", "K", "d", 100, "  pad  \0"s, 7},
        {"[S]\r\nK=Val ;inline\r\n", "S", "K", "d", 100, "Val ;inline\0"s, 11},
        {kSixChars, "S", "K", "d", 6, "abcde\0"s, 5},
        {kSixChars, "S", "K", "d", 1, "\0"s, 0},
        {kSixChars, "S", "K", "d", 0, "", 0},
        {kThree, nullptr, nullptr, "d", 100, "Alpha\0Beta\0Gamma\0\0"s, 17},
        {kThree, nullptr, "a", "d", 100, "Alpha\0Beta\0Gamma\0\0"s, 17},  // key ignored
        {kThree, nullptr, nullptr, "d", 18, "Alpha\0Beta\0Gamma\0\0"s, 16, Where::kWineOneNul},
        {kThree, nullptr, nullptr, "d", 17, "Alpha\0Beta\0Gamm\0\0"s, 15, Where::kWineOneNul},
        {kThree, nullptr, nullptr, "d", 2, "\0\0"s, 0, Where::kWineOneNul},
        {kThree, nullptr, nullptr, "d", 1, "\0"s, 0},
        {kThree, nullptr, nullptr, "d", 0, "", 0},
        {kKeys, "S", nullptr, "d", 100, "One\0Two\0Three\0\0"s, 14},
        {kKeys, "S", nullptr, "d", 14, "One\0Two\0Thre\0\0"s, 12, Where::kWineOneNul},
        {"[S]\r\nK=first\r\n[T]\r\n[S]\r\nL=only2\r\n", "S", "L", "d", 100, "d\0"s, 1},
        {"[S]\r\nK=first\r\n[T]\r\n[S]\r\nL=only2\r\n", "s", "k", "d", 100, "first\0"s, 5},
    };
    CheckReads("read-examples", cases, std::size(cases));
}

TEST(ProfileRead, ParsingRules) {
    const ReadCase cases[] = {
        // Line ends: LF only, CR only, no final line end, blank lines.
        {"[S]\nA=1\nB=2", "S", "B", "d", 100, "2\0"s, 1},
        {"[S]\rA=1\rB=2\r", "S", "B", "d", 100, "2\0"s, 1},
        {"\r\n\r\n[S]\r\n\r\n\r\nA=1", "S", "A", "d", 100, "1\0"s, 1},
        // Headers: trimmed inside, last ']', text after it ignored, "[S" is no header.
        {"[\tTab\t]\r\nK=v\r\n", "Tab", "K", "d", 100, "v\0"s, 1},
        {"[S] trailing junk\r\nK=v\r\n", "S", "K", "d", 100, "v\0"s, 1},
        {"[a]b]\r\nK=v\r\n", "a]b", "K", "d", 100, "v\0"s, 1},
        {"[A]\r\n[B\r\nK=1\r\n", "A", "K", "d", 100, "1\0"s, 1},
        {"[A]\r\n[B\r\nK=1\r\n", nullptr, nullptr, "d", 100, "A\0\0"s, 2},
        // Keys: first '=', inner blanks kept, tabs trimmed, no inline comments, '#' is a key.
        {"[S]\r\nK = a = b\r\n", "S", "K", "d", 100, "a = b\0"s, 5},
        {"[S]\r\n\tK\t=\tv  w\t\r\n", "S", "K", "d", 100, "v  w\0"s, 4},
        {"[S]\r\nK=\r\n", "S", "K", "d", 100, "\0"s, 0},          // empty value, not the default
        {"[S]\r\nname3\r\n", "S", "name3", "d", 100, "d\0"s, 1},  // a line without '='
        // Comments: skipped by the key list, found by an exact lookup.
        {"[S]\r\n;c=x\r\nK=1\r\n", "S", ";c", "d", 100, "x\0"s, 1},
        {"[S]\r\n;c=x\r\nK=1\r\nname3\r\n", "S", nullptr, "d", 100, "K\0\0"s, 2},
        // Names: ASCII case folded, queries trimmed.
        {"[SeC]\r\nkEy=v\r\n", "sEc", "KeY", "d", 100, "v\0"s, 1},
        {"[Sec One]\r\nKey=v\r\n", " Sec One ", "\tKey ", "d", 100, "v\0"s, 1},
        // Quotes: one matching pair of either kind goes, anything else stays.
        {"[S]\r\nK=\"a\"b\"\r\n", "S", "K", "d", 100, "a\"b\0"s, 3},
        {"[S]\r\nK='x'\r\n", "S", "K", "d", 100, "x\0"s, 1},
        {"[S]\r\nK=\"x'\r\n", "S", "K", "d", 100, "\"x'\0"s, 3},
        // Duplicates: first key and first section win; lists show every copy.
        {"[S]\r\nK=1\r\nk=2\r\n", "S", "K", "d", 100, "1\0"s, 1},
        {"[S]\r\nK=1\r\nk=2\r\n", "S", nullptr, "d", 100, "K\0k\0\0"s, 4},
        // Keys before the first header belong to no section, not even "".
        {"K=1\r\n[S]\r\n", "", "K", "d", 100, "d\0"s, 1, Where::kNotWine},
        {"K=1\r\n[S]\r\n", "S", "K", "d", 100, "d\0"s, 1},
        // An empty header names section "" (Wine finds no keys under it), which the names list
        // leaves out.
        {"[]\r\nK=1\r\n", "", "K", "d", 100, "1\0"s, 1, Where::kStandIn},
        {"[]\r\nK=1\r\n[S]\r\n", nullptr, nullptr, "d", 100, "S\0\0"s, 2},
        // Key list of a missing section, or of one without keys: the default.
        {"[S]\r\nK=1\r\n", "T", nullptr, "dd", 100, "dd\0"s, 2},
        {"[S]\r\n;c=1\r\ntext\r\n", "S", nullptr, "dd", 100, "dd\0"s, 2},
        // The default: trailing spaces go, leading stay, quotes go; NULL is "".
        {"[S]\r\n", "S", "K", "  d  ", 100, "  d\0"s, 3},
        {"[S]\r\n", "S", "K", "'q' ", 100, "q\0"s, 1},
        // Bytes that are not text stay as they are.
        {"[S]\r\nK=\x01\xff\x80\r\n", "S", "K", "d", 100, "\x01\xff\x80\0"s, 3, Where::kStandIn},
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
        {"", "S", "K", "\"q\"", 100, "q\0"s, 1, kAll, ERROR_FILE_NOT_FOUND, none},
        {"", "S", "K", "dflt", 3, "df\0"s, 2, kAll, ERROR_FILE_NOT_FOUND, none},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kAll, ERROR_PATH_NOT_FOUND, deep},
        {"", nullptr, "K", "dflt", 100, "\0"s, 0, kAll, ERROR_FILE_NOT_FOUND, none},  // one NUL
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kStandIn, ERROR_ACCESS_DENIED, dir},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kStandIn, ERROR_ACCESS_DENIED, ""},
        {"", "S", "K", "dflt", 100, "dflt\0"s, 4, kStandIn, ERROR_INVALID_NAME, badIni.c_str()},
        {kValue, "S", "K", "", 3, "va\0"s, 2, kStandIn, ERROR_INSUFFICIENT_BUFFER},
        {kValue, "S", "X", "", 8, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
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
        {"  42", 42},      {"+7", 7},
        {"-0x10", -16},    {"0X1f", 0},
        {"0xFf", 255},     {"010", 10},
        {"0b101", 5},      {"0o17", 15},
        {"0b102", 2},      {"0x1G", 1},
        {" - 3", 0},       {"--3", 0},
        {"4294967297", 1}, {"2147483648", INT_MIN},
        {"\"77\"", 77},    {"7 8", 7},
        {"", 99},          {"\"\"", 99},
    };
    for (const Case& c : cases) {
        std::string ini = MakeIni("read-int", "[S]\r\nK=" + std::string(c.value) + "\r\n");
        EXPECT_EQ(static_cast<int>(win::GetPrivateProfileIntA("S", "K", 99, ini.c_str())), c.want)
            << c.value;
    }
    std::string ini = MakeIni("read-int", "[S]\r\nK=5\r\n");
    EXPECT_EQ(static_cast<int>(win::GetPrivateProfileIntA("S", "X", -3, ini.c_str())), -3);
    EXPECT_EQ(static_cast<int>(win::GetPrivateProfileIntA("s", " k ", -3, ini.c_str())), 5);
    EXPECT_EQ(win::GetPrivateProfileIntA("S", "K", 7, (ini + "x").c_str()), 7u);
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
}

const std::string kSection =
    "[S]\r\nname1=val1\r\nname2=\r\nname3\r\n;c=x\r\n\r\nq=\"quoted\"\r\n[T]\r\nt=1\r\n";
const std::string kSpaced = "[S]\r\n  spaced  =  v  \r\n[E]\r\n";
const std::string kNames = "[section1]\r\n[section2]\r\n[section3]\r\n";

// Whole sections, and (section null) the list of section names.
TEST(ProfileRead, SectionDumpsKeepQuotesAndTextLinesAndNamesFollowTheListRules) {
    std::string whole = "name1=val1\0name2=\0name3\0q=\"quoted\"\0\0"s;
    std::string names = "section1\0section2\0section3\0\0"s;
    struct Case {
        const std::string& file;
        const char* section;
        DWORD size;
        std::string want;
        DWORD ret;
        Where where = Where::kAll;
    } cases[] = {
        {kSection, "S", 100, whole, 35},
        {kSection, "S", 36, whole, 34},  // the same bytes, but no spare byte
        {kSection, "S", 35, "name1=val1\0name2=\0name3\0q=\"quoted\0\0"s, 33},
        {kSection, "S", 12, "name1=val1\0\0"s, 10},
        {kSection, "S", 2, "\0\0"s, 0},
        {kSection, "S", 1, "\0"s, 0, Where::kNotWine},  // Wine writes two NULs
        {kSection, "S", 0, "", 0, Where::kNotWine},     // Wine crashes
        {kSection, "Missing", 100, "\0\0"s, 0},
        {kSpaced, "S", 100, "spaced=v\0\0"s, 9},
        {kSpaced, "E", 100, "\0\0"s, 0},
        {kNames, nullptr, 29, names, 27},  // exactly room for the list
        {kNames, nullptr, 28, names, 26, Where::kWineOneNul},
        {kNames, nullptr, 27, "section1\0section2\0section\0\0"s, 25, Where::kWineOneNul},
        {kNames, nullptr, 0, "", 0},
    };
    for (const Case& c : cases) {
        if (!Runs(c.where)) continue;
        std::string ini = MakeIni("read-section", c.file);
        Buffer buf(c.size);
        DWORD ret = c.section != nullptr
                        ? win::GetPrivateProfileSectionA(c.section, buf.data(), c.size, ini.c_str())
                        : win::GetPrivateProfileSectionNamesA(buf.data(), c.size, ini.c_str());
        EXPECT_EQ(ret, c.ret) << (c.section ? c.section : "names") << " " << c.size;
        EXPECT_EQ(buf.Written(), Expected(c.want, c.where))
            << (c.section ? c.section : "names") << " " << c.size;
    }
    Buffer missing(100);
    std::string none = MakeIni("read-section", kSpaced) + "x";
    EXPECT_EQ(win::GetPrivateProfileSectionA("S", missing.data(), 100, none.c_str()), 0u);
    EXPECT_EQ(missing.Written(), "\0\0"s);
}

TEST(ProfileRead, NamesWithoutAFolderAreInTheWindowsFolder) {
    // The test program runs in <root>\BIN, its current directory.
    std::string bin = RootHostPath() + "/BIN";
    WriteFile(bin + "/cur.ini", "[S]\r\nK=here\r\n");
    ASSERT_TRUE(MakeFolder(bin + "/sub"));
    WriteFile(bin + "/sub/deep.ini", "[S]\r\nK=deeper\r\n");
    char buf[16];
    win::GetPrivateProfileStringA("S", "K", "", buf, sizeof buf, ".\\cur.ini");
    EXPECT_STREQ(buf, "here");
    win::GetPrivateProfileStringA("S", "K", "", buf, sizeof buf, "sub\\deep.ini");
    EXPECT_STREQ(buf, "deeper");
    win::GetPrivateProfileStringA("S", "K", "none", buf, sizeof buf, "cur.ini");
    EXPECT_STREQ(buf, "none");  // looked for in the Windows folder, not here
}

#if HALCYON_STAND_IN
// Child: with drive C mapped to args[0] (unmapped when it is empty), writes and reads x.ini by its
// bare name and prints what it got.
int WindowsFolderRole(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) {
        unsetenv("HALCYON_DRIVE_C");
    } else {
        setenv("HALCYON_DRIVE_C", args[0].c_str(), 1);
    }
    win::BOOL ok = win::WritePrivateProfileStringA("S", "K", "V", "x.ini");
    DWORD writeError = win::GetLastError();
    char buf[16];
    win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, "x.ini");
    std::printf("%d %lu %s %lu\n", ok, static_cast<unsigned long>(writeError), buf,
                static_cast<unsigned long>(win::GetLastError()));
    return 0;
}
const ChildRole kWindowsFolder("profile-windows-folder", WindowsFolderRole);

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

// What the child playing `role` with argument `arg` prints, run from a shell.
std::string RoleOutput(const std::string& role, const std::string& arg) {
    std::string out;
    int code = RunCommand(ChildCommand(role) + " '" + arg + "'", out);
    return code == 0 ? out : "exit " + std::to_string(code) + ": " + out;
}
#endif

TEST(ProfileRead, BareNamesInTheWindowsFolderOfDriveC) {
#if HALCYON_STAND_IN
    std::string drive = MakeScratchFolder("drive-c-profile");
    ASSERT_TRUE(MakeFolder(drive + "/WINDOWS"));
    EXPECT_EQ(RoleOutput("profile-windows-folder", drive), "1 0 V 0\n");
    EXPECT_EQ(ReadFile(drive + "/WINDOWS/x.ini"), "[S]\r\nK=V\r\n");
    // No drive C: the folder is missing.
    EXPECT_EQ(RoleOutput("profile-windows-folder", ""), "0 3 d 3\n");
#else
    GTEST_SKIP() << "HALCYON_DRIVE_C is a setting of the Linux stand-in";
#endif
}

TEST(ProfileRead, DoubleByteNamesInBig5) {
#if HALCYON_STAND_IN
    // "[AB\xA5]" is no header in Big5 (its ']' is a trail byte), so K belongs to X; the trail
    // byte 'a' of "\xA5\x61" is not folded; "[x\xA5]Y]" ends at its last ']' of its own.
    std::string ini = MakeIni(
        "read-big5", "[X]\r\n[AB\xA5]\r\nK=in-x\r\n\xA5\x61=lower\r\n[x\xA5]Y]\r\nk=xy\r\n");
    EXPECT_EQ(RoleOutput("profile-big5", ini), "-|in-x|-|lower|xy|\n");
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
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(win::GetPrivateProfileSectionNamesA(nullptr, 16, ini.c_str()), 0u);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(win::GetPrivateProfileIntA(nullptr, "K", 4, ini.c_str()), 4u);
#else
    GTEST_SKIP() << "Windows does not check these pointers";
#endif
}

}  // namespace
