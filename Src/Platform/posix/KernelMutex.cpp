// Mutexes: a robust, process-shared pthread mutex in the object's header page, owned by a thread.
//
// Recursion and ownership are kept per thread, beside the pthread mutex: a thread's own list of
// the mutexes it owns and how often. So a release by any other thread fails with ERROR_NOT_OWNER
// without touching the shared memory, and a dead thread's number, reused by a new thread, never
// makes that thread an owner. The owner fields in the header are for people inspecting the
// namespace only.
#include "posix/Errors.h"
#include "posix/KernelObjects.h"
#include "posix/KernelRegistry.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <new>
#include <vector>

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint32_t kMaxDepth = 0x7FFFFFFF;
constexpr std::size_t kFixedOwned = 16;
constexpr DWORD kErrorSignalRefcountExceeded = 298;

struct Owned {
    KernelObject* object;
    std::uint32_t depth;
};

// Plain data, so that the initial-exec TLS access stays one instruction.
struct OwnedSet {
    Owned fixed[kFixedOwned];
    std::size_t count;
    std::vector<Owned>* more;  // beyond kFixedOwned
};

__attribute__((tls_model("initial-exec"))) thread_local OwnedSet t_owned;

Owned* FindOwned(KernelObject* object) {
    OwnedSet& set = t_owned;
    for (std::size_t i = 0; i < set.count; ++i) {
        if (set.fixed[i].object == object) return &set.fixed[i];
    }
    if (set.more != nullptr) {
        for (Owned& owned : *set.more) {
            if (owned.object == object) return &owned;
        }
    }
    return nullptr;
}

