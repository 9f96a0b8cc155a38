// SPDX-License-Identifier: Apache-2.0
// CFileEx::Open: the folders a new file's path lacks, the limits of its walk, and what the
// caller's exception record holds after a failure. The two scope objects: the resource module
// switched and restored, and the cursor hidden, parked and brought back, with a live window
// repainted.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

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

TEST(AutoDllResource, SwitchesAndRestoresAsItsHandlesSay) {
    const HINSTANCE start = AfxGetResourceHandle();
    const auto h = reinterpret_cast<HINSTANCE>(0x7000), g = reinterpret_cast<HINSTANCE>(0x8000);
    // The handles given, the one in force in the scope and the one after it.
    const HINSTANCE cases[][4] = {
        {nullptr, h, h, h},      // switches and leaves H in force
        {h, nullptr, start, h},  // changes nothing, then makes H current
        {g, h, h, g},            // restores what it was given, not what was there
    };
    for (const auto& [oldHandle, newHandle, during, after] : cases) {
        AfxSetResourceHandle(start);
        {
            CAutoDllResource scope(oldHandle, newHandle);
            EXPECT_EQ(AfxGetResourceHandle(), during);
        }
        EXPECT_EQ(AfxGetResourceHandle(), after);
    }
    AfxSetResourceHandle(start);
}

// The calling thread's display counter, read without changing it.
int CursorCounter() {
    win::ShowCursor(TRUE);
    return win::ShowCursor(FALSE);
}

bool At(int x, int y) {
    POINT p{-1, -1};
    win::GetCursorPos(&p);
    return p.x == x && p.y == y;
}

TEST(AvoidMouseMoveEffect, NestedScopesParkTheCursorAndRepaintALiveWindow) {
#if HALCYON_STAND_IN
    HWND hWnd = static_cast<HWND>(win::posix::CreateModelWindow());
#else  // none where Wine has no display: the scope then holds a window that is not there
    HWND hWnd = CreateWindowExA(0, "STATIC", "halcyon", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
#endif
    CWnd live(hWnd);
    CWnd none;
    // Under Wine without a display the cursor stays at (0, 0): there only the counter is checked.
    win::SetCursorPos(300, 200);
    const bool moves = At(300, 200);
#if HALCYON_STAND_IN
    ASSERT_TRUE(moves);
#endif
    const int counter = CursorCounter();
    {
        CAvoidMouseMoveEffect outer(&live, 0);
        EXPECT_EQ(CursorCounter(), counter - 1);
        EXPECT_TRUE(At(0, 0));
        win::SetCursorPos(40, 50);
        {
            CAvoidMouseMoveEffect inner(&none, 0);
            EXPECT_EQ(CursorCounter(), counter - 2);
        }
        EXPECT_TRUE(!moves || At(40, 50));
        EXPECT_EQ(CursorCounter(), counter - 1);
    }
    EXPECT_TRUE(!moves || At(300, 200));
    EXPECT_EQ(CursorCounter(), counter);
#if HALCYON_STAND_IN
    win::posix::WindowPaint paint{};
    ASSERT_TRUE(win::posix::GetWindowPaint(hWnd, paint));
    EXPECT_EQ(paint.paints, 1u);
    EXPECT_EQ(paint.erasures, 1u);
#endif
    if (hWnd != nullptr) win::DestroyWindow(hWnd);
}

}  // namespace
