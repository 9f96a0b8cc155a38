// CFileEx::Open: the folders a new file's path lacks, the calls the walk makes, its limits, and
// what the caller's exception record holds after a failure.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>

#if HALCYON_STAND_IN
#include "posix/SysCalls.h"
#endif

namespace {

using halcyon::test::FileExists;
using halcyon::test::IsFolder;

#if HALCYON_STAND_IN
int g_mkdirCalls = 0;
int g_mkdirErrno = 0;  // when set, every folder creation fails with it

// Counts the folder creations of one scope; with an errno, makes them fail.
class CountMkdir {
  public:
    explicit CountMkdir(int failWith = 0) : m_saved(win::posix::Sys()) {
        g_mkdirCalls = 0;
        g_mkdirErrno = failWith;
        win::posix::Sys().mkdir = [](const char* path, mode_t mode) {
            ++g_mkdirCalls;
            if (g_mkdirErrno != 0) {
                errno = g_mkdirErrno;
                return -1;
            }
            return win::posix::RealSysCalls().mkdir(path, mode);
        };
    }
    ~CountMkdir() { win::posix::Sys() = m_saved; }
    int Calls() const { return g_mkdirCalls; }

  private:
    win::posix::SysCalls m_saved;
};
#else
struct CountMkdir {
    explicit CountMkdir(int = 0) {}
    int Calls() const { return -1; }  // not observable: Windows' own CreateDirectoryA
};
#endif

// "L1\L2\...\Ln" below the folder: n missing levels.
std::string Levels(int n, char separator) {
    std::string path;
    for (int i = 1; i <= n; ++i)
        path += (i > 1 ? std::string(1, separator) : "") + "L" + std::to_string(i);
    return path;
}

constexpr unsigned kCreate = CFile::modeCreate | CFile::modeWrite;

TEST(FileEx, CreatesTheMissingFoldersOfANewFile) {
    struct Case {
        const char* name;
        int missing;  // folder levels missing between the scratch folder and the file
        unsigned flags;
        bool opens;
        int calls;       // folder creations (Linux only)
        int levelsMade;  // of the missing ones, from the top
    } cases[] = {
        {"two missing", 2, kCreate, true, 3, 2},
        {"without the create flag", 2, CFile::modeWrite, false, 0, 0},
        {"read-write create", 1, CFile::modeCreate | CFile::modeReadWrite, true, 1, 1},
        {"nothing missing", 0, kCreate, true, 0, 0},
        {"fourteen missing", 14, kCreate, true, 27, 14},
        {"fifteen missing", 15, kCreate, false, 28, 14},
        {"twenty missing", 20, kCreate, false, 28, 9},
    };
    for (const auto& c : cases) {
        std::string host = halcyon::test::MakeScratchFolder("fileex");
        std::string win = halcyon::test::WindowsPath(host);
        std::string inner = c.missing > 0 ? "\\" + Levels(c.missing, '\\') : "";
        std::string name = win + inner + "\\file.dat";
        CFileEx file;
        CFileException error;
        CountMkdir count;
        EXPECT_EQ(file.Open(name.c_str(), c.flags, &error) != 0, c.opens) << c.name;
        if (count.Calls() >= 0) {
            EXPECT_EQ(count.Calls(), c.calls) << c.name;
        }
        for (int level = 1; level <= c.missing; ++level) {
            std::string folder = host + "/" + Levels(level, '/');
            EXPECT_EQ(IsFolder(folder), level <= c.levelsMade) << c.name << " level " << level;
        }
        EXPECT_EQ(
            FileExists(host + (c.missing > 0 ? "/" + Levels(c.missing, '/') : "") + "/file.dat"),
            c.opens)
            << c.name;
        if (!c.opens) {
            // The record holds what the first open reported: the path was not there.
            EXPECT_EQ(error.m_cause, CFileException::badPath) << c.name;
            EXPECT_EQ(error.m_lOsError, 3) << c.name;
        }
    }
}

TEST(FileEx, FailuresThatNoFolderCanMend) {
    std::string host = halcyon::test::MakeScratchFolder("fileex-fail");
    std::string win = halcyon::test::WindowsPath(host);
    ASSERT_TRUE(halcyon::test::MakeFolder(host + "/dir"));

    // A folder of the name: found, so no folder is made, and the second open's failure stands.
    {
        CFileEx file;
        CFileException error;
        CountMkdir count;
        EXPECT_FALSE(file.Open((win + "\\dir").c_str(), kCreate, &error));
        if (count.Calls() >= 0) {
            EXPECT_EQ(count.Calls(), 0);
        }
        EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    }
    // A name the system refuses: its folder exists (one call), the file's name is never made.
    {
        CFileEx file;
        CountMkdir count;
        EXPECT_FALSE(file.Open((win + "\\dir\\bad|name").c_str(), kCreate, nullptr));
        if (count.Calls() >= 0) {
            EXPECT_EQ(count.Calls(), 1);
        }
        EXPECT_FALSE(IsFolder(host + "/dir/bad|name"));
    }
#if HALCYON_STAND_IN
    // A folder creation that fails otherwise than for a missing path ends the walk: no walk up.
    {
        CFileEx file;
        CFileException error;
        CountMkdir count(EACCES);
        EXPECT_FALSE(file.Open((win + "\\a\\b\\file.dat").c_str(), kCreate, &error));
        EXPECT_EQ(count.Calls(), 1);
        EXPECT_EQ(error.m_lOsError, 3);
    }
#endif
}

// The working copy holds 259 characters and the terminator: a longer name makes no folder.
TEST(FileEx, NamesBeyondTheWorkingBufferMakeNoFolder) {
    std::string host = halcyon::test::MakeScratchFolder("fileex-long");
    for (size_t length : {259u, 260u, 4000u}) {
        std::string folder = "new" + std::to_string(length);
        std::string win = halcyon::test::WindowsPath(host) + "\\" + folder + "\\";
        ASSERT_LT(win.size(), 200u);
        std::string name = win + std::string(length - win.size(), 'f');
        CFileEx file;
        CountMkdir count;
        EXPECT_EQ(file.Open(name.c_str(), kCreate, nullptr) != 0, length < 260) << length;
        EXPECT_EQ(IsFolder(host + "/" + folder), length < 260) << length;
        if (count.Calls() >= 0) {
            EXPECT_EQ(count.Calls(), length < 260 ? 1 : 0) << length;
        }
    }
}

}  // namespace
