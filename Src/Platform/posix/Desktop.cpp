#include "posix/Desktop.h"

#include <Platform/Host.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace win {
namespace {

std::mutex g_hookMutex;
halcyon::MessageBoxHook g_hook = nullptr;
void* g_hookContext = nullptr;

}  // namespace

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    halcyon::MessageBoxHook hook;
    void* context;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
        context = g_hookContext;
    }
    const char* text = lpText != nullptr ? lpText : "";
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    if (hook != nullptr) return hook(text, caption, uType, context);
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    std::fflush(stderr);
    return IDOK;
}

}  // namespace win

namespace halcyon {

void SetMessageBoxHook(MessageBoxHook hook, void* context) {
    std::lock_guard<std::mutex> lock(win::g_hookMutex);
    win::g_hook = hook;
    win::g_hookContext = context;
}

}  // namespace halcyon
