#include "win32/WinSeam.h"

#include <Platform/Host.h>

#include <mutex>

namespace win {
namespace {

std::mutex g_hookMutex;
halcyon::MessageBoxHook g_hook = nullptr;
void* g_hookContext = nullptr;

}  // namespace

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    halcyon::MessageBoxHook hook;
    void* context;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
        context = g_hookContext;
    }
    // The hook sees what Windows would show: a null text is empty, a null caption "Error".
    if (hook != nullptr) {
        return hook(lpText != nullptr ? lpText : "", lpCaption != nullptr ? lpCaption : "Error",
                    uType, context);
    }
    return ::MessageBoxA(hWnd, lpText, lpCaption, uType);
}

}  // namespace win

namespace halcyon {

void SetMessageBoxHook(MessageBoxHook hook, void* context) {
    std::lock_guard<std::mutex> lock(win::g_hookMutex);
    win::g_hook = hook;
    win::g_hookContext = context;
}

}  // namespace halcyon
