// SPDX-License-Identifier: Apache-2.0
// Reading, writing and positioning a file opened with CreateFileA, as Win32 does it.
//
// A read at or past the end succeeds with 0 bytes. A handle that is not an open file handle
// fails with ERROR_INVALID_HANDLE; reading needs FILE_READ_DATA, writing FILE_WRITE_DATA or
// FILE_APPEND_DATA, cutting FILE_WRITE_DATA (ERROR_ACCESS_DENIED otherwise; the generic rights
// grant them as kernel/Access.h maps them). A null buffer for a count above 0 fails with
// ERROR_NOACCESS (reading) or ERROR_INVALID_USER_BUFFER (writing); a folder's handle reads and
// writes nothing (ERROR_INVALID_FUNCTION). Positions are 64-bit; a move before the start fails
// with ERROR_NEGATIVE_SEEK. A success leaves the last error alone, except that SetFilePointer and
// GetFileSize clear it when the low 32 bits of their result read as the failure value.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

#define FILE_BEGIN 0UL
#define FILE_CURRENT 1UL
#define FILE_END 2UL
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFUL
#define INVALID_FILE_SIZE 0xFFFFFFFFUL
#define NO_ERROR 0UL
#define ERROR_NEGATIVE_SEEK 131UL
#define FILE_FLAG_WRITE_THROUGH 0x80000000UL
#define FILE_FLAG_NO_BUFFERING 0x20000000UL

using LPDWORD = DWORD*;
using PLONG = LONG*;

HALCYON_API BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                          LPDWORD lpNumberOfBytesRead, void* lpOverlapped);
HALCYON_API BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                           LPDWORD lpNumberOfBytesWritten, void* lpOverlapped);
// Moves by lDistanceToMove (with *lpDistanceToMoveHigh as the high 32 bits when given) from
// FILE_BEGIN, FILE_CURRENT or FILE_END; returns the new position's low 32 bits and stores the
// high ones. On failure INVALID_SET_FILE_POINTER with the last error set (a position whose low
// half is 0xFFFFFFFF also returns it, with the last error NO_ERROR).
HALCYON_API DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                 DWORD dwMoveMethod);
// The size's low 32 bits; the high ones in *lpFileSizeHigh when given. INVALID_FILE_SIZE with
// the last error set on failure.
HALCYON_API DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
// Cuts or extends the file at the current position; cutting a file that a mapping or a view of
// another description uses fails with ERROR_USER_MAPPED_FILE.
HALCYON_API BOOL SetEndOfFile(HANDLE hFile);
HALCYON_API BOOL FlushFileBuffers(HANDLE hFile);

}  // namespace win
