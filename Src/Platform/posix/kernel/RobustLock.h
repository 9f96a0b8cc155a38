// The lock inside a named mutex: a futex word in shared memory, owned by one thread, that the
// kernel marks abandoned when its owner thread ends.
//
// The word holds the owner's kernel thread id, a bit for sleeping waiters and a bit for "owner
// died"; a free lock is 0. Acquiring is one compare-and-swap and releasing one exchange, with a
// futex wait and wake only under contention. While a thread owns the lock, the lock is an entry
// of that thread's robust futex list, the list the C library registers with the kernel for its
// own robust mutexes: at the thread's end (exit, crash, kill -9 of its process, exec) the kernel
// walks the list, sets "owner died" in each word the thread still owns and wakes a waiter. The
// next acquirer then gets the lock with the news that it was abandoned.
//
// To share the C library's list, an entry has the C library's shape: the futex word 32 bytes
// before the entry's link, the link to the previous entry just before it. RobustLocksUsable()
// checks once per process that the running C library keeps its list so; where it does not, locks
// cannot be taken (the mutex functions then fail with ERROR_NOT_SUPPORTED).
//
// The memory of a lock a thread owns must stay mapped until the thread releases it or ends.
#pragma once

#include <HalcyonApi.h>

#include <linux/futex.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace win::posix {

struct RobustLock {
    std::atomic<std::uint32_t> word;     // 0: owner tid | kLockWaiters | kLockOwnerDied; 0 free
    std::uint32_t depth;                 // 4: the owner's acquisitions (only the owner touches it)
    std::atomic<std::int32_t> ownerPid;  // 8: the owner's process, kept by the owner for others
    std::uint32_t reserved[3];           // 12
    void* prev;                          // 24: the previous entry's link, while owned
    void* next;                          // 32: the link: the next entry of the owner's list
    std::uint32_t reserved2[6];          // 40
};

static_assert(sizeof(RobustLock) == 64, "a lock is 64 bytes of its object's header");
static_assert(offsetof(RobustLock, next) - offsetof(RobustLock, word) == 32,
              "the word lies 32 bytes before the link");
static_assert(offsetof(RobustLock, next) - offsetof(RobustLock, prev) == sizeof(void*),
              "the back link lies just before the link");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "the word is a futex");

constexpr std::uint32_t kLockWaiters = 0x80000000U;
constexpr std::uint32_t kLockOwnerDied = 0x40000000U;
constexpr std::uint32_t kLockTidMask = 0x3FFFFFFFU;

enum class LockResult { kAcquired, kAbandoned, kTimeout, kFailed };

// Whether this process can take robust locks (checked on the first call).
bool RobustLocksUsable();

inline bool OwnsRobustLock(const RobustLock& lock, int tid) {
    return (lock.word.load(std::memory_order_relaxed) & kLockTidMask) ==
           static_cast<std::uint32_t>(tid);
}

// The owner's thread id, 0 when the lock is free or abandoned.
inline int RobustLockOwner(const RobustLock& lock) {
    return static_cast<int>(lock.word.load(std::memory_order_relaxed) & kLockTidMask);
}

namespace robust {

// The calling thread's list head once looked up (__thread and initial-exec: one instruction
// reaches it, with no check for a dynamic initializer).
extern __thread robust_list_head* t_head __attribute__((tls_model("initial-exec")));
// Looks the head up; null when robust locks are not usable.
robust_list_head* LoadHead();
// The acquisition when the lock was not free at the first try.
LockResult AcquireContended(RobustLock& lock, std::uint32_t self, std::uint32_t milliseconds);
void WakeOneWaiter(RobustLock& lock);

inline robust_list_head* Head() { return t_head != nullptr ? t_head : LoadHead(); }

// Bit 0 of an entry marks a priority-inheriting mutex of the C library.
inline char* Untagged(void* entry) {
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(entry) & ~std::uintptr_t{1});
}

inline void StorePointer(char* at, void* value) { std::memcpy(at, &value, sizeof value); }

// The operation under way, for the kernel should the thread end in the middle of it.
inline void SetPending(robust_list_head* head, RobustLock& lock) {
    head->list_op_pending = reinterpret_cast<robust_list*>(&lock.next);
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

inline void ClearPending(robust_list_head* head) {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    head->list_op_pending = nullptr;
}

// Puts the lock first in the thread's list, as the C library does with its own mutexes. The
// first entry's back link is the head's own when the list is empty (the C library keeps a
// field for it just before the head).
inline void Link(robust_list_head* head, RobustLock& lock) {
    void* first = head->list.next;
    StorePointer(Untagged(first) - sizeof(void*), &lock.next);
    lock.next = first;
    lock.prev = head;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    head->list.next = reinterpret_cast<robust_list*>(&lock.next);
}

// The lock's own links keep their stale values: nothing reads them while the lock is free.
inline void Unlink(RobustLock& lock) {
    StorePointer(Untagged(lock.next) - sizeof(void*), lock.prev);
    StorePointer(Untagged(lock.prev), lock.next);
}

}  // namespace robust

// Acquires a free lock for thread `tid` (the caller's kernel thread id), waiting up to
// `milliseconds` (0: not at all; 0xFFFFFFFF: without limit) while another thread owns it.
// kAbandoned: acquired from an owner that ended holding it. The depth is set to 1. A caller that
// owns the lock already gets kTimeout when `milliseconds` is 0 and must not wait longer.
inline LockResult AcquireRobustLock(RobustLock& lock, int tid, std::uint32_t milliseconds) {
    robust_list_head* head = robust::Head();
    if (head == nullptr) return LockResult::kFailed;
    auto self = static_cast<std::uint32_t>(tid);
    robust::SetPending(head, lock);
    std::uint32_t free = 0;
    LockResult result = LockResult::kAcquired;
    if (!lock.word.compare_exchange_strong(free, self, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
        result = robust::AcquireContended(lock, self, milliseconds);
    }
    if (result == LockResult::kAcquired || result == LockResult::kAbandoned) {
        robust::Link(head, lock);
        lock.depth = 1;
    }
    robust::ClearPending(head);
    return result;
}

// Releases a lock the caller owns (whatever its depth); false when `tid` does not own it.
inline bool ReleaseRobustLock(RobustLock& lock, int tid) {
    if (!OwnsRobustLock(lock, tid)) return false;
    robust_list_head* head = robust::Head();  // set: this thread acquired the lock
    robust::SetPending(head, lock);
    robust::Unlink(lock);
    std::uint32_t before = lock.word.exchange(0, std::memory_order_release);
    if ((before & kLockWaiters) != 0) robust::WakeOneWaiter(lock);
    robust::ClearPending(head);
    return true;
}

}  // namespace win::posix
