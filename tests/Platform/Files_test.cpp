// Windows paths on Linux, the module name, and the folder and file calls' errors.
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using halcyon::test::IsFolder;
using halcyon::test::MakeFolder;
using halcyon::test::MakeScratchFolder;
using halcyon::test::WindowsPath;

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
        {w + "\\CaseDir\\Sub", base + "/CaseDir/Sub"},
        {w + "\\CASEDIR\\sub", base + "/CaseDir/Sub"},     // found without regard to case
        {w + "/casedir//SUB\\\\", base + "/CaseDir/Sub"},  // both separators, repeats collapsed
        {w + "\\CaseDir\\.\\Sub\\..\\Sub", base + "/CaseDir/Sub"},
        {w + "\\CaseDir\\Sub.. ", base + "/CaseDir/Sub"},  // trailing dots and blanks dropped
        {"Z:\\", "/"},
        {"Z:\\..\\..\\tmp", "/tmp"},  // never above the drive's folder
        {"Q:\\x", "error 3"},         // unmapped drive
        {"\\\\server\\share", "error 3"},
        {w + "\\bad*name", "error 123"},
        {"..\\LOG\\x.log", base + "/LOG/x.log"},
        {"SUB", base + "/CaseDir/Sub"},
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
    win::DWORD n = win::GetModuleFileNameA(nullptr, name, sizeof name);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::string(name), halcyon::test::RootWindowsPath() + "\\BIN\\" +
                                     halcyon::test::ProgramFileName("halcyon_tests"));
#if HALCYON_STAND_IN
    EXPECT_EQ(WindowsPath("/opt/nimbus/BIN/term"), "Z:\\opt\\nimbus\\BIN\\term");
    EXPECT_EQ(std::string(name, 2), "Z:");
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, nullptr, 8), 0u);  // Windows writes through it
#endif
    char cut[8];
    std::memset(cut, 'x', sizeof cut);
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, cut, sizeof cut), 8u);
    EXPECT_EQ(win::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    if (halcyon::test::UnderWine()) {
        // Wine fills all eight bytes and leaves out the terminator that Windows writes.
        EXPECT_EQ(std::string(cut, sizeof cut), std::string(name, 8));
    } else {
        EXPECT_EQ(std::string(cut), std::string(name, 7));  // n-1 characters and the terminator
    }
}

#if HALCYON_STAND_IN
// Child: prints the host path for each argument; the drive knobs come from the environment.
int TranslateRole(const std::vector<std::string>& args) {
    for (const std::string& a : args) std::printf("%s\n", Host(a).c_str());
    return 0;
}
const halcyon::test::ChildRole kTranslate("translate", TranslateRole);
#endif

TEST(PathTranslation, DriveLettersFollowTheEnvironment) {
#if HALCYON_STAND_IN
    std::string c = MakeScratchFolder("drive-c");
    MakeFolder(c + "/Apps");
    std::string cmd = "HALCYON_DRIVE_C=" + c + "/ HALCYON_DRIVE_Z=" + c + "/Apps " +
                      halcyon::test::ChildCommand("translate") +
                      " 'c:\\APPS\\x' 'Z:\\y' 'D:\\z' 'C:\\..\\Apps\\x'";
    std::string out;
    ASSERT_EQ(halcyon::test::RunCommand(cmd, out), 0) << out;
    // Never above a mapped drive's folder.
    EXPECT_EQ(out, c + "/Apps/x\n" + c + "/Apps/y\nerror 3\n" + c + "/Apps/x\n");
#else
    GTEST_SKIP() << "HALCYON_DRIVE_<LETTER> is a setting of the Linux stand-in";
#endif
}

TEST(FileCalls, CreateDirectoryAndDeleteFileReportWindowsErrors) {
    std::string base = MakeScratchFolder("file-calls");
    std::string w = WindowsPath(base);
    halcyon::test::WriteFile(base + "/file.txt", "x");
    struct Case {
        bool mkdir;  // CreateDirectoryA, else DeleteFileA
        std::string path;
        win::DWORD error;  // 0: the call succeeds
    } cases[] = {
        {true, w + "\\New", 0},
        {true, w + "\\New", ERROR_ALREADY_EXISTS},
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
        EXPECT_EQ(ok, c.error == 0 ? TRUE : FALSE) << c.path;
        if (!ok) {
            EXPECT_EQ(win::GetLastError(), c.error) << c.path;
        }
    }
    EXPECT_FALSE(win::CreateDirectoryA(nullptr, nullptr));
    EXPECT_FALSE(halcyon::test::FileExists(base + "/file.txt"));
    EXPECT_EQ(win::GetFileAttributesA((w + "\\NEW").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileCalls, InjectedFailuresBecomeWindowsErrors) {
#if HALCYON_STAND_IN
    std::string w = WindowsPath(MakeScratchFolder("inject"));
    {
        halcyon::test::SysCallsGuard restore;
        win::posix::Sys().mkdir = [](const char*, mode_t) { return errno = ENOSPC, -1; };
        EXPECT_FALSE(win::CreateDirectoryA((w + "\\Full").c_str(), nullptr));
        EXPECT_EQ(win::GetLastError(), ERROR_DISK_FULL);
    }
    EXPECT_TRUE(win::CreateDirectoryA((w + "\\Full").c_str(), nullptr));
#else
    GTEST_SKIP() << "the system-call table is the Linux stand-in's";
#endif
}

}  // namespace
