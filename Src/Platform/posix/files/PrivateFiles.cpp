// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/PrivateFiles.h"

#include "Platform/common/Mbcs.h"
#include "Platform/common/PrivateData.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/FileHandles.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/ShareModes.h"
#include "Platform/posix/handles/HandleTable.h"
#include "Platform/posix/kernel/Access.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace win::posix {
namespace {

constexpr mode_t kOthersMayWrite = S_IWGRP | S_IWOTH;
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

// The folder of `path` and its last component; the separators are '\' and '/'.
int LastSeparator(const char* path, size_t length) {
    return std::max(halcyon::mbcs::ReverseFindChar(path, length, '\\'),
                    halcyon::mbcs::ReverseFindChar(path, length, '/'));
}

// Opens `name` in folder `dirFd` for reading and writing: a new file of the caller's, or an
// existing one that passes CheckPrivateFile. `existed` tells which.
int OpenInFolder(int dirFd, const std::string& name, bool& existed, DWORD& error) {
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC;
    int fd = Sys().openat(dirFd, name.c_str(), flags | O_CREAT | O_EXCL, kNewFileMode);
    existed = fd < 0 && errno == EEXIST;
    // O_NONBLOCK: a pipe put in the file's place must not keep the open waiting.
    if (existed) fd = Sys().openat(dirFd, name.c_str(), flags | O_NONBLOCK, 0);
    if (fd < 0) {
        error = errno == ELOOP    ? ERROR_ACCESS_DENIED
                : errno == ENOENT ? ERROR_FILE_NOT_FOUND
                                  : ErrorFromErrno(errno);
        return -1;
    }
    error = existed ? CheckPrivateFile(fd) : ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
        Sys().close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// A file handle for descriptor `fd` of `host`, open for reading and writing and shared with no
// other open; null with `error` set when another open of the file refuses it.
HANDLE HandleForFile(int fd, const std::string& host, DWORD& error) {
    const DWORD access = kernel::MapAccess(kernel::HandleKind::kFile, GENERIC_READ | GENERIC_WRITE);
    struct stat st;
    if (Sys().fstat(fd, &st) != 0) {
        error = ErrorFromErrno(errno);
        return nullptr;
    }
    error = ClaimShareAccess(fd, ShareAccessOf(access), 0);
    if (error != ERROR_SUCCESS) return nullptr;
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // the handle is a use of the file
    // The handle keeps the file rights the generic ones stand for, as CreateFileA's handles do:
    // reading and writing check them.
    DWORD rights = kernel::MapAccess(kernel::HandleKind::kFile, access);
    auto* file = new kernel::FileHandle{fd, host, rights, false, st.st_dev, st.st_ino};
    std::lock_guard<std::mutex> hold(kernel::HandleLock());
    kernel::EnsureCloseAtUnload();
    HANDLE handle = kernel::NewHandle(kernel::HandleKind::kFile, file, rights);
    if (handle == nullptr) {
        file->fd = -1;  // the caller closes it
        kernel::CloseFileHandle(file);
        error = ERROR_NO_SYSTEM_RESOURCES;
    }
    return handle;
}

}  // namespace

DWORD CheckPrivateFolder(int fd) {
    struct stat st;
    if (Sys().fstat(fd, &st) != 0) return ErrorFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
    return st.st_uid == geteuid() && (st.st_mode & kOthersMayWrite) == 0 ? ERROR_SUCCESS
                                                                         : ERROR_ACCESS_DENIED;
}

DWORD CheckPrivateFile(int fd) {
    struct stat st;
    if (Sys().fstat(fd, &st) != 0) return ErrorFromErrno(errno);
    bool own = S_ISREG(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & kOthersBits) == 0;
    return own ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

int OpenPrivateFolder(const std::string& hostFolder, DWORD& error) {
    int fd = Sys().open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        int err = errno;
        error = err == ENOENT    ? ERROR_PATH_NOT_FOUND
                : err == ENOTDIR ? ERROR_DIRECTORY
                                 : ErrorFromErrno(err);
        return -1;
    }
    error = CheckPrivateFolder(fd);
    if (error == ERROR_SUCCESS) return fd;
    Sys().close(fd);
    return -1;
}

bool SplitLastComponent(const char* path, std::string& folder, std::string& name, DWORD& error) {
    size_t length = std::strlen(path);
    int slash = LastSeparator(path, length);
    name.assign(path + slash + 1);
    folder = slash < 0 ? std::string(".") : std::string(path, slash == 0 ? 1 : slash);
    if (slash == 2 && path[1] == ':') folder += '\\';  // "C:\x": the drive's root, not "C:"
    error = ERROR_INVALID_NAME;
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return std::strchr("*?<>\"|:", c) != nullptr; });
}

}  // namespace win::posix

namespace halcyon {

using win::posix::Sys;

bool MakeFolderPrivate(const char* path) {
    std::string host;
    win::DWORD error;
    if (path == nullptr || !win::posix::ToHostPath(path, host, error)) {
        win::SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : error);
        return false;
    }
    int fd = win::posix::OpenPrivateFolder(host, error);
    if (fd < 0) {
        win::SetLastError(error);
        return false;
    }
    struct stat st;
    bool ok = Sys().fstat(fd, &st) == 0 && ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0 ||
                                            Sys().fchmod(fd, st.st_mode & 07700) == 0);
    if (!ok) win::posix::Fail(errno);
    Sys().close(fd);
    return ok;
}

win::HANDLE OpenPrivateFile(const char* path) {
    std::string folder, name, hostFolder;
    win::DWORD error = ERROR_INVALID_PARAMETER;
    int dirFd = -1;
    if (path != nullptr && win::posix::SplitLastComponent(path, folder, name, error) &&
        win::posix::ToHostPath(folder.c_str(), hostFolder, error)) {
        dirFd = win::posix::OpenPrivateFolder(hostFolder, error);
    }
    bool existed = false;
    int fd = dirFd < 0 ? -1 : win::posix::OpenInFolder(dirFd, name, existed, error);
    if (dirFd >= 0) Sys().close(dirFd);
    win::HANDLE handle = nullptr;
    if (fd >= 0) {
        handle = win::posix::HandleForFile(fd, hostFolder + "/" + name, error);
        if (handle == nullptr) {
            if (!existed) Sys().unlink((hostFolder + "/" + name).c_str());
            Sys().close(fd);
        }
    }
    if (handle == nullptr) {
        win::SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    win::SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace halcyon
