// SPDX-License-Identifier: Apache-2.0
// CFileEx::Open: the folders a new file's path lacks, the limits of its walk, and what the
// caller's exception record holds after a failure.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace {

using halcyon::test::FileExists;
using halcyon::test::IsFolder;

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
    // A name for the case, the path below the folder, the open flags, whether it opens, how many
    // of the names in the path are folders afterwards (from the top) and the exception record's
    // m_cause after a failure (0: not checked).
    const std::tuple<const char*, std::string, unsigned, bool, int, int> cases[] = {
        {"without the create flag", Levels(2), CFile::modeWrite, false, 0, CFileException::badPath},
        {"fourteen missing", Levels(14), kCreate, true, 14, 0},
        // The walk gives up after 28 calls: m on the way up, 28 - m of the m - 1 on the way down,
        // so 29 - m of the upper folders are made.
        {"fifteen missing", Levels(15), kCreate, false, 14, CFileException::badPath},
        // Found, so no folder is made, and the second open's failure stands.
        {"a folder of the name", "dir", kCreate, false, 1, CFileException::accessDenied},
        // Its folder exists; the file's name is never made.
        {"a name the system refuses", "dir\\bad|name", kCreate, false, 1, 0},
        {"259 characters", named(259), kCreate, true, 1, 0},
        {"260 characters", named(260), kCreate, false, 0, 0},
    };
    for (const auto& [name, below, flags, opens, made, cause] : cases) {
        ASSERT_EQ(halcyon::test::MakeScratchFolder("fileex"), host);
        ASSERT_TRUE(halcyon::test::MakeFolder(host + "/dir"));
        CFileEx file;
        CFileException error;
        EXPECT_EQ(file.Open((win + below).c_str(), flags, &error) != 0, opens) << name;
        std::string path = host;
        int level = 0;
        for (size_t at = 0; at <= below.size();) {
            size_t end = std::min(below.find('\\', at), below.size());
            path += "/" + below.substr(at, end - at);
            at = end + 1;
            EXPECT_EQ(IsFolder(path), ++level <= made) << name << " level " << level;
        }
        EXPECT_EQ(FileExists(path) && !IsFolder(path), opens) << name;
        if (cause > 0) {
            EXPECT_EQ(error.m_cause, cause) << name;
        }
        // The record holds what the first open reported: the path was not there.
        if (cause == CFileException::badPath) {
            EXPECT_EQ(error.m_lOsError, 3) << name;
        }
    }
}

}  // namespace
