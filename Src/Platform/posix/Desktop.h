// The desktop: message boxes. Linux has no desktop of ours, so a message box writes its caption
// and text to standard error and is answered with IDOK at once, unless a program installed a
// hook (halcyon::SetMessageBoxHook) that shows or records it.
#pragma once

#include "posix/WinTypes.h"

namespace win {

HALCYON_API int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

}  // namespace win
