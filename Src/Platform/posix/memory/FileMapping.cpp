// File mappings and their views.
//
// A mapping over the paging file keeps its bytes in its object file, after the header; a mapping
// over a file records the file's host path and identity in the header, and every process that
// holds the mapping keeps a use of that file (FileHandles.h), which its views in that process
// share: they are mapped from the use's description, and the use lasts until the last handle and
// the last view are gone. Views are mmaps of those files, shared between processes, so writes are
// seen at once everywhere.
//
// Descriptors: a mapping over a file takes two per process (the name's hold and the use of the
// file), a named mapping over the paging file one (its views are mapped from a description opened
// for the call and closed again), whatever the number of views.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/FileHandles.h"
#include "Platform/posix/kernel/ByName.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Registry.h"
#include "Platform/posix/memory/Memory.h"

#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <vector>

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint64_t kGranularity = 65536;  // view offsets are multiples of this, as on Windows
constexpr std::uint64_t kPageBytes = 4096;
constexpr std::uint64_t kMaxSectionBytes = 1ULL << 46;
constexpr DWORD kPageExecuteRead = 0x20;
constexpr DWORD kPageExecuteReadWrite = 0x40;
constexpr DWORD kPageExecuteWriteCopy = 0x80;
constexpr DWORD kSectionFlags =
    SEC_COMMIT | SEC_RESERVE | 0x10000000UL /* SEC_NOCACHE */ | 0x40000000UL /* SEC_WRITECOMBINE */;

struct View {
    std::size_t length;
    KernelObject* object;  // a mapping over a file, whose use the view shares; else null
};

struct Views {
    std::mutex lock;
    std::map<std::uintptr_t, View> byBase;
};

Views& TheViews() {
    static Views* views = new Views;
    return *views;
}

// The protection without its section flags; false for values Windows refuses.
bool BaseProtection(DWORD protect, DWORD& base) {
    base = protect & 0xFFUL;
    if ((protect & ~0xFFUL & ~kSectionFlags) != 0) return false;
    switch (base) {
        case PAGE_READONLY:
        case PAGE_READWRITE:
        case PAGE_WRITECOPY:
        case kPageExecuteRead:
        case kPageExecuteReadWrite:
        case kPageExecuteWriteCopy:
            return true;
        default:
            return false;
    }
}

bool Writable(DWORD base) { return base == PAGE_READWRITE || base == kPageExecuteReadWrite; }
bool CopyAllowed(DWORD base) {
    return Writable(base) || base == PAGE_WRITECOPY || base == kPageExecuteWriteCopy;
}

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Sets the thread's error and gives the null handle or view address of a failed call.
void* Refuse(DWORD error) {
    SetLastError(error);
    return nullptr;
}

// A new description of a named object's file, for mapping a view: the descriptor that holds the
// name reopened through /proc, which reaches that very file. -1 without /proc.
int ReopenData(const KernelObject& object) {
    if (object.file.lockFd < 0) return -1;
    char path[48];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", object.file.lockFd);
    return Sys().open(path, O_RDWR | O_CLOEXEC, 0);
}

// A named mapping over the paging file keeps no description for its views when one can be
// opened for each; an unnamed one, which /proc may not reach, keeps its own.
void DropDataWhenReopenable(KernelObject& object) {
    int probe = ReopenData(object);
    if (probe < 0) return;
    Sys().close(probe);
    Sys().close(object.file.dataFd);
    object.file.dataFd = -1;
}

// This process's view of the object's header: size, protection, and the use of a mapped file.
DWORD AttachSection(KernelObject& object) {
    const ObjectHeader& header = *object.file.header;
    object.size = header.size;
    object.protect = header.protect;
    object.fileBacked = header.backing == static_cast<std::uint32_t>(Backing::kFile);
    if (!object.fileBacked) {
        DropDataWhenReopenable(object);
        return ERROR_SUCCESS;
    }
    // The views map the file itself, from the use below: the object file's data is not needed.
    Sys().close(object.file.dataFd);
    object.file.dataFd = -1;
    object.filePath.assign(header.path, std::min<std::size_t>(header.pathLength, kPathCapacity));
    object.fileDevice = static_cast<dev_t>(header.fileDevice);
    object.fileInode = static_cast<ino_t>(header.fileInode);
    DWORD error;
    object.fileUseFd = OpenFileUse(object.filePath, object.fileDevice, object.fileInode,
                                   Writable(object.protect), error);
    return object.fileUseFd < 0 ? error : ERROR_SUCCESS;
}

// Grows the file to `size` with its blocks reserved, so that a full disk fails the mapping here
// instead of killing the process (SIGBUS) at its first write to a view. A file system without
// preallocation only gets the size.
DWORD GrowFile(int fd, std::uint64_t size) {
    auto length = static_cast<off_t>(size);
    int rc = Sys().fallocate(fd, 0, 0, length);
    if (rc != 0 && (errno == EOPNOTSUPP || errno == ENOSYS)) rc = Sys().ftruncate(fd, length);
    if (rc == 0) return ERROR_SUCCESS;
    return errno == ENOSPC || errno == EFBIG ? ERROR_DISK_FULL : ErrorFromErrno(errno);
}