bool AddOwned(KernelObject* object) {
    OwnedSet& set = t_owned;
    if (set.count < kFixedOwned) {
        set.fixed[set.count++] = {object, 1};
        return true;
    }
    try {
        if (set.more == nullptr) set.more = new std::vector<Owned>;
        set.more->push_back({object, 1});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void RemoveOwned(Owned* owned) {
    OwnedSet& set = t_owned;
    if (set.more == nullptr && owned == &set.fixed[set.count - 1]) {
        --set.count;  // the usual case: the mutex taken last is released first
        return;
    }
    if (owned >= set.fixed && owned < set.fixed + kFixedOwned) {
        *owned = set.fixed[--set.count];
        if (set.more != nullptr && !set.more->empty()) {
            set.fixed[set.count++] = set.more->back();
            set.more->pop_back();
        }
        return;
    }
    *owned = set.more->back();
    set.more->pop_back();
}

// The only thread of a forked child owns nothing: the mutexes belong to its parent's threads.
void ForgetOwnedInChild() {
    t_owned.count = 0;
    t_owned.more = nullptr;
}

void EnsureForkHandler() {
    static const int registered = pthread_atfork(nullptr, nullptr, ForgetOwnedInChild);
    (void)registered;
}

DWORD InitMutex(ObjectHeader& header, bool owned) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    int rc = pthread_mutex_init(&header.mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc == 0 && owned) {
        // Taken before the object becomes visible, so nobody else can get it first; a try,
        // since nothing can hold a mutex nobody sees yet (and so no lock order arises).
        rc = pthread_mutex_trylock(&header.mutex);
        header.ownerPid.store(CurrentPid(), std::memory_order_relaxed);
        header.ownerTid.store(CurrentTid(), std::memory_order_relaxed);
    }
    return rc == 0 ? ERROR_SUCCESS : ErrorFromErrno(rc);
}

void NoteOwner(KernelObject* object) {
    object->file.header->ownerPid.store(CurrentPid(), std::memory_order_relaxed);
    object->file.header->ownerTid.store(CurrentTid(), std::memory_order_relaxed);
}

int BlockingLock(KernelObject* object, pthread_mutex_t* mutex, DWORD milliseconds) {
    object->waiters.fetch_add(1, std::memory_order_acq_rel);
    int rc;
    if (milliseconds == INFINITE) {
        rc = pthread_mutex_lock(mutex);
    } else {
        timespec deadline;
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
        deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        rc = pthread_mutex_timedlock(mutex, &deadline);
    }
    object->waiters.fetch_sub(1, std::memory_order_acq_rel);
    return rc;
}

DWORD WaitMutex(KernelObject* object, DWORD milliseconds) {
    if (Owned* owned = FindOwned(object)) {
        if (owned->depth == kMaxDepth) {
            SetLastError(kErrorSignalRefcountExceeded);
            return WAIT_FAILED;
        }
        ++owned->depth;
        return WAIT_OBJECT_0;
    }
    pthread_mutex_t* mutex = &object->file.header->mutex;
    int rc = pthread_mutex_trylock(mutex);
    if (rc == EBUSY && milliseconds != 0) rc = BlockingLock(object, mutex, milliseconds);
    if (rc == EBUSY || rc == ETIMEDOUT) return WAIT_TIMEOUT;
    if (rc != 0 && rc != EOWNERDEAD) {
        SetLastError(rc == ENOTRECOVERABLE ? ERROR_INVALID_HANDLE : ErrorFromErrno(rc));
        return WAIT_FAILED;
    }
    // EOWNERDEAD: the owner died holding it; it is ours now and usable again.
    bool abandoned = rc == EOWNERDEAD;
    if (abandoned) pthread_mutex_consistent(mutex);
    if (!AddOwned(object)) {
        pthread_mutex_unlock(mutex);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return WAIT_FAILED;
    }
    NoteOwner(object);
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

HANDLE MutexHandle(KernelObject* object, DWORD access, bool existed) {
    HANDLE handle = HandleFor(object, HandleKind::kMutex, access);
    if (handle == nullptr) return nullptr;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace
}  // namespace posix::kernel

using namespace posix::kernel;

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    std::string key;
    DWORD error;
    if (!ParseName(lpName, key, error)) {
        SetLastError(error);
        return nullptr;
    }
    EnsureForkHandler();
    bool owned = bInitialOwner != FALSE;
    CreateRequest request;
    request.init = [owned](ObjectHeader& header) { return InitMutex(header, owned); };
    std::lock_guard<std::mutex> hold(RegistryLock());
    KernelObject* object = nullptr;
    bool existed = false;
    error = key.empty() ? AcquireUnnamed(Kind::kMutex, request, nullptr, object)
                        : AcquireNamed(key, Kind::kMutex, &request, nullptr, object, existed);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    // An existing mutex is opened, not taken: bInitialOwner applies to a new one only.
    if (owned && !existed) AddOwned(object);
    return MutexHandle(object, MUTEX_ALL_ACCESS, existed);
}

HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    std::string key;
    DWORD error;
    if (lpName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!ParseName(lpName, key, error) || key.empty()) {
        SetLastError(key.empty() && error == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : error);
        return nullptr;
    }
    EnsureForkHandler();
    std::lock_guard<std::mutex> hold(RegistryLock());
    KernelObject* object = nullptr;
    bool existed = false;
    error = AcquireNamed(key, Kind::kMutex, nullptr, nullptr, object, existed);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    return MutexHandle(object, dwDesiredAccess, false);
}

BOOL ReleaseMutex(HANDLE hMutex) {
    HandleRef ref;
    if (!LookupHandle(hMutex, ref) || ref.kind != HandleKind::kMutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((ref.access & MUTEX_MODIFY_STATE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto* object = static_cast<KernelObject*>(ref.target);
    Owned* owned = FindOwned(object);
    if (owned == nullptr) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--owned->depth > 0) return TRUE;
    RemoveOwned(owned);
    ObjectHeader* header = object->file.header;
    header->ownerTid.store(0, std::memory_order_relaxed);
    header->ownerPid.store(0, std::memory_order_relaxed);
    if (pthread_mutex_unlock(&header->mutex) != 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    HandleRef ref;
    if (!LookupHandle(hHandle, ref)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (ref.kind == HandleKind::kFile) return WAIT_OBJECT_0;  // a file is always signalled
    if (ref.kind != HandleKind::kMutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if ((ref.access & SYNCHRONIZE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    return WaitMutex(static_cast<KernelObject*>(ref.target), dwMilliseconds);
}

}  // namespace win
