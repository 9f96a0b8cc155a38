#include "posix/Desktop.h"

#include "common/MessageBoxHook.h"

#include <cstdio>

namespace win {

// Without a hook there is no one to press a button: the box goes to standard error, answered OK.
int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    int answer;
    if (halcyon::platform::ShowThroughHook(lpText, lpCaption, uType, answer)) return answer;
    std::fprintf(stderr, "[%s] %s\n", lpCaption != nullptr ? lpCaption : "Error",
                 lpText != nullptr ? lpText : "");
    std::fflush(stderr);
    return IDOK;
}

}  // namespace win
