// SPDX-License-Identifier: Apache-2.0
// Private-profile (INI) functions, as Windows implements them.
//
// Names of sections and keys are matched without regard to case and with blanks trimmed; values
// are trimmed and lose one pair of enclosing quotes; lists and buffers follow Windows' size rules;
// a write changes only the lines it must and keeps the rest of the file byte for byte. Names and
// values are C strings, as Windows keeps them: a stray NUL byte ends one. GetPrivateProfileIntA
// converts what GetPrivateProfileStringA gives, so a null section or key converts the first name
// of the list. A file that a handle holds without sharing reading and writing reads as a missing
// one (the default, ERROR_SHARING_VIOLATION) and is not written. A read-only file (no write
// permission for its owner, whoever writes) or one the caller may not write is not written either:
// FALSE with ERROR_ACCESS_DENIED, also when the write would change nothing.
// A file name is a Windows path (see posix/files/Files.h).
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <string_view>

namespace win {

HALCYON_API DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                           LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
HALCYON_API UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault,
                                       LPCSTR lpFileName);
HALCYON_API DWORD GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                            LPCSTR lpFileName);
HALCYON_API DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize,
                                                 LPCSTR lpFileName);
HALCYON_API BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                            LPCSTR lpFileName);

namespace posix {

// The reading functions on the text of a profile held in memory, as if an existing file held it:
// the same results, buffer rules and last errors (GetPrivateProfileSectionNamesA is
// ProfileStringFromText with no section). The functions above load the file and do the same;
// these let tests and the fuzz target try many buffers on one text without the file system.
DWORD ProfileStringFromText(std::string_view text, LPCSTR lpAppName, LPCSTR lpKeyName,
                            LPCSTR lpDefault, LPSTR lpReturnedString, DWORD nSize);
UINT ProfileIntFromText(std::string_view text, LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault);
DWORD ProfileSectionFromText(std::string_view text, LPCSTR lpAppName, LPSTR lpReturnedString,
                             DWORD nSize);

}  // namespace posix
}  // namespace win
