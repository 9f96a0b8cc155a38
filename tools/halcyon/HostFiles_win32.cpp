// SPDX-License-Identifier: Apache-2.0
#include "HostFiles.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>

#include <cerrno>

namespace halcyon::tool {
namespace {

bool FileId(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok;
}

}  // namespace

int WriteAccessError(const std::string& hostPath) {
    if (_access(hostPath.c_str(), 0) != 0) return 0;
    return _access(hostPath.c_str(), 2) == 0 ? 0 : EACCES;
}

bool SameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a, b;
    return FileId(first, a) && FileId(second, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool IsTerminal(int stream) { return _isatty(stream) != 0; }

}  // namespace halcyon::tool
