#include "posix/FileHandles.h"

#include "posix/Errors.h"
#include "posix/Files.h"
#include "posix/KernelObjects.h"
#include "posix/KernelRegistry.h"
#include "posix/ShareModes.h"
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

const char kRecordPrefix[] = ".doc.";

std::string RecordName(dev_t device, ino_t inode) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%llx.%llx", kRecordPrefix,
                  static_cast<unsigned long long>(device), static_cast<unsigned long long>(inode));
    return name;
}

// With the folder held: notes that (device, inode) at `hostPath` is removed after its last use.
DWORD WriteRecord(const FolderLock& folder, const std::string& hostPath, dev_t device,
                  ino_t inode) {
    if (!folder.Held()) return folder.Error();
    std::string path = FolderPath(RecordName(device, inode));
    int fd = Sys().open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno);
    ssize_t written = Sys().write(fd, hostPath.data(), hostPath.size());
    Sys().close(fd);
    if (written == static_cast<ssize_t>(hostPath.size())) return ERROR_SUCCESS;
    Sys().unlink(path.c_str());
    return ERROR_DISK_FULL;
}

std::string ReadRecord(const std::string& path) {
    int fd = Sys().open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return {};
    std::string text;
    char buf[1024];
    ssize_t n;
    while ((n = Sys().read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    Sys().close(fd);
    return text;
}

// With the folder held: removes the file of record `recordName` if nothing uses it, and the
// record with it (also when its file is gone or was replaced). Returns the files removed.
int RemoveIfUnused(const std::string& recordName, dev_t device, ino_t inode) {
    std::string recordPath = FolderPath(recordName);
    std::string filePath = ReadRecord(recordPath);
    int fd = filePath.empty() ? -1 : Sys().open(filePath.c_str(), O_RDONLY | O_CLOEXEC, 0);
    struct stat st;
    bool same = fd >= 0 && Sys().fstat(fd, &st) == 0 && st.st_dev == device && st.st_ino == inode;
    int removed = 0;
    if (!same) {
        removed += Sys().unlink(recordPath.c_str()) == 0 ? 1 : 0;
    } else if (Sys().flock(fd, LOCK_EX | LOCK_NB) == 0) {
        removed += Sys().unlink(filePath.c_str()) == 0 ? 1 : 0;
        removed += Sys().unlink(recordPath.c_str()) == 0 ? 1 : 0;
    }
    if (fd >= 0) Sys().close(fd);
    return removed;
}

bool ParseRecordName(const std::string& name, dev_t& device, ino_t& inode) {
    unsigned long long d = 0;
    unsigned long long i = 0;
    char tail = 0;
    if (std::sscanf(name.c_str() + sizeof kRecordPrefix - 1, "%llx.%llx%c", &d, &i, &tail) != 2) {
        return false;
    }
    device = static_cast<dev_t>(d);
    inode = static_cast<ino_t>(i);
    return true;
}

bool Truncating(DWORD disposition) {
    return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
}

// No O_TRUNC: an existing file is emptied only once the share check let the open through, by
// ftruncate, for which the descriptor must be writable.
int OpenFlags(DWORD access, DWORD disposition) {
    bool read = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
    bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0 || Truncating(disposition);
    return O_CLOEXEC | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
}

// Opens the file as the disposition says; `existed` tells whether it was there before.
int OpenByDisposition(const std::string& host, DWORD access, DWORD disposition, bool& existed,
                      DWORD& error) {
    int flags = OpenFlags(access, disposition);
    bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (mayCreate) {
            int fd = posix::OpenShareable(host.c_str(), flags | O_CREAT | O_EXCL, 0666);
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
    int err = errno;
    error = err == ENOENT ? MissingPathError(host) : ErrorFromErrno(err);
    return -1;
}

bool ValidRequest(DWORD access, DWORD share, DWORD disposition) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return false;
    if ((share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) != 0) return false;
    return disposition != TRUNCATE_EXISTING || (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
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
    posix::MarkMapped(fd);  // every use made here is a mapping's or a view's
    return fd;
}

void ReleaseFileUse(dev_t device, ino_t inode) {
    std::string recordName = RecordName(device, inode);
    if (access(FolderPath(recordName).c_str(), F_OK) != 0) return;  // not delete-on-close
    FolderLock folder;
    if (folder.Held()) RemoveIfUnused(recordName, device, inode);
}

void CloseFileHandle(FileHandle* file) {
    if (file->fd >= 0) Sys().close(file->fd);
    ReleaseFileUse(file->device, file->inode);
    delete file;
}

bool IsDeleteOnCloseRecord(const std::string& fileName) {
    return fileName.compare(0, sizeof kRecordPrefix - 1, kRecordPrefix) == 0;
}

int CollectDeleteOnClose(const FolderLock& folder, const std::string& fileName) {
    dev_t device;
    ino_t inode;
    if (!folder.Held()) return 0;
    if (!ParseRecordName(fileName, device, inode)) {
        return Sys().unlink(FolderPath(fileName).c_str()) == 0 ? 1 : 0;
    }
    return RemoveIfUnused(fileName, device, inode);
}

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
    DWORD error;
    if (!posix::ToHostPath(lpFileName, host, error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    bool existed = false;
    int fd = OpenByDisposition(host, dwDesiredAccess, dwCreationDisposition, existed, error);
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
    error = ShareAndTruncate(fd, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                             dwFlagsAndAttributes, existed);
    if (error != ERROR_SUCCESS) {
        Sys().close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // this handle is a use of the file
    AdviseAccess(fd, dwFlagsAndAttributes);
    auto* file = new FileHandle{fd, host, dwDesiredAccess, false, st.st_dev, st.st_ino};

    std::lock_guard<std::mutex> hold(RegistryLock());
    EnsureExitCleanup();
    if ((dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0) {
        FolderLock folder;
        error = WriteRecord(folder, host, st.st_dev, st.st_ino);
        if (error != ERROR_SUCCESS) {
            CloseFileHandle(file);
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        file->deleteOnClose = true;
    }
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
