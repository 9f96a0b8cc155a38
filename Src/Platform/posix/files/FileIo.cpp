// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/FileIo.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/FileHandles.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/ShareModes.h"
#include "Platform/posix/handles/HandleTable.h"
#include "Platform/posix/kernel/Access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace win {
namespace {

using posix::Sys;
using posix::kernel::FileHandle;
using posix::kernel::HandleKind;
using posix::kernel::HandleRef;
using posix::kernel::kFileAppendData;
using posix::kernel::kFileReadData;
using posix::kernel::kFileWriteData;

// The open file behind `handle` that has one of the rights `anyOf` (all, for 0), or null with the
// last error set.
FileHandle* FileOf(HANDLE handle, DWORD anyOf) {
    HandleRef ref;
    if (!posix::kernel::LookupHandle(handle, ref) || ref.kind != HandleKind::kFile) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* file = static_cast<FileHandle*>(ref.target);
    if (anyOf != 0 && (file->access & anyOf) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

// The file behind `handle` for reading or writing its data: a folder has none.
FileHandle* DataOf(HANDLE handle, DWORD anyOf) {
    FileHandle* file = FileOf(handle, anyOf);
    if (file != nullptr && file->folder) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    return file;
}

void Store(LPDWORD out, DWORD value) {
    if (out != nullptr) *out = value;
}

// A position or size that succeeded: its low 32 bits, with the last error cleared only when they
// read as INVALID_SET_FILE_POINTER (otherwise it is left alone, as Windows leaves it).
DWORD Succeeded(DWORD low) {
    if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
    return low;
}

// INVALID_SET_FILE_POINTER (which is also INVALID_FILE_SIZE) with the error of errno `err`.
DWORD FailedMove(int err) {
    posix::Fail(err);
    return INVALID_SET_FILE_POINTER;
}

}  // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, void*) {
    Store(lpNumberOfBytesRead, 0);
    FileHandle* file = DataOf(hFile, kFileReadData);
    if (file == nullptr) return FALSE;
    if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    auto* out = static_cast<char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = Sys().read(file->fd, out + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return posix::Fail(errno);
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    Store(lpNumberOfBytesRead, done);
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, void*) {
    Store(lpNumberOfBytesWritten, 0);
    FileHandle* file = DataOf(hFile, kFileWriteData | kFileAppendData);
    if (file == nullptr) return FALSE;
    if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const auto* in = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = Sys().write(file->fd, in + done, nNumberOfBytesToWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Store(lpNumberOfBytesWritten, done);
            return posix::Fail(n < 0 ? errno : ENOSPC);
        }
        done += static_cast<DWORD>(n);
    }
    Store(lpNumberOfBytesWritten, done);
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    FileHandle* file = FileOf(hFile, 0);
    if (file == nullptr) return INVALID_SET_FILE_POINTER;
    std::int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr) {
        distance = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*lpDistanceToMoveHigh)) << 32) |
            static_cast<std::uint32_t>(lDistanceToMove));
    }
    if (dwMoveMethod > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) base = lseek(file->fd, 0, SEEK_CUR);
    struct stat st;
    if (dwMoveMethod == FILE_END) base = Sys().fstat(file->fd, &st) == 0 ? st.st_size : -1;
    if (base < 0) return FailedMove(errno);
    if (distance < 0 && base + distance < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd, base + distance, SEEK_SET);
    if (position < 0) return FailedMove(errno);
    auto value = static_cast<std::uint64_t>(position);
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = static_cast<LONG>(value >> 32);
    return Succeeded(static_cast<DWORD>(value));
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    FileHandle* file = FileOf(hFile, 0);
    if (file == nullptr) return INVALID_FILE_SIZE;
    struct stat st;
    if (Sys().fstat(file->fd, &st) != 0) return FailedMove(errno);
    auto size = file->folder ? 0 : static_cast<std::uint64_t>(st.st_size);
    Store(lpFileSizeHigh, static_cast<DWORD>(size >> 32));
    return Succeeded(static_cast<DWORD>(size));
}

BOOL SetEndOfFile(HANDLE hFile) {
    FileHandle* file = DataOf(hFile, kFileWriteData);
    if (file == nullptr) return FALSE;
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    struct stat st;
    if (position < 0 || Sys().fstat(file->fd, &st) != 0) return posix::Fail(errno);
    // Cutting a file that a mapping or a view uses would take bytes from under it.
    if (position < st.st_size && posix::IsMappedElsewhere(file->fd)) {
        SetLastError(ERROR_USER_MAPPED_FILE);
        return FALSE;
    }
    if (Sys().ftruncate(file->fd, position) != 0) return posix::Fail(errno);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
    FileHandle* file = FileOf(hFile, kFileWriteData | kFileAppendData);
    if (file == nullptr) return FALSE;
    if (Sys().fsync(file->fd) != 0) return posix::Fail(errno);
    return TRUE;
}

}  // namespace win
