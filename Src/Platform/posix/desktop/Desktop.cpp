// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/desktop/Desktop.h"

#include "Platform/common/MessageBoxHook.h"
#include "Platform/common/NeverDestroyed.h"
#include "Platform/posix/base/Errors.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>

namespace win {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// The model's shared part: the cursor's position and the live windows. Window handles are small
// numbers, as Windows' own are, each given once and never again, so that a destroyed window's
// handle stays dead.
struct Desktop {
    std::mutex lock;
    POINT cursor{kScreenWidth / 2, kScreenHeight / 2};
    std::map<HWND, posix::WindowPaint> windows;
    std::uintptr_t nextHandle = 0x10010;
    HWND desktop = nullptr;

    Desktop() { desktop = NewWindowLocked(); }

    HWND NewWindowLocked() {
        auto handle = reinterpret_cast<HWND>(nextHandle);
        nextHandle += 4;
        windows[handle] = posix::WindowPaint{};
        return handle;
    }

    posix::WindowPaint* FindLocked(HWND hWnd) {
        auto found = windows.find(hWnd);
        return found != windows.end() ? &found->second : nullptr;
    }
};

Desktop& TheDesktop() {
    static halcyon::NeverDestroyed<Desktop> desktop;
    return *desktop;
}

thread_local int t_cursorCounter = 0;

BOOL NoWindow() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

void Invalidate(posix::WindowPaint& paint, BOOL bErase) {
    paint.invalid = true;
    paint.erase = paint.erase || bErase != FALSE;
}

}  // namespace

// Without a hook there is no one to press a button: the box goes to standard error, answered OK.
int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    int answer;
    if (halcyon::platform::ShowThroughHook(lpText, lpCaption, uType, answer)) return answer;
    std::fprintf(stderr, "[%s] %s\n", lpCaption != nullptr ? lpCaption : "Error",
                 lpText != nullptr ? lpText : "");
    std::fflush(stderr);
    return IDOK;
}

BOOL GetCursorPos(LPPOINT lpPoint) {
    if (lpPoint == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    *lpPoint = desktop.cursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    desktop.cursor.x = std::clamp(X, 0, kScreenWidth - 1);
    desktop.cursor.y = std::clamp(Y, 0, kScreenHeight - 1);
    return TRUE;
}

int ShowCursor(BOOL bShow) { return bShow ? ++t_cursorCounter : --t_cursorCounter; }

HWND GetDesktopWindow() { return TheDesktop().desktop; }

BOOL IsWindow(HWND hWnd) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    return desktop.FindLocked(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL bErase) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    if (hWnd == nullptr) {
        for (auto& window : desktop.windows) Invalidate(window.second, bErase);
        return TRUE;
    }
    posix::WindowPaint* paint = desktop.FindLocked(hWnd);
    if (paint == nullptr) return NoWindow();
    Invalidate(*paint, bErase);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    posix::WindowPaint* paint = desktop.FindLocked(hWnd);
    if (paint == nullptr) return NoWindow();
    if (paint->invalid) {
        ++paint->paints;
        if (paint->erase) ++paint->erasures;
        paint->invalid = paint->erase = false;
    }
    return TRUE;
}

BOOL DestroyWindow(HWND hWnd) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    // The desktop is no window of the caller's threads, which alone may destroy their windows.
    if (hWnd == desktop.desktop && hWnd != nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (desktop.windows.erase(hWnd) == 0) return NoWindow();
    return TRUE;
}

namespace posix {

HWND CreateModelWindow() {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    return desktop.NewWindowLocked();
}

bool GetWindowPaint(HWND hWnd, WindowPaint& paint) {
    Desktop& desktop = TheDesktop();
    std::lock_guard<std::mutex> hold(desktop.lock);
    const WindowPaint* found = desktop.FindLocked(hWnd);
    if (found == nullptr) return false;
    paint = *found;
    return true;
}

}  // namespace posix
}  // namespace win
