/// \file
/// The host framework's module state, as far as resources go: the module instance whose
/// resources (dialogs, strings, icons) the framework loads. It starts as the executable's
/// instance handle; a program points it at a resource library and back. One value serves the
/// whole process.
#pragma once

#include <HalcyonApi.h>
#include <Platform/WinHandles.h>

/// The current resource handle.
HALCYON_API HINSTANCE AfxGetResourceHandle();
/// Makes `hInstResource` the current resource handle. A null handle is refused (the framework
/// asserts) and the current one stays.
HALCYON_API void AfxSetResourceHandle(HINSTANCE hInstResource);
