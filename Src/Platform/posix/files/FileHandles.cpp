// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/FileHandles.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/PrivateFiles.h"
#include "Platform/posix/files/ShareModes.h"
#include "Platform/posix/handles/HandleTable.h"
#include "Platform/posix/kernel/Access.h"

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

bool Truncating(DWORD disposition) {
    return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
}

// No O_TRUNC: an existing file is emptied only once the share check let the open through, by
// ftruncate, for which the descriptor must be writable. `rights` are the mapped ones: a handle
// that may append but not write elsewhere writes at the end only.
int OpenFlags(DWORD rights, DWORD disposition) {
    bool read = (rights & (kFileReadData | kFileExecute)) != 0;
    bool write = (rights & (kFileWriteData | kFileAppendData)) != 0 || Truncating(disposition);
    bool appendOnly = (rights & kFileAppendData) != 0 && (rights & kFileWriteData) == 0;
    // O_NONBLOCK: opening a pipe must not wait for its other end (it is refused afterwards).
    return O_CLOEXEC | O_NONBLOCK | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY) |
           (appendOnly ? O_APPEND : 0);
}

// Opens the file as the disposition says; `existed` tells whether it was there before.
int OpenByDisposition(const std::string& host, DWORD access, DWORD disposition, bool& existed,
                      DWORD& error) {
    int flags = OpenFlags(MapAccess(HandleKind::kFile, access), disposition);
    bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (mayCreate) {
            int fd = posix::OpenShareable(host.c_str(), flags | O_CREAT | O_EXCL, kNewFileMode);
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
        int fd = posix::OpenShareable(host.c_str(), flags, 0);
        if (fd >= 0) {
            existed = true;
            return fd;
        }
        if (errno != ENOENT || !mayCreate) break;  // removed meanwhile: try creating again
    }
    error = PathError(errno, host);
    return -1;
}

bool ValidRequest(DWORD access, DWORD share, DWORD disposition) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return false;
    if ((share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) != 0) return false;
    return disposition != TRUNCATE_EXISTING ||
           (MapAccess(HandleKind::kFile, access) & kFileWriteData) != 0;
}

