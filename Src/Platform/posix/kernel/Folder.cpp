// SPDX-License-Identifier: Apache-2.0
// The namespace folder itself: where it is, the checks that make it trusted, its lock, and the
// PID namespace it serves.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Namespace.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace win::posix {
namespace {

// A folder only this user can use: a directory owned by the caller without group or other
// permissions, as fstat reports it for the descriptor in hand.
bool IsPrivateFolder(int fd) {
    struct stat st;
    return Sys().fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 077) == 0;
}

int OpenFolderAt(const char* path) {
    return Sys().open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
}

// $XDG_RUNTIME_DIR/halcyon where that variable names a private folder, else the user's folder in
// /dev/shm.
std::string DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        int fd = OpenFolderAt(runtime);
        bool usable = fd >= 0 && IsPrivateFolder(fd);
        if (fd >= 0) Sys().close(fd);
        if (usable) return std::string(runtime) + "/halcyon";
    }
    return "/dev/shm/halcyon-" + std::to_string(getuid());
}

}  // namespace

const std::string& KernelDirectory() {
    // Never destroyed: the process's end still releases its objects after static destructors.
    static const std::string* dir = [] {
        const char* value = std::getenv("HALCYON_KERNEL_DIR");
        std::string path =
            value != nullptr && value[0] != '\0' ? std::string(value) : DefaultFolder();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        // Relative to the folder the process started in, not to wherever it goes later.
        if (path[0] != '/') {
            char cwd[4096];
            if (getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
        }
        return new std::string(path);
    }();
    return *dir;
}

namespace {

std::string UserName(uid_t uid) {
    std::vector<char> buf(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    bool named = getpwuid_r(uid, &entry, buf.data(), buf.size(), &found) == 0 && found != nullptr;
    return (named ? "user " + std::string(found->pw_name) + " " : std::string("user ")) + "(uid " +
           std::to_string(uid) + ")";
}

// The way out, for a folder the caller cannot have.
std::string Fix(const std::string& path) {
    return "Remove it (its owner or root: rm -r " + path +
           "), or set HALCYON_KERNEL_DIR to a folder of your own (a login that sets "
           "XDG_RUNTIME_DIR gives one: $XDG_RUNTIME_DIR/halcyon).";
}

}  // namespace

std::string KernelFolderProblem() {
    const std::string& path = KernelDirectory();
    std::string folder = "the kernel-object folder " + path;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return {};
    if (S_ISLNK(st.st_mode))
        return folder + " is a symbolic link, which is never followed. " + Fix(path);
    if (!S_ISDIR(st.st_mode)) return folder + " is not a folder. " + Fix(path);
    if (st.st_uid != geteuid()) {
        return folder + " belongs to " + UserName(st.st_uid) + ", not to you (" +
               UserName(geteuid()) +
               "): another user made it, so no named mutex, event or mapping (and no queue) "
               "can be had. " +
               Fix(path);
    }
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return folder + " is open to other users (mode " + mode +
               "), so it is not used. Close it: chmod 700 " + path;
    }
    return {};
}

namespace kernel {
namespace {

const char kNamespaceFile[] = ".pidns";
const char kNamespaceDraft[] = ".pidns.new";

// mkdir -p with mode 0700 for what it creates.
DWORD MakeFolder(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (Sys().mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
        if (slash == std::string::npos) break;
    }
    return ERROR_SUCCESS;
}

// The caller's PID namespace ("<device>:<inode>" of /proc/self/ns/pid); empty without /proc.
std::string OwnPidNamespace() {
    struct stat st;
    if (stat("/proc/self/ns/pid", &st) != 0) return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

DWORD WriteNamespace(int dirFd, const std::string& mine) {
    int fd = Sys().openat(dirFd, kNamespaceDraft,
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno);
    bool written = Sys().write(fd, mine.data(), mine.size()) == static_cast<ssize_t>(mine.size());
    Sys().close(fd);
    if (written && Sys().renameat(dirFd, kNamespaceDraft, dirFd, kNamespaceFile) == 0) {
        return ERROR_SUCCESS;
    }
    Sys().unlinkat(dirFd, kNamespaceDraft, 0);
    return ERROR_DISK_FULL;
}

// With the folder locked: the folder serves the PID namespace of its first user only, since its
// mutexes hold thread ids. The first user records its namespace; users of another are refused.
DWORD CheckNamespace(int dirFd) {
    std::string mine = OwnPidNamespace();
    if (mine.empty()) return ERROR_SUCCESS;  // no /proc: nothing to compare with
    struct stat folder;
    if (Sys().fstat(dirFd, &folder) != 0) return ErrorFromErrno(errno);
    // Once checked, a folder stays checked for the process (the caller's own; nobody rewrites it).
    // Never destroyed: the process's end still releases its objects after static destructors.
    static std::mutex* lock = new std::mutex;
    static std::string* checked = new std::string;
    std::string key =
        std::to_string(folder.st_dev) + "." + std::to_string(folder.st_ino) + "=" + mine;
    std::lock_guard<std::mutex> hold(*lock);
    if (*checked == key) return ERROR_SUCCESS;
    int fd = Sys().openat(dirFd, kNamespaceFile, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0 && errno != ENOENT) return ErrorFromErrno(errno);
    DWORD error = ERROR_SUCCESS;
    if (fd < 0) {
        error = WriteNamespace(dirFd, mine);
    } else {
        char text[64];
        ssize_t n = Sys().read(fd, text, sizeof text);
        Sys().close(fd);
        if (n <= 0 || std::string(text, static_cast<std::size_t>(n)) != mine) {
            error = ERROR_NOT_SUPPORTED;
        }
    }
    if (error == ERROR_SUCCESS) *checked = key;
    return error;
}

}  // namespace

int OpenTrustedFolder(bool create, DWORD& error) {
    const std::string& path = KernelDirectory();
    int fd = OpenFolderAt(path.c_str());
    if (fd < 0 && errno == ENOENT && create) {
        if ((error = MakeFolder(path)) != ERROR_SUCCESS) return -1;
        fd = OpenFolderAt(path.c_str());
    }
    if (fd < 0) {
        int err = errno;
        // A link in the folder's place is not the caller's to use (O_NOFOLLOW | O_DIRECTORY
        // reports a link as ENOTDIR).
        struct stat st;
        bool link = lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        error = link             ? ERROR_ACCESS_DENIED
                : err == ENOENT  ? ERROR_PATH_NOT_FOUND
                : err == ENOTDIR ? ERROR_DIRECTORY
                                 : ErrorFromErrno(err);
        return -1;
    }
    if (!IsPrivateFolder(fd)) {
        Sys().close(fd);
        error = ERROR_ACCESS_DENIED;
        return -1;
    }
    return fd;
}

int LinkUnnamed(int fd, int dirFd, const char* name) {
    if (Sys().linkat(fd, "", dirFd, name, AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return -1;
    // Without the right to link by descriptor: through its /proc entry.
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    return Sys().linkat(AT_FDCWD, self.c_str(), dirFd, name, AT_SYMLINK_FOLLOW);
}

FolderLock::FolderLock(bool lockNow) {
    fd_ = OpenTrustedFolder(true, error_);
    if (fd_ >= 0 && lockNow) Lock();
}

DWORD FolderLock::Lock() {
    if (fd_ < 0) return error_;
    while (Sys().flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error_ = ErrorFromErrno(errno);
        return error_;
    }
    error_ = CheckNamespace(fd_);
    locked_ = error_ == ERROR_SUCCESS;
    if (!locked_) Sys().flock(fd_, LOCK_UN);
    return error_;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) Sys().close(fd_);
}

}  // namespace kernel
}  // namespace win::posix
