// SPDX-License-Identifier: Apache-2.0
// Handles: the one function every kind of handle shares.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

// Closes a mutex, event, file mapping or file handle (a value with its two low bits set names the
// same handle). FALSE with ERROR_INVALID_HANDLE for null, closed or unknown handles; TRUE, doing
// nothing, for the pseudo handles of the current process (INVALID_HANDLE_VALUE) and thread (-2).
HALCYON_API BOOL CloseHandle(HANDLE hObject);

}  // namespace win
