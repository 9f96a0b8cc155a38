// Searching a folder: FindFirstFileA, FindNextFileA, FindClose.
//
// The pattern is the last component of the name; '*' stands for any run of characters and '?'
// for one, compared without regard to ASCII case; "*.*" matches every name, with or without a
// dot. "." and ".." are found as Windows finds them. The folder part is translated as every
// Windows path is (Files.h). No match gives ERROR_FILE_NOT_FOUND, a missing folder
// ERROR_PATH_NOT_FOUND. The entries are read when the search starts.
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
