// SPDX-License-Identifier: Apache-2.0
// Reading INI files: the parsing and buffer rules the conformance table Profiles leaves out, the
// stand-in's error codes, and bad input: pipes and devices in place of files. Junk files and every
// buffer size are the INI fuzz target's.
#include "Platform/ProfileTestSupport.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <string>

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

// What the conformance table Profiles does not show: lists that exactly fit or barely start,
// the last ']' of a header, tabs, and which lines lists show or leave out.
TEST(ProfileRead, ParsingAndBufferRules) {
    const std::string section = "[S]\r\nname1=val1\r\nname3\r\n;c=x\r\n\r\nq=\"quoted\"\r\n";
    const ReadCase cases[] = {
        {kThree, nullptr, nullptr, "d", 19, "Alpha\0Beta\0Gamma\0\0"s, 17},  // exactly room
        {kThree, nullptr, nullptr, "d", 2, "\0\0"s, 0, Where::kWineOneNul},
        {section, "S", kWholeSection, "", 29, "name1=val1\0name3\0q=\"quoted\"\0\0"s, 27},
        {"[a]b]\r\nK=v\r\n", "a]b", "K", "d", 100, "v\0"s, 1},
        {"[S]\r\n\tK\t=\tv = w\t\r\n", "S", "K", "d", 100, "v = w\0"s, 5},
        {"[S]\r\nname3\r\n", "S", "name3", "d", 100, "d\0"s, 1},  // a line without '='
        {"[S]\r\nK=1\r\nk=2\r\n", "S", nullptr, "d", 100, "K\0k\0\0"s, 4},
        {"[]\r\nK=1\r\n[S]\r\n", nullptr, nullptr, "d", 100, "S\0\0"s, 2},
        {"[S]\r\n;c=1\r\ntext\r\n", "S", nullptr, "dd", 100, "dd\0"s, 2},  // no keys
    };
    CheckReads("read-rules", cases, std::size(cases));
}

// The error a read leaves where Windows does not document it (the stand-in's choice), and bad
// input: a pipe or a device is not read (nor waited for).
TEST(ProfileRead, LastErrorTellsFoundFromMissing) {
    std::string host = MakeScratchFolder("read-missing");
    std::string fifoIni = WindowsPath(host) + "\\fifo.ini";
    const char* fifo = fifoIni.c_str();
#if HALCYON_STAND_IN
    ASSERT_EQ(mkfifo((host + "/fifo.ini").c_str(), 0644), 0);
#endif
    const std::string kValue = "[S]\r\nK=value\r\n";
    const Where kStandIn = Where::kStandIn;
    const ReadCase cases[] = {
        {kValue, "S", "K", "", 3, "va\0"s, 2, kStandIn, ERROR_INSUFFICIENT_BUFFER},
        // A cut default keeps the reason.
        {kValue, "S", "X", "dflt", 1, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {kValue, "X", nullptr, "", 8, "\0"s, 0, kStandIn, ERROR_FILE_NOT_FOUND},
        {"", "S", "K", "d", 8, "d\0"s, 1, kStandIn, ERROR_ACCESS_DENIED, fifo},
        {"", "S", "K", "d", 8, "d\0"s, 1, kStandIn, ERROR_ACCESS_DENIED, "Z:\\dev\\zero"},
    };
    CheckReads("read-error", cases, std::size(cases));
    if (!HALCYON_STAND_IN) return;
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "v", fifo), FALSE);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
