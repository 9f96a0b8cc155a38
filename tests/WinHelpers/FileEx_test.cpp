// SPDX-License-Identifier: Apache-2.0
// CFileEx::Open: the folders a new file's path lacks, the limits of its walk, and what the
// caller's exception record holds after a failure.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
    struct Case {
        const char* name;
        std::string below;
        unsigned flags;
        bool opens;
        int made;   // of the names in `below`, how many are folders afterwards, from the top
        int cause;  // the exception record's m_cause after a failure (0: not checked)
    } cases[] = {
        {"without the create flag", Levels(2), CFile::modeWrite, false, 0, CFileException::badPath},
        {"fourteen missing", Levels(14), kCreate, true, 14, 0},
        // The walk gives up after 28 calls: m on the way up, 28 - m of the m - 1 on the way down,
        // so 29 - m of the upper folders are made.
        {"fifteen missing", Levels(15), kCreate, false, 14, CFileException::badPath},
        {"sixteen missing", Levels(16), kCreate, false, 13, CFileException::badPath},
        {"twenty missing", Levels(20), kCreate, false, 9, CFileException::badPath},
        // Found, so no folder is made, and the second open's failure stands.
        {"a folder of the name", "dir", kCreate, false, 1, CFileException::accessDenied},
        // Its folder exists; the file's name is never made.
        {"a name the system refuses", "dir\\bad|name", kCreate, false, 1, 0},
        {"259 characters", named(259), kCreate, true, 1, 0},
        {"260 characters", named(260), kCreate, false, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(halcyon::test::MakeScratchFolder("fileex"), host);
        ASSERT_TRUE(halcyon::test::MakeFolder(host + "/dir"));
        CFileEx file;
        CFileException error;
        EXPECT_EQ(file.Open((win + c.below).c_str(), c.flags, &error) != 0, c.opens) << c.name;
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
