// SPDX-License-Identifier: Apache-2.0
// Views of file mappings: MapViewOfFile, UnmapViewOfFile, and what VirtualQuery tells of them.
//
// A view is an mmap of the mapping's object file (over the paging file) or of the mapped file,
// shared, or private for a copy-on-write view. The process keeps a record of each view: its
// extent and protection, and for a file's view the mapping it shares its use of the file with,
// which keeps the file's delete-on-close record and share rules alive as long as the view.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/FileHandles.h"
#include "Platform/posix/kernel/Access.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Registry.h"
#include "Platform/posix/memory/Memory.h"
#include "Platform/posix/memory/Protection.h"

#include <sys/file.h>
#include <sys/mman.h>

#include <cerrno>
#include <map>
#include <vector>

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint64_t kGranularity = 65536;  // view offsets are multiples of this, as on Windows
constexpr std::uintptr_t kPageBytes = 4096;
constexpr DWORD kFileMapExecute = 0x20;
constexpr DWORD kErrorBadLength = 24;

struct View {
    std::size_t length;
    DWORD protect;         // PAGE_NOACCESS, PAGE_READONLY, PAGE_READWRITE or PAGE_WRITECOPY
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

std::uintptr_t PageEnd(std::uintptr_t base, std::size_t length) {
    return (base + length + kPageBytes - 1) & ~(kPageBytes - 1);
}

// The view that holds `address`, with the views' lock held; end() for none.
std::map<std::uintptr_t, View>::iterator ViewHolding(Views& views, std::uintptr_t address) {
    auto it = views.byBase.upper_bound(address);  // the first view above the address
    if (it == views.byBase.begin()) return views.byBase.end();
    --it;
    return address < PageEnd(it->first, it->second.length) ? it : views.byBase.end();
}

// The protection of a view asked for with `access`: FILE_MAP_COPY alone is copy-on-write, else
// writing or reading, else no access at all.
DWORD ViewProtection(DWORD access) {
    if (access == FILE_MAP_COPY) return PAGE_WRITECOPY;
    if ((access & FILE_MAP_WRITE) != 0) return PAGE_READWRITE;
    if ((access & FILE_MAP_READ) != 0) return PAGE_READONLY;
    return PAGE_NOACCESS;
}

// The rights a handle needs for a view of `protect`, as Windows' section rights go: reading (also
// for no access), writing, copying (SECTION_QUERY, which FILE_MAP_COPY is), and running.
DWORD NeededRights(DWORD protect, bool execute) {
    DWORD needed = protect == PAGE_READWRITE   ? kSectionMapWrite
                   : protect == PAGE_WRITECOPY ? kSectionQuery
                                               : kSectionMapRead;
    return needed | (execute ? kSectionMapExecute : 0);
}

// Checks a view request against the handle's rights and the mapping; its length on success.
DWORD CheckView(const HandleRef& ref, const KernelObject& object, DWORD access,
                std::uint64_t offset, std::uint64_t bytes, std::uint64_t& length) {
    DWORD protect = ViewProtection(access);
    bool execute = (access & kFileMapExecute) != 0;
    if (!Allows(ref.access, NeededRights(protect, execute))) return ERROR_ACCESS_DENIED;
    if (protect == PAGE_READWRITE && !Writable(object.protect)) return ERROR_ACCESS_DENIED;
    if (execute && !Executable(object.protect)) return ERROR_ACCESS_DENIED;
    if (offset % kGranularity != 0) return ERROR_MAPPED_ALIGNMENT;
    if (offset >= object.size) return ERROR_ACCESS_DENIED;
    length = bytes == 0 ? object.size - offset : bytes;
    if (length > object.size - offset) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

int HostProtection(DWORD protect) {
    switch (protect) {
        case PAGE_NOACCESS:
            return PROT_NONE;
        case PAGE_READONLY:
            return PROT_READ;
        default:
            return PROT_READ | PROT_WRITE;
    }
}

// With the registry lock held.
void* MapView(KernelObject& object, DWORD protect, std::uint64_t offset, std::uint64_t length) {
    View view{static_cast<std::size_t>(length), protect, object.fileBacked ? &object : nullptr};
    int fd = object.fileBacked ? object.fileUseFd : object.file.dataFd;
    off_t at = static_cast<off_t>(object.fileBacked ? offset : kHeaderBytes + offset);
    int opened = fd < 0 ? ReopenObjectData(object) : -1;
    if (fd < 0 && (fd = opened) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    int share = protect == PAGE_WRITECOPY ? MAP_PRIVATE : MAP_SHARED;
    void* base = Sys().mmap(nullptr, view.length, HostProtection(protect), share, fd, at);
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

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                     DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
    std::lock_guard<std::mutex> hold(RegistryLock());
    HandleRef ref;
    if (!LookupHandle(hFileMappingObject, ref) || ref.kind != HandleKind::kSection) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto& object = *static_cast<KernelObject*>(ref.target);
    std::uint64_t offset = (static_cast<std::uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    std::uint64_t length = 0;
    DWORD error = CheckView(ref, object, dwDesiredAccess, offset, dwNumberOfBytesToMap, length);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    return MapView(object, ViewProtection(dwDesiredAccess), offset, length);
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::uintptr_t base;
    View view;
    {
        Views& views = TheViews();
        std::lock_guard<std::mutex> hold(views.lock);
        auto it = ViewHolding(views, reinterpret_cast<std::uintptr_t>(lpBaseAddress));
        if (it == views.byBase.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        base = it->first;
        view = it->second;
        views.byBase.erase(it);
    }
    Sys().munmap(reinterpret_cast<void*>(base), view.length);
    if (view.object != nullptr) {
        std::lock_guard<std::mutex> registry(RegistryLock());
        ReleaseView(view.object);
    }
    return TRUE;
}

SIZE_T VirtualQuery(LPCVOID lpAddress, PMEMORY_BASIC_INFORMATION lpBuffer, SIZE_T dwLength) {
    if (dwLength < sizeof *lpBuffer) {
        SetLastError(kErrorBadLength);
        return 0;
    }
    if (lpBuffer == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return 0;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(lpAddress);
    Views& views = TheViews();
    std::lock_guard<std::mutex> hold(views.lock);
    auto it = ViewHolding(views, address);
    if (it == views.byBase.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::uintptr_t page = address & ~(kPageBytes - 1);
    *lpBuffer = MEMORY_BASIC_INFORMATION{};
    lpBuffer->BaseAddress = reinterpret_cast<LPVOID>(page);
    lpBuffer->AllocationBase = reinterpret_cast<LPVOID>(it->first);
    lpBuffer->AllocationProtect = it->second.protect;
    lpBuffer->RegionSize = PageEnd(it->first, it->second.length) - page;
    lpBuffer->State = MEM_COMMIT;
    lpBuffer->Protect = it->second.protect;
    lpBuffer->Type = MEM_MAPPED;
    return sizeof *lpBuffer;
}

}  // namespace win
