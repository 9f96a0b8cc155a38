// SPDX-License-Identifier: Apache-2.0
// CFileEx: a file whose creation also makes the folders its path lacks.
#include <HalcyonCommon/WinHelpers.h>

#include "Platform/Win.h"

#include <Platform/CFileFind.h>

#include "Platform/common/Mbcs.h"

#include <cstring>

namespace {

// Each missing level costs a call on the way up and one on the way down, less one for the top:
// 14 missing levels take 27 calls; the walk gives up once it has made 28, so of m missing levels
// from 15 on the 29 - m upper ones are made.
constexpr int kMaxCreateCalls = 28;

// The backslashes of the path are its own characters, never the trail byte of a double-byte
// character (Big5 "\xA5\x5C").
char* PreviousBackslash(char* path, char* cut) {
    int at = halcyon::mbcs::ReverseFindChar(path, static_cast<size_t>(cut - path), '\\');
    return at < 0 ? nullptr : path + at;
}

char* NextBackslash(char* path, size_t length, char* cut) {
    int at = halcyon::mbcs::FindChar(path, length, '\\', static_cast<size_t>(cut - path) + 1);
    return at < 0 ? nullptr : path + at;
}

// Creates the folders that `lpszFileName` lacks above its last component, walking up from the
// folder that holds the file to the deepest one that exists and down again. True when that
// folder exists at the end.
bool CreateMissingFolders(const char* lpszFileName) {
    char path[MAX_PATH];
    size_t length = 0;
    while (length < MAX_PATH && lpszFileName[length] != '\0') ++length;
    if (length >= MAX_PATH) return false;  // does not fit the working copy
    std::memcpy(path, lpszFileName, length + 1);
    char* last = PreviousBackslash(path, path + length);
    char* cut = last;
    for (int calls = 0; cut != nullptr && calls < kMaxCreateCalls; ++calls) {
        *cut = '\0';
        win::BOOL made = win::CreateDirectoryA(path, nullptr);
        win::DWORD error = made ? ERROR_SUCCESS : win::GetLastError();
        *cut = '\\';
        if (error == ERROR_PATH_NOT_FOUND) {
            cut = PreviousBackslash(path, cut);
        } else if (error != ERROR_SUCCESS && error != ERROR_ALREADY_EXISTS) {
            return false;
        } else if (cut == last) {
            return true;
        } else {
            cut = NextBackslash(path, length, cut);
        }
    }
    return false;
}

}  // namespace

CFileEx::CFileEx() = default;

CFileEx::~CFileEx() = default;

int CFileEx::Open(const char* lpszFileName, unsigned int nOpenFlags, CFileException* pError) {
    int opened = CFile::Open(lpszFileName, nOpenFlags, pError);
    if (opened || (nOpenFlags & modeCreate) == 0 || lpszFileName == nullptr) return opened;
    CFileFind existing;
    if (!existing.FindFile(lpszFileName) && !CreateMissingFolders(lpszFileName)) return FALSE;
    return CFile::Open(lpszFileName, nOpenFlags, pError);
}
