// Windows paths on Linux, the module name, the folder and file calls' errors, and
// GetTempFileNameA and CreateFileA as the shared-memory blocks use them.
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace halcyon::test {
namespace {

#if HALCYON_STAND_IN
std::string Host(const std::string& windowsPath) {
    std::string host;
    win::DWORD error = 0;
    if (!win::posix::ToHostPath(windowsPath.c_str(), host, error))
        return "error " + std::to_string(error);
    return host;
}

#endif

// Relative paths start at the current directory, here CaseDir.
TEST(PathTranslation, WindowsPathsReachTheFilesThatExist) {
#if HALCYON_STAND_IN
    std::string base = MakeScratchFolder("translate");
    MakeFolder(base + "/CaseDir");
    MakeFolder(base + "/CaseDir/Sub");
    ASSERT_EQ(chdir((base + "/CaseDir").c_str()), 0);
    std::string w = WindowsPath(base);
    struct Case {
        std::string in;
        std::string want;
    } cases[] = {
        {w + "\\CASEDIR\\sub", base + "/CaseDir/Sub"},     // found without regard to case
        {w + "/casedir//SUB\\\\", base + "/CaseDir/Sub"},  // both separators, repeats collapsed
        {w + "\\CaseDir\\.\\Sub\\..\\Sub", base + "/CaseDir/Sub"},
        {w + "\\CaseDir\\Sub.. ", base + "/CaseDir/Sub"},  // trailing dots and blanks dropped
        {"Z:\\..\\..\\tmp", "/tmp"},                       // never above the drive's folder
        {"Q:\\x", "error 3"},                              // unmapped drive
        {"\\\\server\\share", "error 3"},
        {w + "\\bad*name", "error 123"},
        {"..\\LOG\\x.log", base + "/LOG/x.log"},
        {"\\etc", "/etc"},  // root of the current drive (Z:)
    };
    for (const Case& c : cases) EXPECT_EQ(Host(c.in), c.want) << c.in;
    EXPECT_EQ(halcyon::HostPath("..\\casedir"), base + "/CaseDir");
    EXPECT_EQ(halcyon::HostPath("C:\\nowhere"), "");
#else
    GTEST_SKIP() << "translation of paths into host paths is the Linux stand-in's";
#endif
}

TEST(PathTranslation, HostPathsBecomeDriveZPathsAndTheModuleNameIsCutToItsBuffer) {
    char name[MAX_PATH];
    ASSERT_GT(win::GetModuleFileNameA(nullptr, name, sizeof name), 0u);
    EXPECT_EQ(std::string(name), RootWindowsPath() + "\\BIN\\" + ProgramFileName("halcyon_tests"));
#if HALCYON_STAND_IN
    EXPECT_EQ(WindowsPath("/opt/nimbus/BIN/term"), "Z:\\opt\\nimbus\\BIN\\term");
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, nullptr, 8), 0u);  // Windows writes through it
#endif
    char cut[8];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, cut, sizeof cut), 8u);
    EXPECT_EQ(win::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // Windows writes seven characters and the terminator; Wine fills all eight bytes.
    std::string want(name, 8);
    if (!UnderWine()) want[7] = '\0';
    EXPECT_EQ(std::string(cut, 8), want);
}

#if HALCYON_STAND_IN
// Child: prints the host path for each argument; the drive knobs come from the environment.
int TranslateRole(const std::vector<std::string>& args) {
    for (const std::string& a : args) std::printf("%s\n", Host(a).c_str());
    return 0;
}
const ChildRole kTranslate("translate", TranslateRole);
#endif

TEST(PathTranslation, DriveLettersFollowTheEnvironment) {
#if HALCYON_STAND_IN
    std::string c = MakeScratchFolder("drive-c");
    MakeFolder(c + "/Apps");
    std::string cmd = "HALCYON_DRIVE_C=" + c + "/ HALCYON_DRIVE_Z=" + c + "/Apps " +
                      ChildCommand("translate") +
                      " 'c:\\APPS\\x' 'Z:\\y' 'D:\\z' 'C:\\..\\Apps\\x'";
    std::string out;
    ASSERT_EQ(RunCommand(cmd, out), 0) << out;
    // Never above a mapped drive's folder.
    EXPECT_EQ(out, c + "/Apps/x\n" + c + "/Apps/y\nerror 3\n" + c + "/Apps/x\n");
#else
    GTEST_SKIP() << "HALCYON_DRIVE_<LETTER> is a setting of the Linux stand-in";
#endif
}

TEST(FileCalls, CreateDirectoryAndDeleteFileReportWindowsErrors) {
    std::string base = MakeScratchFolder("file-calls");
    std::string w = WindowsPath(base);
    WriteFile(base + "/file.txt", "x");
    struct Case {
        bool mkdir;  // CreateDirectoryA, else DeleteFileA
        std::string path;
        win::DWORD error;  // 0: the call succeeds
    } cases[] = {
        {true, w + "\\New", 0},
        {true, w + "\\NEW", ERROR_ALREADY_EXISTS},  // existing folder in another case
        {true, w + "\\Missing\\Child", ERROR_PATH_NOT_FOUND},
        {true, w + "\\Bad?", ERROR_INVALID_NAME},
        {false, w + "\\FILE.TXT", 0},  // found without regard to case
        {false, w + "\\file.txt", ERROR_FILE_NOT_FOUND},
        {false, w + "\\nodir\\file.txt", ERROR_PATH_NOT_FOUND},
        {false, w + "\\New", ERROR_ACCESS_DENIED},  // a folder
    };
    for (const Case& c : cases) {
        win::SetLastError(0);
        win::BOOL ok = c.mkdir ? win::CreateDirectoryA(c.path.c_str(), nullptr)
                               : win::DeleteFileA(c.path.c_str());
        EXPECT_EQ(ok ? 0 : win::GetLastError(), c.error) << c.path;
    }
    EXPECT_FALSE(win::CreateDirectoryA(nullptr, nullptr));
}

