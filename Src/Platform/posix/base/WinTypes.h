// SPDX-License-Identifier: Apache-2.0
// Windows types and constants of the Win32 subset the library uses, for Linux.
//
// Types live in namespace win (win::DWORD, win::HANDLE); constants are macros, as in the
// Windows headers, so that library code spells them the same way on both systems.
#pragma once

#include <HalcyonApi.h>

#include <cstdint>

namespace win {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using HANDLE = void*;
using HWND = void*;
using HMODULE = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using WCHAR = char16_t;  // UTF-16, two bytes as on Windows

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

}  // namespace win

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<win::HANDLE>(static_cast<std::intptr_t>(-1)))

// Error codes (GetLastError).
#define ERROR_SUCCESS 0UL
#define ERROR_INVALID_FUNCTION 1UL
#define ERROR_FILE_NOT_FOUND 2UL
#define ERROR_PATH_NOT_FOUND 3UL
#define ERROR_TOO_MANY_OPEN_FILES 4UL
#define ERROR_ACCESS_DENIED 5UL
#define ERROR_INVALID_HANDLE 6UL
#define ERROR_NOT_ENOUGH_MEMORY 8UL
#define ERROR_WRITE_PROTECT 19UL
#define ERROR_SHARING_VIOLATION 32UL
#define ERROR_LOCK_VIOLATION 33UL
#define ERROR_HANDLE_EOF 38UL
#define ERROR_FILE_EXISTS 80UL
#define ERROR_INVALID_PARAMETER 87UL
#define ERROR_BUFFER_OVERFLOW 111UL
#define ERROR_DISK_FULL 112UL
#define ERROR_INSUFFICIENT_BUFFER 122UL
#define ERROR_INVALID_NAME 123UL
#define ERROR_DIR_NOT_EMPTY 145UL
#define ERROR_ALREADY_EXISTS 183UL
#define ERROR_FILENAME_EXCED_RANGE 206UL
#define ERROR_MOD_NOT_FOUND 126UL
#define ERROR_MORE_DATA 234UL
#define ERROR_DIRECTORY 267UL
#define ERROR_NOT_OWNER 288UL
#define ERROR_NOACCESS 998UL
#define ERROR_FILE_INVALID 1006UL
#define ERROR_USER_MAPPED_FILE 1224UL
#define ERROR_INVALID_WINDOW_HANDLE 1400UL
#define ERROR_NOT_SUPPORTED 50UL
#define ERROR_INVALID_ADDRESS 487UL
#define ERROR_MAPPED_ALIGNMENT 1132UL
#define ERROR_BAD_PATHNAME 161UL
#define ERROR_NO_SYSTEM_RESOURCES 1450UL
#define ERROR_INVALID_USER_BUFFER 1784UL

// Access rights shared by every kind of object; each kind maps the generic ones to its own.
#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL
#define GENERIC_ALL 0x10000000UL
#define DELETE 0x00010000UL

// Message boxes.
#define MB_OK 0x00000000U
#define MB_ICONERROR 0x00000010U
#define IDOK 1
#define IDCANCEL 2
