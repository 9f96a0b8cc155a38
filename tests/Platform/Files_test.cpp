// SPDX-License-Identifier: Apache-2.0
// Windows paths on Linux, the module name, the folder and file calls' errors, and
// GetTempFileNameA and CreateFileA as the shared-memory blocks use them.
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace halcyon::test {
namespace {

#if HALCYON_STAND_IN
// Child: prints the host path of each argument, or "error <code>"; its current folder and the
// drive letters' folders come from the command that starts it.
int TranslateRole(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        std::string host;
        win::DWORD error = 0;
        if (!win::posix::ToHostPath(a.c_str(), host, error))
            host = "error " + std::to_string(error);
        std::printf("%s\n", host.c_str());
    }
    return 0;
}
const ChildRole kTranslate("translate", TranslateRole);
#endif

// Relative paths start at the current folder, here CaseDir; drive C is the folder that holds it.
TEST(PathTranslation, WindowsPathsReachTheFilesThatExist) {
#if HALCYON_STAND_IN
    std::string base = MakeScratchFolder("translate");
    MakeFolder(base + "/CaseDir");
    MakeFolder(base + "/CaseDir/Sub");
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
        {"c:\\..\\CASEDIR\\x", base + "/CaseDir/x"},       // nor above a mapped drive's folder
        {"Q:\\x", "error 3"},                              // unmapped drive
        {"\\\\server\\share", "error 3"},
        {w + "\\bad*name", "error 123"},
        {"..\\LOG\\x.log", base + "/LOG/x.log"},
        {"\\etc", base + "/etc"},  // root of the current drive, C:
    };
    std::string command =
        "cd '" + base + "/CaseDir' && HALCYON_DRIVE_C=" + base + "/ " + ChildCommand("translate");
    std::string want, out;
    for (const Case& c : cases) {
        command += " '" + c.in + "'";
        want += c.want + "\n";
    }
    ASSERT_EQ(RunCommand(command, out), 0) << out;
    EXPECT_EQ(out, want);
#else
    GTEST_SKIP() << "translation of paths into host paths is the Linux stand-in's";
#endif
}

TEST(PathTranslation, TheModuleNameIsCutToItsBuffer) {
    char name[MAX_PATH];
    ASSERT_GT(win::GetModuleFileNameA(nullptr, name, sizeof name), 0u);
    EXPECT_EQ(std::string(name), RootWindowsPath() + "\\BIN\\" + ProgramFileName("halcyon_tests"));
    char cut[8];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, cut, sizeof cut), 8u);
    EXPECT_EQ(win::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // Windows writes seven characters and the terminator; Wine fills all eight bytes.
    std::string want(name, 8);
    if (!UnderWine()) want[7] = '\0';
    EXPECT_EQ(std::string(cut, 8), want);
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
        {false, w + "\\FILE.TXT", 0},  // found without regard to case
        {false, w + "\\file.txt", ERROR_FILE_NOT_FOUND},
        {false, w + "\\New", ERROR_ACCESS_DENIED},  // a folder
    };
    for (const Case& c : cases) {
        win::SetLastError(0);
        win::BOOL ok = c.mkdir ? win::CreateDirectoryA(c.path.c_str(), nullptr)
                               : win::DeleteFileA(c.path.c_str());
        EXPECT_EQ(ok ? 0 : win::GetLastError(), c.error) << c.path;
    }
}

// The caller's number names the file, as the shared-memory blocks ask for one; nothing is created.
TEST(KernelFiles, TempFileNamesAreFormedAsOnWindows) {
    std::string folder = WindowsPath(MakeScratchFolder("names"));
    for (const char* separator : {"", "\\"}) {
        char name[MAX_PATH] = {};
        std::string path = folder + separator;
        EXPECT_EQ(win::GetTempFileNameA(path.c_str(), "TMP", 0xBEEF, name), 0xBEEFu);
        // Windows writes the number in upper-case hex, Wine in lower case; names match either.
        EXPECT_STRCASEEQ(name, (folder + "\\TMPBEEF.tmp").c_str());
        EXPECT_FALSE(WindowsFileExists(name));
    }
    char name[MAX_PATH];
    std::string tooLong(MAX_PATH - 13, 'x');
    EXPECT_EQ(win::GetTempFileNameA(tooLong.c_str(), "TMP", 0, name), 0U);
    // Wine looks for the folder first and reports it missing.
    EXPECT_EQ(win::GetLastError(), UnderWine() ? ERROR_DIRECTORY : ERROR_BUFFER_OVERFLOW);
}

// The error after the call tells whether it opened: ERROR_SUCCESS and ERROR_ALREADY_EXISTS do.
TEST(KernelFiles, CreateFileDispositions) {
    std::string folder = WindowsPath(MakeScratchFolder("dispositions"));
    std::string existing = folder + "\\existing.txt";
    struct Case {
        std::string path;
        win::DWORD disposition;
        win::DWORD error;
    } cases[] = {
        {folder + "\\fresh.txt", CREATE_NEW, ERROR_SUCCESS},
        {existing, CREATE_NEW, ERROR_FILE_EXISTS},
        {existing, CREATE_ALWAYS, ERROR_ALREADY_EXISTS},
        {folder + "\\none", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {folder + "\\none\\x", OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
        {existing, TRUNCATE_EXISTING, ERROR_SUCCESS},
        {existing, 9, ERROR_INVALID_PARAMETER},  // no such disposition
        {folder, OPEN_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " " << c.disposition);
        WriteFile(HostPath(existing.c_str()), "old contents");
        win::SetLastError(1234);
        win::HANDLE h =
            win::CreateFileA(c.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
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
