// SPDX-License-Identifier: Apache-2.0
#include "Platform/win32/WinSeam.h"

#include "Platform/common/MessageBoxHook.h"

namespace win {

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    int answer;
    if (halcyon::platform::ShowThroughHook(lpText, lpCaption, uType, answer)) return answer;
    return ::MessageBoxA(hWnd, lpText, lpCaption, uType);
}

}  // namespace win
