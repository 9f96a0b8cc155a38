// CFileEx::Open: the folders a new file's path lacks, the calls the walk makes, its limits, and
// what the caller's exception record holds after a failure.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

#if HALCYON_STAND_IN
#include "posix/SysCalls.h"
#endif

namespace {

using halcyon::test::FileExists;
using halcyon::test::IsFolder;

#if HALCYON_STAND_IN
int g_mkdirCalls = 0;
int g_mkdirErrno = 0;

// Counts the folder creations of one scope; with an errno, makes every one fail with it.
struct CountMkdir {
    win::posix::SysCalls saved = win::posix::Sys();
    explicit CountMkdir(int failWith) {
        g_mkdirCalls = 0;
        g_mkdirErrno = failWith;
        win::posix::Sys().mkdir = [](const char* path, mode_t mode) {
            ++g_mkdirCalls;
            if (g_mkdirErrno == 0) return win::posix::RealSysCalls().mkdir(path, mode);
            errno = g_mkdirErrno;
            return -1;
        };
    }
    ~CountMkdir() { win::posix::Sys() = saved; }
    int Calls() const { return g_mkdirCalls; }
};
#else
struct CountMkdir {  // Windows' own CreateDirectoryA: its calls are not seen
    explicit CountMkdir(int) {}
    int Calls() const { return -1; }
};
#endif

// "L1\L2\...\Ln\file.dat": n missing levels above a file.
std::string Levels(int n) {
    std::string path;
    for (int i = 1; i <= n; ++i) path += "L" + std::to_string(i) + "\\";
    return path + "file.dat";
}

constexpr unsigned kCreate = CFile::modeCreate | CFile::modeWrite;

// Each case opens a name below a fresh folder that holds only the folder "dir".
TEST(FileEx, CreatesTheMissingFoldersOfANewFile) {
    const std::string host = halcyon::test::MakeScratchFolder("fileex");
    const std::string win = halcyon::test::WindowsPath(host) + "\\";
    // The working copy holds 259 characters and the terminator: a longer name makes no folder.
    auto named = [&](size_t length) { return "new\\" + std::string(length - win.size() - 4, 'f'); };
    struct Case {
        const char* name;
        std::string below;
        unsigned flags;
        int mkdirErrno;  // when set, every folder creation fails with it (Linux only)
        bool opens;
        int calls;  // folder creations (Linux only)
        int made;   // of the names in `below`, how many are folders afterwards, from the top
        int cause;  // the exception record's m_cause after a failure (0: not checked)
    } cases[] = {
        {"two missing", Levels(2), kCreate, 0, true, 3, 2, 0},
        {"without the create flag", Levels(2), CFile::modeWrite, 0, false, 0, 0,
         CFileException::badPath},
        {"fourteen missing", Levels(14), kCreate, 0, true, 27, 14, 0},
        {"fifteen missing", Levels(15), kCreate, 0, false, 28, 14, CFileException::badPath},
        // Found, so no folder is made, and the second open's failure stands.
        {"a folder of the name", "dir", kCreate, 0, false, 0, 1, CFileException::accessDenied},
        // Its folder exists (one call); the file's name is never made.
        {"a name the system refuses", "dir\\bad|name", kCreate, 0, false, 1, 1, 0},
        // A creation that fails otherwise than for a missing path ends the walk: no walk up.
        {"a creation refused", Levels(2), kCreate, EACCES, false, 1, 0, CFileException::badPath},
        {"259 characters", named(259), kCreate, 0, true, 1, 1, 0},
        {"260 characters", named(260), kCreate, 0, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(halcyon::test::MakeScratchFolder("fileex"), host);
        ASSERT_TRUE(halcyon::test::MakeFolder(host + "/dir"));
        if (c.mkdirErrno != 0 && !HALCYON_STAND_IN) continue;
        CFileEx file;
        CFileException error;
        CountMkdir count(c.mkdirErrno);
        EXPECT_EQ(file.Open((win + c.below).c_str(), c.flags, &error) != 0, c.opens) << c.name;
        if (count.Calls() >= 0) {
            EXPECT_EQ(count.Calls(), c.calls) << c.name;
        }
        std::string path = host;
        int level = 0;
        for (size_t at = 0; at <= c.below.size();) {
            size_t end = std::min(c.below.find('\\', at), c.below.size());
            path += "/" + c.below.substr(at, end - at);
            at = end + 1;
            EXPECT_EQ(IsFolder(path), ++level <= c.made) << c.name << " level " << level;
        }
        EXPECT_EQ(FileExists(path) && !IsFolder(path), c.opens) << c.name;
        if (c.cause > 0) {
            EXPECT_EQ(error.m_cause, c.cause) << c.name;
        }
        // The record holds what the first open reported: the path was not there.
        if (c.cause == CFileException::badPath) {
            EXPECT_EQ(error.m_lOsError, 3) << c.name;
        }
    }
}

}  // namespace
