// SPDX-License-Identifier: Apache-2.0
// On Windows a folder's access list, which new files inherit, keeps one user's data from the
// others: the folder needs no check of ours, and a private file is an exclusive open.
#include "Platform/common/PrivateData.h"

namespace halcyon {

bool MakeFolderPrivate(const char* path) {
    if (path == nullptr) {
        win::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD attributes = win::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    win::SetLastError(ERROR_DIRECTORY);
    return false;
}

win::HANDLE OpenPrivateFile(const char* path) {
    return win::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace halcyon
