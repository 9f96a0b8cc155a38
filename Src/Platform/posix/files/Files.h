// Paths and files: the executable's name, folders, file deletion, and the translation of the
// library's Windows paths into Linux paths at the OS boundary.
//
// A Windows path becomes a Linux path as follows: a drive letter selects a folder (Z: is "/"
// unless HALCYON_DRIVE_Z says otherwise; HALCYON_DRIVE_<LETTER> maps the others; an unmapped drive
// is a missing path); "\" and "/" both separate components and repeated separators count as one;
// a path without a drive is taken from the current directory ("\x" from the root of its drive);
// "." and ".." are folded as Windows folds them; trailing dots and blanks of a component are
// dropped. Each existing component is found without regard to ASCII case (the exact spelling
// first); the first missing component and everything after it keep the spelling given. A
// symbolic link whose target starts with $XDG_RUNTIME_DIR, $XDG_CACHE_HOME or $HOME leads to that
// folder of the user who follows it (UserLinks.h).
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/handles/Handles.h"

#include <string>

namespace win {

HALCYON_API DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
// The executable's module handle for a null name (an opaque value, the same on every call);
// other names give null with ERROR_MOD_NOT_FOUND.
HALCYON_API HMODULE GetModuleHandleA(LPCSTR lpModuleName);
HALCYON_API BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
HALCYON_API BOOL RemoveDirectoryA(LPCSTR lpPathName);
HALCYON_API BOOL DeleteFileA(LPCSTR lpFileName);
HALCYON_API DWORD GetFileAttributesA(LPCSTR lpFileName);
HALCYON_API DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);

// Opens or creates a file; INVALID_HANDLE_VALUE on failure. CREATE_ALWAYS and OPEN_ALWAYS on an
// existing file set ERROR_ALREADY_EXISTS. A folder, pipe or device in place of the file is
// refused with ERROR_ACCESS_DENIED, without waiting for a pipe's other end. With
// FILE_FLAG_DELETE_ON_CLOSE the file is removed once no handle, no mapping and no view uses it; if
// its users were killed, it is removed by a later collection (see posix::CollectKernelObjects).
HALCYON_API HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                               DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                               HANDLE hTemplateFile);
// Forms "<path>\<first 3 chars of prefix><hex>.tmp" in lpTempFileName (MAX_PATH bytes). With
// uUnique 0 the number is chosen so that the name is new and the file is created (empty); the
// number is returned. Otherwise the low 16 bits of uUnique are used and nothing is created.
// 0 on failure: ERROR_DIRECTORY for a missing folder, ERROR_BUFFER_OVERFLOW for a path longer than
// MAX_PATH - 14.
HALCYON_API UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                  LPSTR lpTempFileName);

#define FILE_SHARE_READ 0x00000001UL
#define FILE_SHARE_WRITE 0x00000002UL
#define FILE_SHARE_DELETE 0x00000004UL

#define CREATE_NEW 1UL
#define CREATE_ALWAYS 2UL
#define OPEN_EXISTING 3UL
#define OPEN_ALWAYS 4UL
#define TRUNCATE_EXISTING 5UL

#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000UL
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000UL
#define FILE_FLAG_RANDOM_ACCESS 0x10000000UL

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFUL
#define FILE_ATTRIBUTE_READONLY 0x00000001UL
#define FILE_ATTRIBUTE_HIDDEN 0x00000002UL
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010UL
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020UL
#define FILE_ATTRIBUTE_NORMAL 0x00000080UL
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100UL

namespace posix {

// The Linux path for Windows path `path`. On failure returns false and sets `error` to the
// Windows error code (ERROR_PATH_NOT_FOUND for an unmapped drive or an empty path,
// ERROR_INVALID_NAME for a component with * ? < > " |).
HALCYON_API bool ToHostPath(const char* path, std::string& hostPath, DWORD& error);

// The Windows path for absolute Linux path `hostPath`: the drive whose folder holds it (the
// deepest one), else Z:, followed by the rest with backslashes.
HALCYON_API std::string ToWindowsPath(const std::string& hostPath);

// The Windows error for a path that does not exist: ERROR_PATH_NOT_FOUND when its folder is
// missing too, else ERROR_FILE_NOT_FOUND.
DWORD MissingPathError(const std::string& hostPath);

}  // namespace posix
}  // namespace win
