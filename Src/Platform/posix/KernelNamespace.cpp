#include "posix/KernelNamespace.h"

#include "posix/Errors.h"
#include "posix/FileHandles.h"
#include "posix/KernelObjects.h"
#include "posix/SysCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace win::posix {

const std::string& KernelDirectory() {
    // Never destroyed: the process's end still releases its objects after static destructors.
    static const std::string* dir = [] {
        const char* value = std::getenv("HALCYON_KERNEL_DIR");
        std::string path = value != nullptr && value[0] != '\0'
                               ? std::string(value)
                               : "/dev/shm/halcyon-" + std::to_string(getuid());
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

namespace kernel {
namespace {

constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW;

bool UsingDefaultFolder() {
    const char* value = std::getenv("HALCYON_KERNEL_DIR");
    return value == nullptr || value[0] == '\0';
}

// mkdir -p with mode 0700 for what it creates.
DWORD MakeFolder(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (Sys().mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
        if (slash == std::string::npos) break;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return ErrorFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
    // The default folder sits in a directory everybody may write: it must be this user's own.
    if (UsingDefaultFolder() && st.st_uid != geteuid()) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

int OpenFolder() {
    return Sys().open(KernelDirectory().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
}

void CloseFd(int& fd) {
    if (fd >= 0) Sys().close(fd);
    fd = -1;
}

ObjectHeader* MapHeader(int fd) {
    void* p = Sys().mmap(nullptr, kHeaderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<ObjectHeader*>(p);
}

bool HeaderMatches(const ObjectHeader& header, const std::string& key) {
    return std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 &&
           header.version == kLayoutVersion && header.nameLength == key.size() &&
           std::memcmp(header.name, key.data(), key.size()) == 0;
}

// Reserves the object's pages now, so that a full folder fails the create instead of a later
// access to the memory; a file system without preallocation only gets the size.
DWORD SizeFile(int fd, std::uint64_t bytes) {
    if (bytes > static_cast<std::uint64_t>(INT64_MAX)) return ERROR_NOT_ENOUGH_MEMORY;
    auto length = static_cast<off_t>(bytes);
    int rc = Sys().fallocate(fd, 0, 0, length);
    if (rc != 0 && (errno == EOPNOTSUPP || errno == ENOSYS)) rc = Sys().ftruncate(fd, length);
    if (rc == 0) return ERROR_SUCCESS;
    return errno == ENOSPC || errno == EFBIG ? ERROR_NOT_ENOUGH_MEMORY : ErrorFromErrno(errno);
}

// Sizes and fills a new object file; the magic goes last.
DWORD InitFile(int fd, const std::string& key, Kind kind, std::uint64_t dataBytes,
               const HeaderInit& init, ObjectFile& out) {
    DWORD error = SizeFile(fd, kHeaderBytes + dataBytes);
    if (error != ERROR_SUCCESS) return error;
    out.header = MapHeader(fd);
    if (out.header == nullptr) return ErrorFromErrno(errno);
    ObjectHeader& h = *out.header;
    h.version = kLayoutVersion;
    h.kind = static_cast<std::uint32_t>(kind);
    h.nameLength = static_cast<std::uint32_t>(key.size());
    std::memcpy(h.name, key.data(), key.size());
    error = init(h);
    if (error != ERROR_SUCCESS) return error;
    // One release store: whoever sees the magic sees the header before it.
    std::uint64_t magic;
    std::memcpy(&magic, kMagic, sizeof magic);
    __atomic_store_n(reinterpret_cast<std::uint64_t*>(h.magic), magic, __ATOMIC_RELEASE);
    return ERROR_SUCCESS;
}

// True when some process still holds the file open with its lock; `fd` is a fresh description.
// A file system that cannot lock answers "held": nothing is removed that might be in use.
bool HasHolder(int fd) { return Sys().flock(fd, LOCK_EX | LOCK_NB) != 0; }

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

FolderLock::FolderLock() {
    fd_ = OpenFolder();
    if (fd_ < 0 && errno == ENOENT) {
        error_ = MakeFolder(KernelDirectory());
        if (error_ != ERROR_SUCCESS) return;
        fd_ = OpenFolder();
    }
    if (fd_ < 0) {
        error_ = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
        return;
    }
    while (Sys().flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error_ = ErrorFromErrno(errno);
        CloseFd(fd_);
        return;
    }
}

FolderLock::~FolderLock() { CloseFd(fd_); }

std::string FolderPath(const std::string& fileName) { return KernelDirectory() + "/" + fileName; }

DWORD OpenObjectFile(const FolderLock&, const std::string& key, Kind kind, ObjectFile& out) {
    std::string path = FolderPath(FileNameFor(key));
    int fd = Sys().open(path.c_str(), O_RDWR | kOpenFlags, 0);
    if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno);
    if (!HasHolder(fd)) {
        // Its holders are gone (killed, or died while creating it): the name is free.
        Sys().unlink(path.c_str());
        Sys().close(fd);
        return ERROR_FILE_NOT_FOUND;
    }
    ObjectFile file;
    file.lockFd = fd;
    DWORD error = ERROR_SUCCESS;
    if (Sys().flock(fd, LOCK_SH | LOCK_NB) != 0) {
        error = ErrorFromErrno(errno);
    } else if ((file.dataFd = Sys().open(path.c_str(), O_RDWR | kOpenFlags, 0)) < 0) {
        error = ErrorFromErrno(errno);
    } else if ((file.header = MapHeader(file.dataFd)) == nullptr) {
        error = ErrorFromErrno(errno);
    } else if (!HeaderMatches(*file.header, key) ||
               file.header->kind != static_cast<std::uint32_t>(kind)) {
        // Windows refuses a name that an object of another type holds.
        error = ERROR_INVALID_HANDLE;
    }
    if (error != ERROR_SUCCESS) {
        DiscardObjectFile(file);
        return error;
    }
    out = file;
    return ERROR_SUCCESS;
}

DWORD CreateObjectFile(const FolderLock&, const std::string& key, Kind kind,
                       std::uint64_t dataBytes, const HeaderInit& init, ObjectFile& out) {
    std::string path = FolderPath(FileNameFor(key));
    ObjectFile file;
    file.lockFd = Sys().open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0600);
    if (file.lockFd < 0) return ErrorFromErrno(errno);
    DWORD error = ERROR_SUCCESS;
    if (Sys().flock(file.lockFd, LOCK_SH | LOCK_NB) != 0) {
        error = ErrorFromErrno(errno);
    } else if ((file.dataFd = Sys().open(path.c_str(), O_RDWR | kOpenFlags, 0)) < 0) {
        error = ErrorFromErrno(errno);
    } else {
        error = InitFile(file.dataFd, key, kind, dataBytes, init, file);
    }
    if (error != ERROR_SUCCESS) {
        Sys().unlink(path.c_str());
        DiscardObjectFile(file);
        return error;
    }
    out = file;
    return ERROR_SUCCESS;
}

DWORD CreateUnnamedFile(Kind kind, std::uint64_t dataBytes, const HeaderInit& init,
                        ObjectFile& out) {
    FolderLock folder;  // for the folder's creation; the file itself is never named
    if (!folder.Held()) return folder.Error();
    ObjectFile file;
    file.dataFd = Sys().open(KernelDirectory().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file.dataFd < 0) {
        // Without O_TMPFILE: a name of the folder's own kind, gone again at once.
        std::string path = FolderPath(".unnamed." + std::to_string(getpid()));
        file.dataFd = Sys().open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0600);
        if (file.dataFd < 0) return ErrorFromErrno(errno);
        Sys().unlink(path.c_str());
    }
    DWORD error = InitFile(file.dataFd, std::string(), kind, dataBytes, init, file);
    if (error != ERROR_SUCCESS) {
        DiscardObjectFile(file);
        return error;
    }
    out = file;
    return ERROR_SUCCESS;
}

void ReleaseObjectFile(const FolderLock& folder, const std::string& key, ObjectFile& file) {
    CloseFd(file.lockFd);
    CloseFd(file.dataFd);
    if (key.empty() || !folder.Held()) return;
    std::string path = FolderPath(FileNameFor(key));
    int fd = Sys().open(path.c_str(), O_RDONLY | kOpenFlags, 0);
    if (fd < 0) return;
    if (!HasHolder(fd)) Sys().unlink(path.c_str());
    Sys().close(fd);
}

void DiscardObjectFile(ObjectFile& file) {
    if (file.header != nullptr) Sys().munmap(file.header, kHeaderBytes);
    file.header = nullptr;
    CloseFd(file.lockFd);
    CloseFd(file.dataFd);
}

int CollectStale(const FolderLock& folder) {
    if (!folder.Held()) return 0;
    DIR* dir = opendir(KernelDirectory().c_str());
    if (dir == nullptr) return 0;
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);

    int removed = 0;
    for (const std::string& name : names) {
        if (name == "." || name == "..") continue;
        if (IsDeleteOnCloseRecord(name)) {
            removed += CollectDeleteOnClose(folder, name);
            continue;
        }
        std::string path = FolderPath(name);
        if (name.compare(0, 9, ".unnamed.") == 0) {
            removed += Sys().unlink(path.c_str()) == 0 ? 1 : 0;
            continue;
        }
        if (name[0] == '.') continue;
        int fd = Sys().open(path.c_str(), O_RDONLY | kOpenFlags, 0);
        if (fd < 0) continue;
        if (!HasHolder(fd) && Sys().unlink(path.c_str()) == 0) ++removed;
        Sys().close(fd);
    }
    return removed;
}

void MaybeCollect(const FolderLock& folder, bool creating) {
    static std::atomic<std::int64_t> lastRun{-1};
    std::int64_t last = lastRun.load(std::memory_order_relaxed);
    std::int64_t now = NowMs();
    bool due = last < 0 || (creating && now - last >= 1000);
    if (due && lastRun.compare_exchange_strong(last, now)) CollectStale(folder);
}

}  // namespace kernel

int CollectKernelObjects() {
    kernel::FolderLock folder;
    if (!folder.Held()) {
        SetLastError(folder.Error());
        return 0;
    }
    return kernel::CollectStale(folder);
}

}  // namespace win::posix
