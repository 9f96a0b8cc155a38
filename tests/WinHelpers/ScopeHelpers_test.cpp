// SPDX-License-Identifier: Apache-2.0
// The two scope objects: the resource module switched and restored, and the cursor hidden,
// parked and brought back, with a live window repainted.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <gtest/gtest.h>

namespace {

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
