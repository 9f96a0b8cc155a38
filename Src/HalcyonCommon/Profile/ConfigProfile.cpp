// SPDX-License-Identifier: Apache-2.0
// The s_Config… wrappers around the platform's profile functions, and the probe for a readable
// file. No cache and no lock: each call goes to the platform.
#include <HalcyonCommon/Profile.h>

#include "Platform/Win.h"

#include <cstdio>

unsigned long s_ConfigProfileSectionNames(char* lpszReturnBuffer, unsigned long nSize,
                                          const char* lpFileName) {
    if (lpszReturnBuffer == nullptr || nSize == 0 || lpFileName == nullptr) return 0;
    return win::GetPrivateProfileSectionNamesA(lpszReturnBuffer, static_cast<win::DWORD>(nSize),
                                               lpFileName);
}

unsigned int s_ConfigReadProfileInt(const char* lpAppName, const char* lpKeyName, int nDefault,
                                    const char* lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr || lpFileName == nullptr) {
        return static_cast<unsigned int>(nDefault);
    }
    return win::GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, lpFileName);
}

unsigned long s_ConfigReadProfileString(const char* lpAppName, const char* lpKeyName,
                                        const char* lpDefault, char* lpReturnedString,
                                        unsigned long nSize, const char* lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr || lpDefault == nullptr ||
        lpReturnedString == nullptr || nSize == 0 || lpFileName == nullptr) {
        return 0;
    }
    return win::GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString,
                                         static_cast<win::DWORD>(nSize), lpFileName);
}

int s_ConfigWriteProfileInt(const char* lpAppName, const char* lpKeyName, int nValue,
                            const char* lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr || lpFileName == nullptr) return 0;
    char value[16];
    std::snprintf(value, sizeof value, "%d", nValue);
    return win::WritePrivateProfileStringA(lpAppName, lpKeyName, value, lpFileName);
}

int s_ConfigWriteProfileString(const char* lpAppName, const char* lpKeyName, const char* lpString,
                               const char* lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr || lpString == nullptr ||
        lpFileName == nullptr) {
        return 0;
    }
    return win::WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, lpFileName);
}

// Opened as the C runtime's "rb" opens a file: reading, others may read and write meanwhile. A
// folder cannot be opened so.
bool s_FileCheckFileExist(const char* lpFileName) {
    if (lpFileName == nullptr) return false;
    win::HANDLE file =
        win::CreateFileA(lpFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    win::CloseHandle(file);
    return true;
}
