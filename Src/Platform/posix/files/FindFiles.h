// SPDX-License-Identifier: Apache-2.0
// Searching a folder: FindFirstFileA, FindNextFileA, FindClose.
//
// The pattern is the last component of the name, with Windows' wildcards (Wildcards.h). The
// folder part is translated as every Windows path is (Files.h). A folder lists "." and ".."
// first (a drive's root has neither), then its names in the order NTFS gives them (upper case,
// byte by byte). No match gives ERROR_FILE_NOT_FOUND, as does a name that ends in a separator; a
// missing folder ERROR_PATH_NOT_FOUND (also for an empty name), a file in the folder's place
// ERROR_DIRECTORY. The attributes are FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_ARCHIVE, with
// FILE_ATTRIBUTE_READONLY for what its owner may not write. The entries are read when the search
// starts; a success leaves the last error alone.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

HALCYON_API HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
HALCYON_API BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
HALCYON_API BOOL FindClose(HANDLE hFindFile);

}  // namespace win

#define ERROR_NO_MORE_FILES 18UL