void AdviseAccess(int fd, DWORD flags) {
    if ((flags & FILE_FLAG_RANDOM_ACCESS) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if ((flags & FILE_FLAG_SEQUENTIAL_SCAN) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

// The share check of a new open of the file on `fd`, then the emptying its disposition asks for,
// which a mapping of the file in any process refuses (its views would fault).
DWORD ShareAndTruncate(int fd, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                       bool existed) {
    if ((flags & FILE_FLAG_DELETE_ON_CLOSE) != 0) access |= DELETE;  // as Windows asks for it
    DWORD error = posix::ClaimShareAccess(fd, posix::ShareAccessOf(access), share);
    if (error != ERROR_SUCCESS || !existed || !Truncating(disposition)) return error;
    if (posix::IsMappedElsewhere(fd)) return ERROR_USER_MAPPED_FILE;
    return Sys().ftruncate(fd, 0) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

// Opens a delete-on-close file as the disposition says, checks its share mode and records it. A
// new file is made and recorded under one folder lock, so that a kill leaves nothing behind; where
// the file system cannot make unnamed files it is created as usual and recorded just after. An
// open the share check refuses records nothing.
int OpenDeleteOnClose(const std::string& host, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags, bool& existed, DWORD& error) {
    bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    if (mayCreate && (MapAccess(HandleKind::kFile, access) & kFileWriteData) != 0) {
        int fd = CreateDeleteOnClose(host, kNewFileMode, error);
        existed = false;
        if (fd >= 0) {
            error = ShareAndTruncate(fd, access, share, disposition, flags, false);
            if (error == ERROR_SUCCESS) return fd;
            struct stat st;
            bool known = Sys().fstat(fd, &st) == 0;
            Sys().close(fd);
            if (known) ReleaseFileUse(st.st_dev, st.st_ino);  // its record removes it
            return -1;
        }
        if (error != ERROR_FILE_EXISTS && error != ERROR_NOT_SUPPORTED) return -1;
        if (error == ERROR_FILE_EXISTS && disposition == CREATE_NEW) return -1;
    }
    int fd = OpenByDisposition(host, access, disposition, existed, error);
    struct stat st;
    if (fd < 0 || Sys().fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return fd;  // refused later
    error = ShareAndTruncate(fd, access, share, disposition, flags, existed);
    if (error == ERROR_SUCCESS) {
        Sys().flock(fd, LOCK_SH | LOCK_NB);  // a use of the file before it is recorded
        error = MarkDeleteOnClose(host, fd);
        if (error == ERROR_SUCCESS) return fd;
    }
    if (!existed) Sys().unlink(host.c_str());
    Sys().close(fd);
    ReleaseFileUse(st.st_dev, st.st_ino);  // a record that was there before may now be due
    return -1;
}

// Opens folder `host`: only with FILE_FLAG_BACKUP_SEMANTICS, and never to be made or emptied.
int OpenFolder(const std::string& host, DWORD access, DWORD share, DWORD disposition, DWORD flags,
               DWORD& error) {
    error = ERROR_ACCESS_DENIED;
    if (disposition == CREATE_NEW) error = ERROR_FILE_EXISTS;
    if (disposition == CREATE_NEW || disposition == CREATE_ALWAYS ||
        disposition == TRUNCATE_EXISTING || (flags & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
        return -1;
    }
    int fd = Sys().open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        error = ErrorFromErrno(errno);
        return -1;
    }
    error = posix::ClaimShareAccess(fd, posix::ShareAccessOf(access), share);
    if (error == ERROR_SUCCESS) return fd;
    Sys().close(fd);
    return -1;
}

// The handle of a file or folder just opened; CREATE_ALWAYS and OPEN_ALWAYS tell whether it
// `existed`, every other success clears the last error.
HANDLE FileHandleFor(FileHandle* file, DWORD disposition, bool existed) {
    std::lock_guard<std::mutex> hold(HandleLock());
    EnsureCloseAtUnload();
    HANDLE handle = NewHandle(HandleKind::kFile, file, file->access);
    if (handle == nullptr) {
        CloseFileHandle(file);
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return INVALID_HANDLE_VALUE;
    }
    bool told = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    SetLastError(existed && told ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace

int OpenFileUse(const std::string& path, dev_t device, ino_t inode, bool writable,
                bool writableMapping, DWORD& error) {
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
    posix::MarkMapped(fd, writableMapping);  // every use made here is a mapping's or a view's
    return fd;
}

void CloseFileHandle(FileHandle* file) {
    if (file->fd >= 0) Sys().close(file->fd);
    ReleaseFileUse(file->device, file->inode);
    delete file;
}

namespace {

void CloseFileTarget(void* target) { CloseFileHandle(static_cast<FileHandle*>(target)); }

const bool kCloserSet = (SetCloser(HandleKind::kFile, CloseFileTarget), true);

}  // namespace

}  // namespace posix::kernel

using namespace posix::kernel;
using posix::Sys;

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                   HANDLE) {
    if (!ValidRequest(dwDesiredAccess, dwShareMode, dwCreationDisposition)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string host;
    if (!posix::HostPathOrFail(lpFileName, host)) return INVALID_HANDLE_VALUE;
    DWORD error;
    struct stat st;
    bool folder = stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (folder || posix::EndsInSeparator(lpFileName)) {
        // A name that ends in a separator must be a folder; a folder opens as one, or not at all.
        error = folder ? ERROR_SUCCESS : ERROR_INVALID_NAME;
        int fd = folder ? OpenFolder(host, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                     dwFlagsAndAttributes, error)
                        : -1;
        if (fd < 0) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        return FileHandleFor(new FileHandle{fd, host, MapAccess(HandleKind::kFile, dwDesiredAccess),
                                            false, st.st_dev, st.st_ino, true},
                             dwCreationDisposition, true);
    }
    bool existed = false;
    bool deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    int fd = deleteOnClose
                 ? OpenDeleteOnClose(host, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                     dwFlagsAndAttributes, existed, error)
                 : OpenByDisposition(host, dwDesiredAccess, dwCreationDisposition, existed, error);
    if (fd < 0) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    // Only files: a folder, a pipe or a device put where a file is expected is refused.
    if (Sys().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Sys().close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A delete-on-close open was checked before its record was written.
    error = deleteOnClose ? ERROR_SUCCESS
                          : ShareAndTruncate(fd, dwDesiredAccess, dwShareMode,
                                             dwCreationDisposition, dwFlagsAndAttributes, existed);
    if (error != ERROR_SUCCESS) {
        Sys().close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // this handle is a use of the file
    AdviseAccess(fd, dwFlagsAndAttributes);
    return FileHandleFor(new FileHandle{fd, host, MapAccess(HandleKind::kFile, dwDesiredAccess),
                                        deleteOnClose, st.st_dev, st.st_ino},
                         dwCreationDisposition, existed);
}

}  // namespace win
