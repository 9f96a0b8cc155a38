/// CWnd: the host framework's window object, as far as the library uses it: the window handle it
/// wraps. The object does not own the window; destroying one leaves the other alone.
#pragma once

#include <Platform/CObject.h>
#include <Platform/WinHandles.h>

class HALCYON_API CWnd : public CObject {
  public:
    CWnd();                    ///< wraps no window
    explicit CWnd(HWND hWnd);  ///< wraps hWnd
    ~CWnd() override;

    /// The handle it wraps (null when none).
    HWND GetSafeHwnd() const;
    /// Takes `hWnd` into an object that wraps none; false when it wraps one already or `hWnd`
    /// is null.
    bool Attach(HWND hWnd);
    /// Gives the handle up and returns it.
    HWND Detach();

    HWND m_hWnd;  ///< the handle it wraps
};
