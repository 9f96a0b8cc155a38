// The two scope objects: the resource module switched and restored, and the cursor hidden,
// parked and brought back, with the window repainted only while it lives.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

HINSTANCE Handle(std::uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

TEST(AutoDllResource, SwitchesAndRestoresAsItsHandlesSay) {
    const HINSTANCE start = AfxGetResourceHandle();
    ASSERT_NE(start, nullptr);  // the executable's own
    const HINSTANCE h = Handle(0x7000), g = Handle(0x8000);
    struct Case {
        HINSTANCE oldHandle, newHandle;
        HINSTANCE during, after;
    } cases[] = {
        {nullptr, h, h, h},      // switches and leaves H in force
        {h, nullptr, start, h},  // changes nothing, then makes H current
        {start, h, h, start},    // the usual pair
        {g, h, h, g},            // restores what it was given, not what was there
        {nullptr, nullptr, start, start},
    };
    for (const auto& c : cases) {
        AfxSetResourceHandle(start);
        {
            CAutoDllResource scope(c.oldHandle, c.newHandle);
            EXPECT_EQ(AfxGetResourceHandle(), c.during);
        }
        EXPECT_EQ(AfxGetResourceHandle(), c.after);
    }
    AfxSetResourceHandle(nullptr);  // refused
    EXPECT_EQ(AfxGetResourceHandle(), start);

    CAutoDllResource a(nullptr, nullptr), b(nullptr, h);
    AfxSetResourceHandle(start);
    a = b;  // copies both fields and switches nothing
    EXPECT_EQ(a.hNewResource, h);
    EXPECT_EQ(AfxGetResourceHandle(), start);
    a.hOldResource = nullptr;
    b.hOldResource = nullptr;
}

// A window for the test: the model's on Linux, a plain static control on Windows.
HWND NewWindow() {
#if HALCYON_STAND_IN
    return static_cast<HWND>(win::posix::CreateModelWindow());
#else
    return CreateWindowExA(0, "STATIC", "halcyon", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100, nullptr,
                           nullptr, nullptr, nullptr);
#endif
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

// Whether the cursor goes where SetCursorPos puts it. Under Wine without a display it stays at
// (0, 0): there only the display counter can be checked.
bool CursorMoves() {
    win::SetCursorPos(300, 200);
    POINT p = Cursor();
    return p.x == 300 && p.y == 200;
}

TEST(AvoidMouseMoveEffect, NestedScopesParkAndRestoreTheCursor) {
    const bool moves = CursorMoves();
#if HALCYON_STAND_IN
    ASSERT_TRUE(moves);
#endif
    auto at = [moves](POINT p, int x, int y) { return !moves || (p.x == x && p.y == y); };
    const int counter = CursorCounter();
    {
        CAvoidMouseMoveEffect outer(nullptr, 7);
        EXPECT_TRUE(at(outer.ptCursor, 300, 200));
        EXPECT_EQ(outer.lValue, 7);
        EXPECT_EQ(CursorCounter(), counter - 1);
        EXPECT_TRUE(at(Cursor(), 0, 0));
        win::SetCursorPos(40, 50);
        {
            CAvoidMouseMoveEffect inner(nullptr, 0);
            EXPECT_TRUE(at(inner.ptCursor, 40, 50));
            EXPECT_EQ(CursorCounter(), counter - 2);
        }
        EXPECT_TRUE(at(Cursor(), 40, 50));
        EXPECT_EQ(CursorCounter(), counter - 1);
        CAvoidMouseMoveEffect copy(nullptr, 1);
        copy = outer;  // copies the fields, moves no cursor
        EXPECT_TRUE(at(copy.ptCursor, 300, 200));
        EXPECT_TRUE(at(Cursor(), 0, 0));
        copy.ptCursor = POINT{40, 50};
    }
    EXPECT_TRUE(at(Cursor(), 300, 200));
    EXPECT_EQ(CursorCounter(), counter);
    // The counter belongs to the thread: another thread's scope leaves this one's alone.
    std::thread([] { CAvoidMouseMoveEffect other(nullptr, 0); }).join();
    EXPECT_EQ(CursorCounter(), counter);
    if (!moves)
        GTEST_SKIP() << "the counter is checked; the cursor does not move here (no display)";
}

TEST(AvoidMouseMoveEffect, RepaintsALiveWindowOnly) {
    HWND hWnd = NewWindow();
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
    EXPECT_FALSE(paint.invalid);
#endif
    const int counter = CursorCounter();
    {
        CAvoidMouseMoveEffect gone(&live, 0);
        CAvoidMouseMoveEffect empty(&none, 0);
        EXPECT_TRUE(win::DestroyWindow(hWnd));
    }
    EXPECT_FALSE(win::IsWindow(hWnd));
    EXPECT_EQ(Cursor().x, 10);
    EXPECT_EQ(Cursor().y, 20);
    EXPECT_EQ(CursorCounter(), counter);
}

TEST(DesktopModel, CursorAndWindowCalls) {
#if HALCYON_STAND_IN
    struct Move {
        int x, y;
        win::LONG gotX, gotY;
    } moves[] = {
        {5, 6, 5, 6}, {-50, 99999, 0, 1023}, {1280, -1, 1279, 0}, {1279, 1023, 1279, 1023}};
    for (const auto& m : moves) {
        EXPECT_TRUE(win::SetCursorPos(m.x, m.y));
        EXPECT_EQ(Cursor().x, m.gotX);
        EXPECT_EQ(Cursor().y, m.gotY);
    }
    EXPECT_FALSE(win::GetCursorPos(nullptr));
    EXPECT_EQ(win::GetLastError(), ERROR_NOACCESS);

    const int start = CursorCounter();
    const win::BOOL shows[] = {FALSE, FALSE, TRUE, TRUE, TRUE};
    const int counters[] = {-1, -2, -1, 0, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(win::ShowCursor(shows[i]), start + counters[i]);
    win::ShowCursor(FALSE);

    HWND hWnd = static_cast<HWND>(win::posix::CreateModelWindow());
    EXPECT_TRUE(win::IsWindow(win::GetDesktopWindow()));
    EXPECT_FALSE(win::IsWindow(nullptr));
    EXPECT_FALSE(win::IsWindow(reinterpret_cast<HWND>(0x1234)));
    EXPECT_FALSE(win::DestroyWindow(win::GetDesktopWindow()));
    win::posix::WindowPaint paint{};
    EXPECT_TRUE(win::UpdateWindow(hWnd));  // nothing to paint
    EXPECT_TRUE(win::InvalidateRect(hWnd, nullptr, FALSE));
    EXPECT_TRUE(win::InvalidateRect(nullptr, nullptr, TRUE));  // every window, erasing
    EXPECT_TRUE(win::UpdateWindow(hWnd));
    EXPECT_TRUE(win::UpdateWindow(hWnd));
    ASSERT_TRUE(win::posix::GetWindowPaint(hWnd, paint));
    EXPECT_EQ(paint.paints, 1u);
    EXPECT_EQ(paint.erasures, 1u);
    EXPECT_TRUE(win::DestroyWindow(hWnd));
    EXPECT_FALSE(win::DestroyWindow(hWnd));
    EXPECT_FALSE(win::InvalidateRect(hWnd, nullptr, TRUE));
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(win::UpdateWindow(hWnd));
    EXPECT_NE(static_cast<HWND>(win::posix::CreateModelWindow()), hWnd);  // never reused
#else
    GTEST_SKIP() << "the desktop model is the Linux stand-in's";
#endif
}

}  // namespace
