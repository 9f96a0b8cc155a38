// SPDX-License-Identifier: Apache-2.0
// Events: auto-reset and manual-reset, named or not, in the namespace of mutexes and mappings.
//
// The state is one futex word in the object's header page: bit 0 signalled, the bits above a
// generation that every SetEvent finding the event clear advances. A wait that finds the event
// clear sleeps on the word; SetEvent wakes sleepers only when the header counts some, so setting
// an event nobody waits on makes no system call. Nothing is owned: a process killed anywhere in
// these functions leaves a valid word (at worst a sleeper count too high, which costs a wake).
// Sleepers still look at the word every kSliceMs, so that a setter killed between its change of
// the word and its wake delays a waiter by that much at most, never forever.
#include "Platform/posix/kernel/Event.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/ByName.h"
#include "Platform/posix/kernel/Futex.h"
#include "Platform/posix/kernel/KernelObjects.h"

#include <climits>

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint32_t kSliceMs = 200;

// Sleeps while the word holds `seen`, for at most `left`.
void SleepOnWord(EventState& event, std::uint32_t seen, const timespec* left) {
    // seq_cst: either the setter sees this sleeper, or the kernel sees the setter's word.
    event.sleepers.fetch_add(1, std::memory_order_seq_cst);
    FutexWait(event.word, seen, left);
    event.sleepers.fetch_sub(1, std::memory_order_seq_cst);
}

// Takes the signal of an auto-reset event; true when this thread got it.
bool TakeSignal(EventState& event, std::uint32_t& seen) {
    while ((seen & kEventSignalled) != 0) {
        if (event.word.compare_exchange_weak(seen, seen & ~kEventSignalled,
                                             std::memory_order_acquire)) {
            return true;
        }
    }
    return false;
}

// A manual-reset event releases its waiter once set, even if reset again before the waiter ran.
bool Released(const EventState& event, std::uint32_t first, std::uint32_t seen) {
    return (seen & kEventSignalled) != 0 || (event.manualReset != 0 && seen >> 1 != first >> 1);
}

DWORD WaitOnState(EventState& event, DWORD milliseconds) {
    const Deadline deadline(milliseconds);
    const std::uint32_t first = event.word.load(std::memory_order_acquire);
    std::uint32_t seen = first;
    for (;;) {
        if (event.manualReset == 0 ? TakeSignal(event, seen) : Released(event, first, seen)) {
            return WAIT_OBJECT_0;
        }
        timespec storage;
        const timespec* left;
        if (milliseconds == 0 || !deadline.Left(storage, left, kSliceMs)) return WAIT_TIMEOUT;
        SleepOnWord(event, seen, left);
        seen = event.word.load(std::memory_order_acquire);
    }
}

DWORD InitEvent(ObjectHeader& header, bool manualReset, bool signalled) {
    header.event.manualReset = manualReset ? 1 : 0;
    header.event.word.store(signalled ? kEventSignalled : 0, std::memory_order_relaxed);
    return ERROR_SUCCESS;
}

// The event behind `handle` when the handle may change its state.
EventState* ModifiableEvent(HANDLE handle) {
    HandleRef ref;
    if (!LookupHandle(handle, ref) || ref.kind != HandleKind::kEvent) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((ref.access & EVENT_MODIFY_STATE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return &static_cast<KernelObject*>(ref.target)->file.header->event;
}

constexpr ObjectType kEventType{Kind::kEvent, HandleKind::kEvent};

}  // namespace

DWORD WaitEvent(KernelObject* object, DWORD milliseconds) {
    object->waiters.fetch_add(1, std::memory_order_acq_rel);  // keeps the record while it waits
    DWORD result = WaitOnState(object->file.header->event, milliseconds);
    object->waiters.fetch_sub(1, std::memory_order_acq_rel);
    return result;
}

}  // namespace posix::kernel

using namespace posix;
using namespace posix::kernel;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
    bool manual = bManualReset != FALSE;
    bool signalled = bInitialState != FALSE;
    // An existing event keeps its own type and state: the flags apply to a new one only.
    auto init = [manual, signalled](ObjectHeader& header) {
        return InitEvent(header, manual, signalled);
    };
    return CreateByName(kEventType, lpName, HeaderOnly(init), EVENT_ALL_ACCESS);
}

HANDLE OpenEventA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenByName(kEventType, lpName, dwDesiredAccess);
}

BOOL SetEvent(HANDLE hEvent) {
    EventState* event = ModifiableEvent(hEvent);
    if (event == nullptr) return FALSE;
    std::uint32_t seen = event->word.load(std::memory_order_relaxed);
    bool changed = false;
    while ((seen & kEventSignalled) == 0 && !changed) {
        changed = event->word.compare_exchange_weak(seen, (seen + 2) | kEventSignalled,
                                                    std::memory_order_seq_cst);
    }
    // A sleeper that has not taken an earlier signal yet is woken again: the wake is not lost.
    if (event->sleepers.load(std::memory_order_seq_cst) != 0) {
        int count = event->manualReset != 0 ? INT_MAX : 1;
        FutexWake(event->word, count);
    }
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    EventState* event = ModifiableEvent(hEvent);
    if (event == nullptr) return FALSE;
    event->word.fetch_and(~kEventSignalled, std::memory_order_release);
    return TRUE;
}

}  // namespace win
