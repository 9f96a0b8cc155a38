// Handles: the one function every kind of handle shares.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

// Closes a mutex, event, file mapping or file handle. FALSE with ERROR_INVALID_HANDLE for null,
// closed or unknown handles.
HALCYON_API BOOL CloseHandle(HANDLE hObject);

}  // namespace win
