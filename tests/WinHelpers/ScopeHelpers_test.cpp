// The two scope objects: the resource module switched and restored, and the cursor hidden,
// parked and brought back, with the window repainted only while it lives.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(AutoDllResource, SwitchesAndRestoresAsItsHandlesSay) {
    const HINSTANCE start = AfxGetResourceHandle();
    ASSERT_NE(start, nullptr);  // the executable's own
    const auto h = reinterpret_cast<HINSTANCE>(0x7000), g = reinterpret_cast<HINSTANCE>(0x8000);
    struct Case {
        HINSTANCE oldHandle, newHandle;
        HINSTANCE during, after;
    } cases[] = {
        {nullptr, h, h, h},      // switches and leaves H in force
        {h, nullptr, start, h},  // changes nothing, then makes H current
        {g, h, h, g},            // restores what it was given, not what was there
    };
    for (const auto& c : cases) {
        AfxSetResourceHandle(start);
        {
            CAutoDllResource scope(c.oldHandle, c.newHandle);
            EXPECT_EQ(AfxGetResourceHandle(), c.during);
        }
        EXPECT_EQ(AfxGetResourceHandle(), c.after);
    }
    AfxSetResourceHandle(start);
    AfxSetResourceHandle(nullptr);  // refused
    EXPECT_EQ(AfxGetResourceHandle(), start);
}

// The calling thread's display counter, read without changing it.
int CursorCounter() {
    win::ShowCursor(TRUE);
    return win::ShowCursor(FALSE);
}

POINT Cursor() {
    POINT p{-1, -1};
    win::GetCursorPos(&p);
    return p;
}

bool At(int x, int y) { return Cursor().x == x && Cursor().y == y; }

TEST(AvoidMouseMoveEffect, NestedScopesParkAndRestoreTheCursor) {
    // Under Wine without a display the cursor stays at (0, 0): there only the counter is checked.
    win::SetCursorPos(300, 200);
    const bool moves = At(300, 200);
#if HALCYON_STAND_IN
    ASSERT_TRUE(moves);
#endif
    const int counter = CursorCounter();
    {
        CAvoidMouseMoveEffect outer(nullptr, 0);
        EXPECT_EQ(CursorCounter(), counter - 1);
        EXPECT_TRUE(At(0, 0));
        win::SetCursorPos(40, 50);
        {
            CAvoidMouseMoveEffect inner(nullptr, 0);
            EXPECT_EQ(CursorCounter(), counter - 2);
        }
        EXPECT_TRUE(!moves || At(40, 50));
        EXPECT_EQ(CursorCounter(), counter - 1);
    }
    EXPECT_TRUE(!moves || At(300, 200));
    EXPECT_EQ(CursorCounter(), counter);
    // The counter belongs to the thread: another thread's scope leaves this one's alone.
    std::thread([] { CAvoidMouseMoveEffect other(nullptr, 0); }).join();
    EXPECT_EQ(CursorCounter(), counter);
    if (!moves) GTEST_SKIP() << "the counter is checked; the cursor does not move here";
}

TEST(AvoidMouseMoveEffect, RepaintsALiveWindowOnly) {
#if HALCYON_STAND_IN
    HWND hWnd = static_cast<HWND>(win::posix::CreateModelWindow());
#else
    HWND hWnd = CreateWindowExA(0, "STATIC", "halcyon", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
#endif
    if (hWnd == nullptr) GTEST_SKIP() << "no window can be made here (no display)";
    CWnd live(hWnd);
    CWnd none;
    win::SetCursorPos(10, 20);
    { CAvoidMouseMoveEffect scope(&live, 0); }
#if HALCYON_STAND_IN
    win::posix::WindowPaint paint{};
    ASSERT_TRUE(win::posix::GetWindowPaint(hWnd, paint));
    EXPECT_EQ(paint.paints, 1u);
    EXPECT_EQ(paint.erasures, 1u);
#endif
    const int counter = CursorCounter();
    {
        CAvoidMouseMoveEffect gone(&live, 0);
        CAvoidMouseMoveEffect empty(&none, 0);
        EXPECT_TRUE(win::DestroyWindow(hWnd));
    }
    EXPECT_TRUE(At(10, 20));
    EXPECT_EQ(CursorCounter(), counter);
}

// The stand-in's desktop: a cursor kept on a screen of 1280 by 1024, and bad pointers and handles
// refused with Windows' errors.
TEST(DesktopModel, CursorAndWindowCalls) {
#if HALCYON_STAND_IN
    EXPECT_TRUE(win::SetCursorPos(-50, 99999));
    EXPECT_TRUE(At(0, 1023));
    EXPECT_TRUE(win::SetCursorPos(1280, 1023));
    EXPECT_TRUE(At(1279, 1023));
    EXPECT_FALSE(win::GetCursorPos(nullptr));
    EXPECT_EQ(win::GetLastError(), ERROR_NOACCESS);
    HWND hWnd = static_cast<HWND>(win::posix::CreateModelWindow());
    EXPECT_FALSE(win::DestroyWindow(win::GetDesktopWindow()));
    EXPECT_TRUE(win::DestroyWindow(hWnd));
    EXPECT_FALSE(win::InvalidateRect(hWnd, nullptr, TRUE));
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_NE(static_cast<HWND>(win::posix::CreateModelWindow()), hWnd);  // never reused
#else
    GTEST_SKIP() << "the desktop model is the Linux stand-in's";
#endif
}

}  // namespace