// A new mapping over `file`: takes the file's size when none is asked, grows it otherwise.
DWORD InitFileSection(ObjectHeader& header, const FileHandle& file, DWORD base,
                      std::uint64_t size) {
    struct stat st;
    if (Sys().fstat(file.fd, &st) != 0) return ErrorFromErrno(errno);
    auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (size == 0) size = fileSize;
    if (size == 0) return ERROR_FILE_INVALID;
    if (size > kMaxSectionBytes) return ERROR_NOT_ENOUGH_MEMORY;
    if (size > fileSize) {
        if (!Writable(base)) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD error = GrowFile(file.fd, size);
        if (error != ERROR_SUCCESS) return error;
    }
    if (file.hostPath.size() > kPathCapacity) return ERROR_FILENAME_EXCED_RANGE;
    header.size = size;
    header.protect = base;
    header.backing = static_cast<std::uint32_t>(Backing::kFile);
    header.pathLength = static_cast<std::uint32_t>(file.hostPath.size());
    std::memcpy(header.path, file.hostPath.data(), file.hostPath.size());
    header.fileDevice = st.st_dev;
    header.fileInode = st.st_ino;
    return ERROR_SUCCESS;
}

// The file handle a mapping is asked over, checked against the protection.
DWORD SectionFile(HANDLE hFile, DWORD base, FileHandle*& file) {
    HandleRef ref;
    if (!LookupHandle(hFile, ref) || ref.kind != HandleKind::kFile) return ERROR_INVALID_HANDLE;
    file = static_cast<FileHandle*>(ref.target);
    bool canRead = (file->access & (GENERIC_READ | GENERIC_ALL)) != 0;
    bool canWrite = (file->access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    if (!canRead || (Writable(base) && !canWrite)) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// How to make the mapping if its name is new.
DWORD SectionRequest(FileHandle* file, DWORD base, std::uint64_t size, CreateRequest& request) {
    if (file != nullptr) {
        request.init = [file, base, size](ObjectHeader& h) {
            return InitFileSection(h, *file, base, size);
        };
        return ERROR_SUCCESS;
    }
    if (size == 0) return ERROR_INVALID_PARAMETER;
    if (size > kMaxSectionBytes) return ERROR_NOT_ENOUGH_MEMORY;
    request.dataBytes = RoundUp(size, kPageBytes);
    request.init = [base, size](ObjectHeader& h) {
        h.size = size;
        h.protect = base;
        h.backing = static_cast<std::uint32_t>(Backing::kPagingFile);
        return ERROR_SUCCESS;
    };
    return ERROR_SUCCESS;
}

// Checks a view request against the handle's rights and the mapping; its length on success.
DWORD CheckView(const HandleRef& ref, const KernelObject& object, DWORD access,
                std::uint64_t offset, std::uint64_t bytes, std::uint64_t& length) {
    DWORD asked = access & (FILE_MAP_READ | FILE_MAP_WRITE | FILE_MAP_COPY);
    if (asked == 0) return ERROR_INVALID_PARAMETER;
    if ((ref.access & asked) != asked) return ERROR_ACCESS_DENIED;
    bool copy = access == FILE_MAP_COPY;
    if ((access & FILE_MAP_WRITE) != 0 && !Writable(object.protect)) return ERROR_ACCESS_DENIED;
    if (copy && !CopyAllowed(object.protect)) return ERROR_ACCESS_DENIED;
    if (offset % kGranularity != 0) return ERROR_MAPPED_ALIGNMENT;
    if (offset >= object.size) return ERROR_ACCESS_DENIED;
    length = bytes == 0 ? object.size - offset : bytes;
    if (length > object.size - offset) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// With the registry lock held.
void* MapView(KernelObject& object, DWORD access, std::uint64_t offset, std::uint64_t length) {
    bool copy = access == FILE_MAP_COPY;
    bool write = (access & FILE_MAP_WRITE) != 0;
    View view{static_cast<std::size_t>(length), object.fileBacked ? &object : nullptr};
    int fd = object.fileBacked ? object.fileUseFd : object.file.dataFd;
    off_t at = static_cast<off_t>(object.fileBacked ? offset : kHeaderBytes + offset);
    int opened = fd < 0 ? ReopenData(object) : -1;
    if (fd < 0 && (fd = opened) < 0) return Refuse(ErrorFromErrno(errno));
    int prot = PROT_READ | (write || copy ? PROT_WRITE : 0);
    void* base = Sys().mmap(nullptr, view.length, prot, copy ? MAP_PRIVATE : MAP_SHARED, fd, at);
    int err = errno;
    if (opened >= 0) Sys().close(opened);  // the view keeps its description itself
    if (base == MAP_FAILED) {
        SetLastError(err == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ErrorFromErrno(err));
        return nullptr;
    }
    if (view.object != nullptr) ++object.views;
    Views& views = TheViews();
    std::lock_guard<std::mutex> hold(views.lock);
    views.byBase[reinterpret_cast<std::uintptr_t>(base)] = view;
    return base;
}

constexpr ObjectType kSectionType{Kind::kSection, HandleKind::kSection, AttachSection};

// At the process's end, the mappings whose views outlive their handles give up their uses of
// their files, so that a delete-on-close file goes now rather than at a later collection. The
// views stay mapped for threads still running. Runs with the registry lock held (every unload
// step does).
void ReleaseViewsAtExit() {
    std::vector<std::pair<dev_t, ino_t>> released;
    {
        Views& views = TheViews();
        std::lock_guard<std::mutex> hold(views.lock);
        for (auto& [base, view] : views.byBase) {
            KernelObject* object = view.object;
            if (object == nullptr || object->fileUseFd < 0) continue;
            Sys().flock(object->fileUseFd, LOCK_UN);
            Sys().close(object->fileUseFd);
            object->fileUseFd = -1;
            released.emplace_back(object->fileDevice, object->fileInode);
        }
    }
    for (const auto& [device, inode] : released) ReleaseFileUse(device, inode);
}

// At unload, once every handle is closed: the views' file uses end (the views stay mapped).
const bool kViewsReleasedAtUnload =
    (AddUnloadStep(UnloadPhase::kAfterClose, ReleaseViewsAtExit), true);

}  // namespace

}  // namespace posix::kernel

using namespace posix::kernel;
using posix::Sys;

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                          DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
    DWORD base;
    if (!BaseProtection(flProtect, base)) return Refuse(ERROR_INVALID_PARAMETER);
    std::uint64_t size = (static_cast<std::uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    auto prepare = [hFile, base, size](CreateRequest& request) {
        FileHandle* file = nullptr;
        DWORD error;
        if (hFile != INVALID_HANDLE_VALUE && (error = SectionFile(hFile, base, file)) != 0) {
            return error;
        }
        return SectionRequest(file, base, size, request);
    };
    return CreateByName(kSectionType, lpName, prepare, FILE_MAP_ALL_ACCESS);
}

HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenByName(kSectionType, lpName, dwDesiredAccess);
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                     DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
    std::lock_guard<std::mutex> hold(RegistryLock());
    HandleRef ref;
    if (!LookupHandle(hFileMappingObject, ref) || ref.kind != HandleKind::kSection) {
        return Refuse(ERROR_INVALID_HANDLE);
    }
    auto& object = *static_cast<KernelObject*>(ref.target);
    std::uint64_t offset = (static_cast<std::uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    std::uint64_t length = 0;
    DWORD error = CheckView(ref, object, dwDesiredAccess, offset, dwNumberOfBytesToMap, length);
    if (error != ERROR_SUCCESS) return Refuse(error);
    return MapView(object, dwDesiredAccess, offset, length);
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    View view;
    {
        Views& views = TheViews();
        std::lock_guard<std::mutex> hold(views.lock);
        auto it = views.byBase.find(reinterpret_cast<std::uintptr_t>(lpBaseAddress));
        if (it == views.byBase.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        view = it->second;
        views.byBase.erase(it);
    }
    Sys().munmap(const_cast<void*>(lpBaseAddress), view.length);
    if (view.object != nullptr) {
        std::lock_guard<std::mutex> registry(RegistryLock());
        ReleaseView(view.object);
    }
    return TRUE;
}

SIZE_T VirtualQuery(LPCVOID lpAddress, PMEMORY_BASIC_INFORMATION lpBuffer, SIZE_T dwLength) {
    if (lpBuffer == nullptr || dwLength < sizeof *lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(lpAddress);
    Views& views = TheViews();
    std::lock_guard<std::mutex> hold(views.lock);
    auto it = views.byBase.upper_bound(address);  // the first view above the address
    if (it == views.byBase.begin() || address >= (--it)->first + it->second.length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::uintptr_t page = address & ~(kPageBytes - 1);
    const std::uintptr_t end = (it->first + it->second.length + kPageBytes - 1) & ~(kPageBytes - 1);
    *lpBuffer = MEMORY_BASIC_INFORMATION{};
    lpBuffer->BaseAddress = reinterpret_cast<LPVOID>(page);
    lpBuffer->AllocationBase = reinterpret_cast<LPVOID>(it->first);
    lpBuffer->RegionSize = end - page;
    lpBuffer->State = MEM_COMMIT;
    lpBuffer->Type = MEM_MAPPED;
    return sizeof *lpBuffer;
}

}  // namespace win