std::string Folder(const std::string& name) {
    MakeScratchFolder(name);
    return RootWindowsPath() + "\\scratch\\" + name;
}

// Wine writes the number of a temporary file's name in lower-case hex, Windows in upper case.
std::string AsWindowsNamesIt(std::string name) {
    if (UnderWine()) {
        size_t last = name.find_last_of('\\');
        for (size_t i = last + 1; i < name.size(); ++i)
            name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        if (name.size() >= 4) name.replace(name.size() - 4, 4, ".tmp");
    }
    return name;
}

// A number of the caller's names a file and creates nothing; number 0 picks a new name and
// creates the file.
TEST(KernelFiles, TempFileNamesAreFormedAsOnWindows) {
    std::string folder = Folder("names");
    struct Case {
        const char* path;
        const char* prefix;
        unsigned int unique;
        std::string expected;
    };
    const Case cases[] = {
        {"\\", "TMP", 0xBEEF, "TMPBEEF.tmp"},
        {"", "abcdef", 0x1, "abc1.tmp"},
        {"", nullptr, 0x12345, "2345.tmp"},
    };
    for (const Case& c : cases) {
        char name[MAX_PATH] = {};
        std::string path = folder + c.path;
        // Wine returns the 16 bits it used; Windows the number it was given.
        EXPECT_EQ(win::GetTempFileNameA(path.c_str(), c.prefix, c.unique, name),
                  UnderWine() ? c.unique & 0xFFFF : c.unique);
        EXPECT_EQ(AsWindowsNamesIt(name), AsWindowsNamesIt(folder + "\\" + c.expected));
        EXPECT_FALSE(WindowsFileExists(name));
    }
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        char name[MAX_PATH];
        unsigned int number = win::GetTempFileNameA(folder.c_str(), "TMP", 0, name);
        std::string text = AsWindowsNamesIt(name);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", number);
        EXPECT_EQ(text, folder + "\\TMP" + hex + ".tmp");
        EXPECT_TRUE(WindowsFileExists(text));
        EXPECT_TRUE(seen.insert(text).second) << "names repeat";
    }
    char name[MAX_PATH];
    std::string missing = RootWindowsPath() + "\\no such folder";
    EXPECT_EQ(win::GetTempFileNameA(missing.c_str(), "TMP", 0, name), 0U);
    EXPECT_EQ(win::GetLastError(), ERROR_DIRECTORY);
    std::string tooLong(MAX_PATH - 13, 'x');
    EXPECT_EQ(win::GetTempFileNameA(tooLong.c_str(), "TMP", 0, name), 0U);
    // Wine looks for the folder first and reports it missing.
    EXPECT_EQ(win::GetLastError(), UnderWine() ? ERROR_DIRECTORY : ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(win::GetTempFileNameA(nullptr, "TMP", 0, name), 0U);
    EXPECT_EQ(win::GetTempFileNameA(missing.c_str(), "TMP", 0, nullptr), 0U);
}

// The error after the call tells whether it opened: ERROR_SUCCESS and ERROR_ALREADY_EXISTS do.
TEST(KernelFiles, CreateFileDispositions) {
    std::string folder = Folder("dispositions");
    std::string existing = folder + "\\existing.txt";
    constexpr win::DWORD R = GENERIC_READ, W = GENERIC_WRITE;
    struct Case {
        std::string path;
        win::DWORD access;
        win::DWORD disposition;
        win::DWORD error;
    };
    const Case cases[] = {
        {folder + "\\fresh.txt", W, CREATE_NEW, ERROR_SUCCESS},
        {existing, W, CREATE_NEW, ERROR_FILE_EXISTS},
        {existing, W, CREATE_ALWAYS, ERROR_ALREADY_EXISTS},
        {folder + "\\none", R, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {folder + "\\none\\x", R, OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
        {existing, R, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},  // without write access
        {existing, W, TRUNCATE_EXISTING, ERROR_SUCCESS},
        {existing, R, 9, ERROR_INVALID_PARAMETER},  // no such disposition
        {folder, R, OPEN_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " " << c.disposition);
        // Wine truncates a file opened for reading only.
        if (UnderWine() && c.disposition == TRUNCATE_EXISTING) continue;
        WriteFile(HostPath(existing.c_str()), "old contents");
        win::SetLastError(1234);
        win::HANDLE h = win::CreateFileA(c.path.c_str(), c.access, FILE_SHARE_READ, nullptr,
                                         c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(win::GetLastError(), c.error);
        bool opens = c.error == ERROR_SUCCESS || c.error == ERROR_ALREADY_EXISTS;
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, opens);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(win::CloseHandle(h));
            EXPECT_FALSE(win::CloseHandle(h));
            EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
        }
    }
}

}  // namespace
}  // namespace halcyon::test
