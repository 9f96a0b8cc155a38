// Mutexes: a robust lock (posix/kernel/RobustLock.h) in the object's header page, owned by a thread.
//
// The lock word names the owner thread and the lock keeps its depth, so a release by any other
// thread fails with ERROR_NOT_OWNER, and the kernel itself marks the lock when its owner thread
// ends, whichever process it was in. The owner's process id beside it is for people inspecting
// the namespace and for this process's decision to keep an owned mutex's memory mapped.
#include "Platform/posix/kernel/Mutex.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/ByName.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Registry.h"

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint32_t kMaxDepth = 0x7FFFFFFF;
constexpr DWORD kErrorSignalRefcountExceeded = 298;

// The owner's process id is read only while the lock is owned; most acquirers find their own
// already there.
void NoteOwnerProcess(RobustLock& lock) {
    int pid = CurrentPid();
    if (lock.ownerPid.load(std::memory_order_relaxed) != pid) {
        lock.ownerPid.store(pid, std::memory_order_relaxed);
    }
}

// Mutexes need robust locks; without them no mutex is created or opened at all.
DWORD CheckRobustLocks() { return RobustLocksUsable() ? ERROR_SUCCESS : ERROR_NOT_SUPPORTED; }

DWORD InitMutex(ObjectHeader& header, bool owned) {
    if (!owned) return ERROR_SUCCESS;
    // Taken before the object becomes visible, so nobody else can get it first.
    if (AcquireRobustLock(header.lock, CurrentTid(), 0) != LockResult::kAcquired) {
        return ERROR_NOT_SUPPORTED;
    }
    NoteOwnerProcess(header.lock);
    return ERROR_SUCCESS;
}

LockResult BlockingAcquire(KernelObject* object, int tid, DWORD milliseconds) {
    object->waiters.fetch_add(1, std::memory_order_acq_rel);
    LockResult result = AcquireRobustLock(object->file.header->lock, tid, milliseconds);
    object->waiters.fetch_sub(1, std::memory_order_acq_rel);
    return result;
}

// One more acquisition by the owner.
DWORD Reacquire(RobustLock& lock) {
    if (lock.depth == kMaxDepth) {
        SetLastError(kErrorSignalRefcountExceeded);
        return WAIT_FAILED;
    }
    ++lock.depth;
    return WAIT_OBJECT_0;
}

constexpr ObjectType kMutexType{Kind::kMutex, HandleKind::kMutex, nullptr, CheckRobustLocks};

}  // namespace

DWORD WaitMutex(KernelObject* object, DWORD milliseconds) {
    RobustLock& lock = object->file.header->lock;
    int tid = CurrentTid();
    // The free mutex is tried before the owner is looked at: reading the word of a mutex another
    // thread holds, and then writing it, would fetch its cache line twice.
    LockResult result = AcquireRobustLock(lock, tid, 0);
    if (result == LockResult::kTimeout) {
        if (OwnsRobustLock(lock, tid)) return Reacquire(lock);
        if (milliseconds != 0) result = BlockingAcquire(object, tid, milliseconds);
    }
    switch (result) {
        case LockResult::kTimeout:
            return WAIT_TIMEOUT;
        case LockResult::kFailed:
            SetLastError(ERROR_NOT_SUPPORTED);
            return WAIT_FAILED;
        default:
            NoteOwnerProcess(lock);
            return result == LockResult::kAbandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }
}

}  // namespace posix::kernel

using namespace posix;
using namespace posix::kernel;

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    bool owned = bInitialOwner != FALSE;
    // An existing mutex is opened, not taken: bInitialOwner applies to a new one only.
    auto init = [owned](ObjectHeader& header) { return InitMutex(header, owned); };
    return CreateByName(kMutexType, lpName, HeaderOnly(init), MUTEX_ALL_ACCESS);
}

HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenByName(kMutexType, lpName, dwDesiredAccess);
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
    RobustLock& lock = static_cast<KernelObject*>(ref.target)->file.header->lock;
    int tid = CurrentTid();
    if (!OwnsRobustLock(lock, tid)) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--lock.depth > 0) return TRUE;
    ReleaseRobustLock(lock, tid);
    return TRUE;
}

}  // namespace win
