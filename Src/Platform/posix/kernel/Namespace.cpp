// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/kernel/Namespace.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/kernel/KernelObjects.h"

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
namespace kernel {
namespace {

constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW;

void CloseFd(int& fd) {
    if (fd >= 0) Sys().close(fd);
    fd = -1;
}

ObjectHeader* MapHeader(int fd) {
    void* p = Sys().mmap(nullptr, kHeaderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<ObjectHeader*>(p);
}

// Once the header is mapped, only a mapping still needs a description of the file (its views
// are mapped from it); a mutex or an event keeps none, which spares a descriptor per handle.
void DropUnneededData(ObjectFile& file, Kind kind) {
    if (kind == Kind::kSection || file.dataFd < 0) return;
    Sys().close(file.dataFd);
    file.dataFd = -1;
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

// Fills a new object file, sized already unless `size` is set; the magic goes last.
DWORD InitFile(int fd, const std::string& key, Kind kind, std::uint64_t dataBytes, bool size,
               const HeaderInit& init, ObjectFile& out) {
    DWORD error = size ? SizeFile(fd, kHeaderBytes + dataBytes) : ERROR_SUCCESS;
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

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A new object's file, sized before the folder is locked: an unnamed file in the folder that the
// create links to its name. Without O_TMPFILE, -1: the create then sizes its file under the lock.
struct Reservation {
    int fd = -1;
    ~Reservation() { CloseFd(fd); }
};

DWORD Reserve(std::uint64_t dataBytes, Reservation& out) {
    FolderLock folder(false);
    if (folder.Fd() < 0) return folder.Error();
    int fd = Sys().openat(folder.Fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return ERROR_SUCCESS;
    DWORD error = SizeFile(fd, kHeaderBytes + dataBytes);
    if (error != ERROR_SUCCESS) {
        Sys().close(fd);
        return error;
    }
    out.fd = fd;
    return ERROR_SUCCESS;
}

// With the folder held: opens the live object `key`. ERROR_FILE_NOT_FOUND when there is none (a
// stale file is removed on the way).
DWORD OpenObjectFile(const FolderLock& folder, const std::string& key, Kind kind, ObjectFile& out) {
    std::string name = FileNameFor(key);
    int fd = Sys().openat(folder.Fd(), name.c_str(), O_RDWR | kOpenFlags, 0);
    if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno);
    if (!HasHolder(fd)) {
        // Its holders are gone (killed, or died while creating it): the name is free.
        Sys().unlinkat(folder.Fd(), name.c_str(), 0);
        Sys().close(fd);
        return ERROR_FILE_NOT_FOUND;
    }
    ObjectFile file;
    file.lockFd = fd;
    DWORD error = ERROR_SUCCESS;
    if (Sys().flock(fd, LOCK_SH | LOCK_NB) != 0) {
        error = ErrorFromErrno(errno);
    } else if ((file.dataFd = Sys().openat(folder.Fd(), name.c_str(), O_RDWR | kOpenFlags, 0)) <
               0) {
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
    DropUnneededData(file, kind);
    out = file;
    return ERROR_SUCCESS;
}

// With the folder held: the file of a new object `key`, named; the reserved file when there is one.
int NameNewFile(const FolderLock& folder, const std::string& name, Reservation& reserved) {
    if (reserved.fd < 0) {
        return Sys().openat(folder.Fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags,
                            0600);
    }
    if (LinkUnnamed(reserved.fd, folder.Fd(), name.c_str()) != 0) return -1;
    int fd = reserved.fd;
    reserved.fd = -1;
    return fd;
}

// With the folder held: creates object `key` with `dataBytes` (a multiple of the page size) after
// the header, zero-filled. On failure nothing is left in the folder.
DWORD CreateObjectFile(const FolderLock& folder, const std::string& key, Kind kind,
                       const CreateRequest& create, Reservation& reserved, ObjectFile& out) {
    std::string name = FileNameFor(key);
    bool sized = reserved.fd >= 0;
    ObjectFile file;
    file.lockFd = NameNewFile(folder, name, reserved);
    if (file.lockFd < 0) return ErrorFromErrno(errno);
    DWORD error = ERROR_SUCCESS;
    if (Sys().flock(file.lockFd, LOCK_SH | LOCK_NB) != 0) {
        error = ErrorFromErrno(errno);
    } else if ((file.dataFd = Sys().openat(folder.Fd(), name.c_str(), O_RDWR | kOpenFlags, 0)) <
               0) {
        error = ErrorFromErrno(errno);
    } else {
        error = InitFile(file.dataFd, key, kind, create.dataBytes, !sized, create.init, file);
    }
    if (error != ERROR_SUCCESS) {
        Sys().unlinkat(folder.Fd(), name.c_str(), 0);
        DiscardObjectFile(file);
        return error;
    }
    DropUnneededData(file, kind);
    out = file;
    return ERROR_SUCCESS;
}

// With the folder held: gives up the hold on `key` and removes its file when no other process
// holds it.
void GiveUp(const FolderLock& folder, const std::string& key, ObjectFile& file) {
    CloseFd(file.lockFd);
    CloseFd(file.dataFd);
    std::string name = FileNameFor(key);
    int fd = Sys().openat(folder.Fd(), name.c_str(), O_RDONLY | kOpenFlags, 0);
    if (fd < 0) return;
    if (!HasHolder(fd)) Sys().unlinkat(folder.Fd(), name.c_str(), 0);
    Sys().close(fd);
}

// Under the folder lock: opens `key`, or creates it (from `reserved` if that has a file) when
// `create` is given and there is no such object.
DWORD OpenOrCreate(const std::string& key, Kind kind, const CreateRequest* create,
                   Reservation& reserved, const SetUp& setUp, ObjectFile& out, bool& existed) {
    FolderLock folder;
    if (!folder.Held()) return folder.Error();
    MaybeCollect(folder, create != nullptr);
    ObjectFile file;
    DWORD error = OpenObjectFile(folder, key, kind, file);
    existed = error == ERROR_SUCCESS;
    if (error == ERROR_FILE_NOT_FOUND && create != nullptr) {
        error = CreateObjectFile(folder, key, kind, *create, reserved, file);
    }
    if (error == ERROR_SUCCESS && setUp) {
        error = setUp(file);
        if (error != ERROR_SUCCESS) {
            GiveUp(folder, key, file);
            DiscardObjectFile(file);
        }
    }
    if (error == ERROR_SUCCESS) out = file;
    return error;
}

}  // namespace

bool HasHolder(int fd) { return Sys().flock(fd, LOCK_EX | LOCK_NB) != 0; }

DWORD AcquireObjectFile(const std::string& key, Kind kind, const CreateRequest* create,
                        const SetUp& setUp, ObjectFile& out, bool& existed) {
    Reservation reserved;
    // A mapping's pages are reserved outside the lock: the name is looked up first, the pages
    // reserved if it is free, and the name looked up again before the new object takes it.
    bool reserve = create != nullptr && create->dataBytes > 0;
    DWORD error =
        OpenOrCreate(key, kind, reserve ? nullptr : create, reserved, setUp, out, existed);
    if (!reserve || error != ERROR_FILE_NOT_FOUND) return error;
    if ((error = Reserve(create->dataBytes, reserved)) != ERROR_SUCCESS) return error;
    return OpenOrCreate(key, kind, create, reserved, setUp, out, existed);
}

DWORD CreateUnnamedFile(Kind kind, std::uint64_t dataBytes, const HeaderInit& init,
                        ObjectFile& out) {
    FolderLock folder(false);  // the file itself is never named: the folder is not locked
    if (folder.Fd() < 0) return folder.Error();
    ObjectFile file;
    file.dataFd = Sys().openat(folder.Fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file.dataFd < 0) {
        // Without O_TMPFILE: a name of the folder's own kind, gone again at once.
        std::string name = ".unnamed." + std::to_string(getpid());
        file.dataFd =
            Sys().openat(folder.Fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0600);
        if (file.dataFd < 0) return ErrorFromErrno(errno);
        Sys().unlinkat(folder.Fd(), name.c_str(), 0);
    }
    DWORD error = InitFile(file.dataFd, std::string(), kind, dataBytes, true, init, file);
    if (error != ERROR_SUCCESS) {
        DiscardObjectFile(file);
        return error;
    }
    DropUnneededData(file, kind);
    out = file;
    return ERROR_SUCCESS;
}

void ReleaseObjectFile(const std::string& key, ObjectFile& file) {
    CloseFd(file.lockFd);
    CloseFd(file.dataFd);
    if (key.empty()) return;
    FolderLock folder;
    if (folder.Held()) GiveUp(folder, key, file);
}

void DiscardObjectFile(ObjectFile& file) {
    if (file.header != nullptr) Sys().munmap(file.header, kHeaderBytes);
    file.header = nullptr;
    CloseFd(file.lockFd);
    CloseFd(file.dataFd);
}

namespace {
std::atomic<Sweep> g_sweep{nullptr};  // constant-initialised: set from a static initialiser
}  // namespace

void SetSweep(Sweep sweep) { g_sweep.store(sweep, std::memory_order_release); }

void MaybeCollect(const FolderLock& folder, bool creating) {
    static std::atomic<std::int64_t> lastRun{-1};
    std::int64_t last = lastRun.load(std::memory_order_relaxed);
    std::int64_t now = NowMs();
    bool due = last < 0 || (creating && now - last >= 1000);
    Sweep sweep = g_sweep.load(std::memory_order_acquire);
    if (due && sweep != nullptr && lastRun.compare_exchange_strong(last, now)) sweep(folder);
}

std::vector<std::string> FolderNames(int dirFd) {
    std::vector<std::string> names;
    int fd = Sys().openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0) Sys().close(fd);
        return names;
    }
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

}  // namespace kernel

}  // namespace win::posix
