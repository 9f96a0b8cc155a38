#include "posix/FileHandles.h"

#include "posix/Errors.h"
#include "posix/Files.h"
#include "posix/KernelObjects.h"
#include "posix/KernelRegistry.h"
#include "posix/SysCalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace win {
namespace posix::kernel {
namespace {

int OpenFlags(DWORD access, DWORD disposition) {
    bool read = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
    bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    int flags = O_CLOEXEC | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) flags |= O_TRUNC;
    return flags;
}

// Opens the file as the disposition says; `existed` tells whether it was there before.
int OpenByDisposition(const std::string& host, DWORD access, DWORD disposition, bool& existed,
                      DWORD& error) {
    int flags = OpenFlags(access, disposition);
    bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (mayCreate) {
            int fd = Sys().open(host.c_str(), (flags & ~O_TRUNC) | O_CREAT | O_EXCL, 0666);
            if (fd >= 0) {
                existed = false;
                return fd;
            }
            if (errno != EEXIST) break;
            if (disposition == CREATE_NEW) {
                error = ERROR_FILE_EXISTS;
                return -1;
            }
        }
        int fd = Sys().open(host.c_str(), flags, 0);
        if (fd >= 0) {
            existed = true;
            return fd;
        }
        if (errno != ENOENT || !mayCreate) break;  // removed meanwhile: try creating again
    }
    int err = errno;
    error = err == ENOENT ? MissingPathError(host) : ErrorFromErrno(err);
    return -1;
}

// Opens a delete-on-close file as the disposition says and records it. A new file is made and
// recorded under one folder lock, so that a kill leaves nothing behind; where the file system
// cannot make unnamed files it is created as usual and recorded just after.
int OpenDeleteOnClose(const std::string& host, DWORD access, DWORD disposition, bool& existed,
                      DWORD& error) {
    bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    if (mayCreate && (access & (GENERIC_WRITE | GENERIC_ALL)) != 0) {
        int fd = CreateDeleteOnClose(host, 0666, error);
        existed = false;
        if (fd >= 0 || (error != ERROR_FILE_EXISTS && error != ERROR_NOT_SUPPORTED)) return fd;
        if (error == ERROR_FILE_EXISTS && disposition == CREATE_NEW) return -1;
    }
    int fd = OpenByDisposition(host, access, disposition, existed, error);
    struct stat st;
    if (fd < 0 || Sys().fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return fd;  // refused later
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // a use of the file before it is recorded
    error = MarkDeleteOnClose(host, fd);
    if (error == ERROR_SUCCESS) return fd;
    if (!existed) Sys().unlink(host.c_str());
    Sys().close(fd);
    ReleaseFileUse(st.st_dev, st.st_ino);  // a record that was there before may now be due
    return -1;
}

bool ValidRequest(DWORD access, DWORD disposition) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return false;
    return disposition != TRUNCATE_EXISTING || (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
}

void AdviseAccess(int fd, DWORD flags) {
    if ((flags & FILE_FLAG_RANDOM_ACCESS) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if ((flags & FILE_FLAG_SEQUENTIAL_SCAN) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace

int OpenFileUse(const std::string& path, dev_t device, ino_t inode, bool writable, DWORD& error) {
    int fd = Sys().open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0);
    if (fd < 0) {
        error = ErrorFromErrno(errno);
        return -1;
    }
    struct stat st;
    if (Sys().fstat(fd, &st) != 0 || st.st_dev != device || st.st_ino != inode) {
        Sys().close(fd);
        error = ERROR_FILE_NOT_FOUND;
        return -1;
    }
    // Best effort: a file system without flock still works, without crash-proof removal.
    Sys().flock(fd, LOCK_SH | LOCK_NB);
    return fd;
}

void CloseFileHandle(FileHandle* file) {
    if (file->fd >= 0) Sys().close(file->fd);
    ReleaseFileUse(file->device, file->inode);
    delete file;
}

}  // namespace posix::kernel

using namespace posix::kernel;
using posix::Sys;

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    if (!ValidRequest(dwDesiredAccess, dwCreationDisposition)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string host;
    DWORD error;
    if (!posix::ToHostPath(lpFileName, host, error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    bool existed = false;
    bool deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    int fd = deleteOnClose
                 ? OpenDeleteOnClose(host, dwDesiredAccess, dwCreationDisposition, existed, error)
                 : OpenByDisposition(host, dwDesiredAccess, dwCreationDisposition, existed, error);
    if (fd < 0) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (Sys().fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        Sys().close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // this handle is a use of the file
    AdviseAccess(fd, dwFlagsAndAttributes);
    auto* file = new FileHandle{fd, host, dwDesiredAccess, deleteOnClose, st.st_dev, st.st_ino};

    std::lock_guard<std::mutex> hold(RegistryLock());
    EnsureExitCleanup();
    HANDLE handle = NewHandle(HandleKind::kFile, file, dwDesiredAccess);
    if (handle == nullptr) {
        CloseFileHandle(file);
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(
        existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
            ? ERROR_ALREADY_EXISTS
            : ERROR_SUCCESS);
    return handle;
}

}  // namespace win
