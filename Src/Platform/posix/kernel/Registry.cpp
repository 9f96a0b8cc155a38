// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/kernel/Registry.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/kernel/DeleteOnClose.h"
#include "Platform/posix/kernel/KernelObjects.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <new>
#include <unordered_map>

namespace win::posix::kernel {
namespace {

// Records whose last handle closed stay this many closes in the queue before they may be freed,
// so that a thread that looked a handle up just before another closed it finds memory in place.
constexpr std::size_t kRetiredDepth = 16;

struct Registry {
    std::unordered_map<std::string, KernelObject*> named;
    std::deque<KernelObject*> retired;
    bool exiting = false;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // never destroyed, like the handle table
    return *registry;
}

// The cache of the process id where no page can be wiped on fork.
std::atomic<int> g_pidFallback{0};

void ResetIdsInChild() {
    g_pidFallback.store(0, std::memory_order_relaxed);
    t_tidPid = 0;
}

// A page of its own that every fork leaves zeroed in the child (MADV_WIPEONFORK).
std::atomic<int>* WipedOnFork() {
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return &g_pidFallback;
    if (madvise(page, 4096, MADV_WIPEONFORK) != 0) {
        munmap(page, 4096);
        return &g_pidFallback;
    }
    return new (page) std::atomic<int>(0);
}

bool IsOwnedHere(const KernelObject& object) {
    if (object.kind != Kind::kMutex || object.file.header == nullptr) return false;
    const RobustLock& lock = object.file.header->lock;
    return RobustLockOwner(lock) != 0 &&
           lock.ownerPid.load(std::memory_order_relaxed) == CurrentPid();
}

void Free(KernelObject* object) {
    DiscardObjectFile(object->file);
    delete object;
}

// With the registry lock held. The memory of a mutex or event must outlive every thread of the
// process that may still touch it: one that looked it up, waits on it, or owns it (an owned lock
// is an entry of its owner thread's robust list, which the kernel and the C library walk).
void Retire(Registry& registry, KernelObject* object) {
    if (object->kind == Kind::kSection) {
        Free(object);
        return;
    }
    registry.retired.push_back(object);
    if (registry.exiting) return;
    for (std::size_t i = 0;
         registry.retired.size() > kRetiredDepth && i < registry.retired.size() - kRetiredDepth;) {
        KernelObject* old = registry.retired[i];
        if (old->waiters.load(std::memory_order_acquire) == 0 && !IsOwnedHere(*old)) {
            registry.retired.erase(registry.retired.begin() + static_cast<long>(i));
            Free(old);
        } else {
            ++i;
        }
    }
}

void GiveUpFile(KernelObject& object) {
    if (object.fileUseFd < 0) return;
    Sys().close(object.fileUseFd);
    object.fileUseFd = -1;
    ReleaseFileUse(object.fileDevice, object.fileInode);
}

// With the registry lock held: the record of an object just opened or created, with its first
// handle.
DWORD AdoptFile(Registry& registry, const std::string& key, KernelObject* object,
                KernelObject*& out) {
    object->handles = 1;
    if (!key.empty()) registry.named[key] = object;
    out = object;
    return ERROR_SUCCESS;
}

// At unload, before the handles close: objects released from now on are freed at once.
void MarkExiting() { TheRegistry().exiting = true; }

void ReleaseTarget(void* target) { ReleaseObject(static_cast<KernelObject*>(target)); }

// Closing a handle of a mutex, an event or a mapping releases the object.
const bool kClosersSet = [] {
    SetCloser(HandleKind::kMutex, ReleaseTarget);
    SetCloser(HandleKind::kEvent, ReleaseTarget);
    SetCloser(HandleKind::kSection, ReleaseTarget);
    AddUnloadStep(UnloadPhase::kBeforeClose, MarkExiting);
    return true;
}();

}  // namespace

std::mutex& RegistryLock() { return HandleLock(); }

std::atomic<std::atomic<int>*> g_pidSlot{&g_pidFallback};
__attribute__((tls_model("initial-exec"))) __thread int t_tid = 0;
__attribute__((tls_model("initial-exec"))) __thread int t_tidPid = 0;

int LoadPid() {
    static std::atomic<int>* const slot = WipedOnFork();  // once per program, kept by children
    g_pidSlot.store(slot, std::memory_order_release);
    int pid = static_cast<int>(getpid());
    slot->store(pid, std::memory_order_relaxed);
    return pid;
}

int LoadTid(int pid) {
    t_tid = static_cast<int>(syscall(SYS_gettid));
    t_tidPid = pid;
    return t_tid;
}

void EnsureExitCleanup() {
    static const bool registered = [] {
        pthread_atfork(nullptr, nullptr, ResetIdsInChild);
        EnsureCloseAtUnload();
        return true;
    }();
    (void)registered;
}

DWORD AcquireNamed(const std::string& key, Kind kind, const CreateRequest* create,
                   const Attach& attach, KernelObject*& out, bool& existed) {
    Registry& registry = TheRegistry();
    EnsureExitCleanup();
    auto it = registry.named.find(key);
    if (it != registry.named.end()) {
        // Held here already: the object cannot have gone meanwhile.
        if (it->second->kind != kind) return ERROR_INVALID_HANDLE;
        ++it->second->handles;
        existed = true;
        out = it->second;
        return ERROR_SUCCESS;
    }
    auto* object = new KernelObject;
    object->kind = kind;
    object->key = key;
    // Set up while the folder is held, so that no other process's last close of a mapped file
    // comes between the open of the mapping and this process's use of the file.
    auto setUp = [&](ObjectFile& file) {
        object->file = file;
        DWORD error = attach ? attach(*object) : ERROR_SUCCESS;
        file = object->file;  // what the set-up closed is closed for the caller too
        return error;
    };
    DWORD error = AcquireObjectFile(key, kind, create, setUp, object->file, existed);
    if (error != ERROR_SUCCESS) {
        delete object;
        return error;
    }
    return AdoptFile(registry, key, object, out);
}

DWORD AcquireUnnamed(Kind kind, const CreateRequest& create, const Attach& attach,
                     KernelObject*& out) {
    EnsureExitCleanup();
    auto* object = new KernelObject;
    object->kind = kind;
    DWORD error = CreateUnnamedFile(kind, create.dataBytes, create.init, object->file);
    if (error == ERROR_SUCCESS && attach) error = attach(*object);
    if (error != ERROR_SUCCESS) {
        Free(object);
        return error;
    }
    return AdoptFile(TheRegistry(), std::string(), object, out);
}

HANDLE HandleFor(KernelObject* object, HandleKind kind, DWORD access) {
    HANDLE handle = NewHandle(kind, object, access);
    if (handle == nullptr) {
        ReleaseObject(object);
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    }
    return handle;
}

void ReleaseObject(KernelObject* object) {
    if (--object->handles > 0) return;
    Registry& registry = TheRegistry();
    if (!object->key.empty()) {
        registry.named.erase(object->key);
        ReleaseObjectFile(object->key, object->file);
    }
    if (object->views > 0) return;  // the name is gone; the last view gives the file up
    GiveUpFile(*object);
    Retire(registry, object);
}

int ReopenObjectData(const KernelObject& object) {
    if (object.file.lockFd < 0) return -1;
    char path[48];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", object.file.lockFd);
    return Sys().open(path, O_RDWR | O_CLOEXEC, 0);
}

void ReleaseView(KernelObject* object) {
    if (--object->views > 0 || object->handles > 0) return;
    GiveUpFile(*object);
    Retire(TheRegistry(), object);
}

}  // namespace win::posix::kernel
