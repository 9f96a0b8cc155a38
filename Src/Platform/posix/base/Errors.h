// GetLastError / SetLastError, per thread as on Windows, and the one table that turns an errno
// value into the Windows error code that the same failure gives there.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

HALCYON_API DWORD GetLastError();
HALCYON_API void SetLastError(DWORD dwErrCode);

namespace posix {

// The Windows error code for errno value `err` (ERROR_ACCESS_DENIED for EACCES, …);
// ERROR_INVALID_FUNCTION for values without a counterpart.
DWORD ErrorFromErrno(int err);

// Sets the thread's last error from errno value `err` and returns false, for one-line failure
// paths: `return posix::Fail(errno);`
bool Fail(int err);

}  // namespace posix
}  // namespace win
