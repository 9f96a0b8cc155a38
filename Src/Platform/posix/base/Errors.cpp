// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/base/Errors.h"

#include <cerrno>

namespace win {
namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct ErrnoMapping {
    int err;
    DWORD code;
};

// errno → Windows error, as the same failure reports it on Windows.
constexpr ErrnoMapping kErrnoTable[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_WRITE_PROTECT},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EBUSY, ERROR_SHARING_VIOLATION},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EWOULDBLOCK, ERROR_LOCK_VIOLATION},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {EOVERFLOW, ERROR_FILE_INVALID},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
};

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

namespace posix {

DWORD ErrorFromErrno(int err) {
    for (const ErrnoMapping& m : kErrnoTable) {
        if (m.err == err) return m.code;
    }
    return ERROR_INVALID_FUNCTION;
}

bool Fail(int err) {
    SetLastError(ErrorFromErrno(err));
    return false;
}

}  // namespace posix
}  // namespace win
