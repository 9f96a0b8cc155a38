// The desktop: message boxes, the mouse cursor and windows.
//
// Linux has no desktop of ours. A message box writes its caption and text to standard error and
// is answered with IDOK at once, unless a program installed a hook (halcyon::SetMessageBoxHook)
// that shows or records it. The cursor and window calls act on a small model of a desktop in the
// process, so that their effects can be seen:
//   - a screen of 1280 x 1024 pixels; SetCursorPos holds the cursor on it (x 0-1279, y 0-1023);
//   - the cursor's display counter, one per thread as on Windows, starting at 0 (a mouse is
//     there); ShowCursor(TRUE) adds one, ShowCursor(FALSE) takes one away, the cursor shows
//     while the counter is 0 or more;
//   - the live windows: the desktop window, and those a test makes with posix::CreateModelWindow
//     until DestroyWindow; each records whether it awaits painting and how often it was painted.
// Any thread may call these functions.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <Platform/WinHandles.h>

namespace win {

using POINT = ::POINT;
using LPPOINT = POINT*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

HALCYON_API int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// FALSE with ERROR_NOACCESS for a null pointer.
HALCYON_API BOOL GetCursorPos(LPPOINT lpPoint);
HALCYON_API BOOL SetCursorPos(int X, int Y);
// The calling thread's new display counter.
HALCYON_API int ShowCursor(BOOL bShow);

HALCYON_API HWND GetDesktopWindow();
HALCYON_API BOOL IsWindow(HWND hWnd);
// Marks the window as awaiting painting (the whole client area: the rectangle is not kept),
// with its background erased when bErase is TRUE. A null window marks every window. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for a window that is not live.
HALCYON_API BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
// Paints the window at once if it awaits painting. FALSE with ERROR_INVALID_WINDOW_HANDLE for a
// window that is not live.
HALCYON_API BOOL UpdateWindow(HWND hWnd);
// FALSE with ERROR_INVALID_WINDOW_HANDLE for a window that is not live, and for the desktop.
HALCYON_API BOOL DestroyWindow(HWND hWnd);

namespace posix {

// A new live window of the model.
HWND CreateModelWindow();

struct WindowPaint {
    bool invalid;       // awaits painting
    bool erase;         // its background is erased when it is painted
    unsigned paints;    // paintings so far
    unsigned erasures;  // paintings that erased the background
};

// The painting record of a live window; false for a window that is not live.
bool GetWindowPaint(HWND hWnd, WindowPaint& paint);

}  // namespace posix
}  // namespace win
