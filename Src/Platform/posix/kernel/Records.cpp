// SPDX-License-Identifier: Apache-2.0
// The records of delete-on-close files in the namespace folder (see DeleteOnClose.h).
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/kernel/DeleteOnClose.h"
#include "Platform/posix/kernel/KernelObjects.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace win::posix::kernel {
namespace {

const char kRecordPrefix[] = ".doc.";
const char kDraftPrefix[] = ".doc-new.";
constexpr std::size_t kMaxRecordBytes = 4096;

bool HasPrefix(const std::string& name, const char* prefix, std::size_t length) {
    return name.compare(0, length, prefix) == 0;
}

std::string RecordName(dev_t device, ino_t inode) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%llx.%llx", kRecordPrefix,
                  static_cast<unsigned long long>(device), static_cast<unsigned long long>(inode));
    return name;
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

// With the folder held: writes the record of (device, inode) at `hostPath` as a draft and renames
// it into place. On failure only the draft is removed.
DWORD WriteRecord(const FolderLock& folder, const std::string& hostPath, dev_t device,
                  ino_t inode) {
    if (hostPath.size() > kMaxRecordBytes) return ERROR_FILENAME_EXCED_RANGE;
    std::string draft = kDraftPrefix + std::to_string(getpid());
    int fd = Sys().openat(folder.Fd(), draft.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno);
    ssize_t written = Sys().write(fd, hostPath.data(), hostPath.size());
    int err = written < 0 ? errno : ENOSPC;
    Sys().close(fd);
    if (written == static_cast<ssize_t>(hostPath.size())) {
        std::string name = RecordName(device, inode);
        if (Sys().renameat(folder.Fd(), draft.c_str(), folder.Fd(), name.c_str()) == 0) {
            return ERROR_SUCCESS;
        }
        err = errno;
    }
    Sys().unlinkat(folder.Fd(), draft.c_str(), 0);
    return err == ENOSPC ? ERROR_DISK_FULL : ErrorFromErrno(err);
}

// The host path record `name` holds; empty unless the record is a plain file of the caller's.
// False when the record cannot be read now (no descriptor left): it is then left alone.
bool ReadRecord(const FolderLock& folder, const std::string& name, std::string& text) {
    int fd = Sys().openat(folder.Fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return errno == ELOOP;
    struct stat st;
    if (Sys().fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
        char buf[kMaxRecordBytes];
        ssize_t n;
        while (text.size() <= kMaxRecordBytes && (n = Sys().read(fd, buf, sizeof buf)) > 0) {
            text.append(buf, static_cast<size_t>(n));
        }
    }
    Sys().close(fd);
    if (text.size() > kMaxRecordBytes) text.clear();
    return true;
}

// Whether the failed open of a record's file shows the file gone for good (rather than, say, no
// descriptor left): only then is the record dropped.
bool FileIsGone(int err) { return err == ENOENT || err == ENOTDIR || err == ELOOP; }

// With the folder held: removes the file of record `recordName` if nothing uses it, and the
// record with it (also when its file is gone, was replaced, or is not the caller's). Returns the
// files removed.
int RemoveIfUnused(const FolderLock& folder, const std::string& recordName, dev_t device,
                   ino_t inode) {
    std::string filePath;
    if (!ReadRecord(folder, recordName, filePath)) return 0;
    // O_NONBLOCK: a record naming a FIFO must not hang the caller.
    int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = filePath.empty() ? -1 : Sys().open(filePath.c_str(), flags, 0);
    if (fd < 0 && !filePath.empty() && !FileIsGone(errno)) return 0;
    struct stat st;
    bool same = fd >= 0 && Sys().fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_uid == geteuid() && st.st_dev == device && st.st_ino == inode;
    int removed = 0;
    if (!same) {
        removed += Sys().unlinkat(folder.Fd(), recordName.c_str(), 0) == 0 ? 1 : 0;
    } else if (Sys().flock(fd, LOCK_EX | LOCK_NB) == 0) {
        removed += Sys().unlink(filePath.c_str()) == 0 ? 1 : 0;
        removed += Sys().unlinkat(folder.Fd(), recordName.c_str(), 0) == 0 ? 1 : 0;
    }
    if (fd >= 0) Sys().close(fd);
    return removed;
}

std::string FolderOf(const std::string& hostPath) {
    std::size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

}  // namespace

DWORD MarkDeleteOnClose(const std::string& hostPath, int fd) {
    struct stat st;
    if (Sys().fstat(fd, &st) != 0) return ErrorFromErrno(errno);
    FolderLock folder;
    if (!folder.Held()) return folder.Error();
    return WriteRecord(folder, hostPath, st.st_dev, st.st_ino);
}

int CreateDeleteOnClose(const std::string& hostPath, mode_t mode, DWORD& error) {
    FolderLock folder;
    if (!folder.Held()) {
        error = folder.Error();
        return -1;
    }
    int fd = Sys().open(FolderOf(hostPath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    struct stat st;
    if (fd < 0 || Sys().fstat(fd, &st) != 0) {
        if (fd >= 0) Sys().close(fd);
        error = ERROR_NOT_SUPPORTED;
        return -1;
    }
    Sys().flock(fd, LOCK_SH | LOCK_NB);  // a use of the file from its first moment
    error = WriteRecord(folder, hostPath, st.st_dev, st.st_ino);
    if (error == ERROR_SUCCESS && LinkUnnamed(fd, AT_FDCWD, hostPath.c_str()) == 0) return fd;
    if (error == ERROR_SUCCESS) {
        error = errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno);
        Sys().unlinkat(folder.Fd(), RecordName(st.st_dev, st.st_ino).c_str(), 0);
    }
    Sys().close(fd);
    return -1;
}

void ReleaseFileUse(dev_t device, ino_t inode) {
    std::string recordName = RecordName(device, inode);
    // A hint only, to spare files without a record the lock: the lock's holder checks again.
    std::string hint = KernelDirectory() + "/" + recordName;
    if (access(hint.c_str(), F_OK) != 0) return;
    FolderLock folder;
    if (folder.Held()) RemoveIfUnused(folder, recordName, device, inode);
}

bool IsDeleteOnCloseRecord(const std::string& fileName) {
    return HasPrefix(fileName, kRecordPrefix, sizeof kRecordPrefix - 1) ||
           HasPrefix(fileName, kDraftPrefix, sizeof kDraftPrefix - 1);
}

int CollectDeleteOnClose(const FolderLock& folder, const std::string& fileName) {
    dev_t device;
    ino_t inode;
    if (!folder.Held()) return 0;
    // A draft seen under the lock is one whose writer died: its writer held the lock throughout.
    bool draft = HasPrefix(fileName, kDraftPrefix, sizeof kDraftPrefix - 1);
    if (draft || !ParseRecordName(fileName, device, inode)) {
        return Sys().unlinkat(folder.Fd(), fileName.c_str(), 0) == 0 ? 1 : 0;
    }
    return RemoveIfUnused(folder, fileName, device, inode);
}

}  // namespace win::posix::kernel
