// SPDX-License-Identifier: Apache-2.0
#include <Platform/AfxResource.h>

#include "Platform/Win.h"

#include <atomic>

namespace {

std::atomic<HINSTANCE>& ResourceHandle() {
    static std::atomic<HINSTANCE> handle{
        reinterpret_cast<HINSTANCE>(win::GetModuleHandleA(nullptr))};
    return handle;
}

}  // namespace

HINSTANCE AfxGetResourceHandle() { return ResourceHandle().load(); }

void AfxSetResourceHandle(HINSTANCE hInstResource) {
    if (hInstResource != nullptr) ResourceHandle().store(hInstResource);
}
