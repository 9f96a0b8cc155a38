// SPDX-License-Identifier: Apache-2.0
// The running executable's full name, as GetModuleFileNameA gives it.
#pragma once

#include <Platform/CString.h>

namespace halcyon {

// The executable's full name, never cut: the buffer grows past MAX_PATH for deep folders, so a
// name that is too long for a path buffer is seen as too long rather than as a shorter one.
// Empty when the system cannot tell.
CString ExecutableFileName();

}  // namespace halcyon
