// SPDX-License-Identifier: Apache-2.0
#include "Platform/common/MessageBoxHook.h"

#include <Platform/Host.h>

#include <mutex>

namespace halcyon {
namespace {

std::mutex g_hookMutex;
MessageBoxHook g_hook = nullptr;
void* g_hookContext = nullptr;

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook, void* context) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_hook = hook;
    g_hookContext = context;
}

namespace platform {

bool ShowThroughHook(const char* text, const char* caption, unsigned int type, int& answer) {
    MessageBoxHook hook;
    void* context;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
        context = g_hookContext;
    }
    if (hook == nullptr) return false;
    answer =
        hook(text != nullptr ? text : "", caption != nullptr ? caption : "Error", type, context);
    return true;
}

}  // namespace platform
}  // namespace halcyon
