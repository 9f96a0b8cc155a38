// SPDX-License-Identifier: Apache-2.0
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
// Removes an empty folder. ERROR_DIRECTORY for a file, ERROR_DIR_NOT_EMPTY, and
// ERROR_SHARING_VIOLATION for the current folder or one a handle holds without sharing deletion.
HALCYON_API BOOL RemoveDirectoryA(LPCSTR lpPathName);
// ERROR_ACCESS_DENIED for a folder, ERROR_SHARING_VIOLATION for a file a handle holds without
// sharing deletion.
HALCYON_API BOOL DeleteFileA(LPCSTR lpFileName);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_ARCHIVE, with FILE_ATTRIBUTE_READONLY for a file
// the user may not write; a name starting with a dot is no hidden file. A file named with a
// trailing separator gives ERROR_INVALID_NAME.
HALCYON_API DWORD GetFileAttributesA(LPCSTR lpFileName);
HALCYON_API DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);

// Opens or creates a file; INVALID_HANDLE_VALUE on failure. CREATE_ALWAYS and OPEN_ALWAYS on an
// existing file set ERROR_ALREADY_EXISTS, every other success ERROR_SUCCESS. The handle gets the
// rights asked for, generic ones mapped (kernel/Access.h): reading needs FILE_READ_DATA, writing
// FILE_WRITE_DATA (FILE_APPEND_DATA alone writes at the end). A folder opens only with
// FILE_FLAG_BACKUP_SEMANTICS (OPEN_EXISTING or OPEN_ALWAYS; its handle reads and writes nothing,
// ERROR_INVALID_FUNCTION), else ERROR_ACCESS_DENIED (CREATE_NEW: ERROR_FILE_EXISTS); a name ending
// in a separator that is no folder gives ERROR_INVALID_NAME. A pipe or device in place of the file
// is refused with ERROR_ACCESS_DENIED, without waiting for a pipe's other end. With
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
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000UL

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

// The Windows error for errno value `err` of a call on host path `hostPath`: MissingPathError
// for ENOENT, else the errno table's.
DWORD PathError(int err, const std::string& hostPath);

// ToHostPath for a Windows function's path argument: on failure false, with the thread's last
// error set to the reason.
bool HostPathOrFail(const char* path, std::string& hostPath);

// True when Windows path `path` ends in a separator of its own ("d\"; the trail byte 0x5C of a
// double-byte character is none): then it must name a folder.
bool EndsInSeparator(const char* path);

// True when host folder `hostPath` is the root of a drive (which lists no "." or "..").
bool IsDriveRoot(const std::string& hostPath);

// True when host path `hostPath` is the process's current folder.
bool IsCurrentFolder(const std::string& hostPath);

// Deleting a file or a folder as Windows does: through an open with delete access that shares
// everything, so that any open of it that does not share deleting keeps it. Held while it lives.
class DeleteClaim {
  public:
    explicit DeleteClaim(const std::string& hostPath);
    ~DeleteClaim();
    DeleteClaim(const DeleteClaim&) = delete;
    DeleteClaim& operator=(const DeleteClaim&) = delete;
    // False when an open of the file refuses deletion (ERROR_SHARING_VIOLATION).
    bool Granted() const { return granted_; }

  private:
    int fd_ = -1;
    bool granted_ = true;
};

}  // namespace posix
}  // namespace win
