// SPDX-License-Identifier: Apache-2.0
// One wait on a shared queue: watch it without its mutex, take the mutex for at most the time
// left, look under it, and sleep on the queue's wake-up between looks (QueueWaits.h).
#pragma once

#include <HalcyonCommon/Mutex.h>

#include "HalcyonCommon/Ipc/QueueAccess.h"

#include <chrono>
#include <cstdint>

namespace halcyon::ipc {

// What one look at the queue came to.
enum Outcome : int { kFailed = -1, kNotYet = 0, kDone = 1 };

constexpr unsigned long kForever = 0xFFFFFFFFUL;

// The time limit of one wait. The clock is read only when the wait is about to sleep (or to
// wait for the mutex after a sleep): never for a wait without limit or one of no time, and not
// at all when the first look finds what the wait is for.
class WaitClock {
  public:
    explicit WaitClock(unsigned long limit) : limit_(limit) {}
    bool Zero() const { return limit_ == 0; }
    // The time left, 0 once it has passed; the count starts at the first call.
    unsigned long Left();
    // How long to wait for the queue's mutex: the time left and a little more, so that a holder
    // that does not let go (stopped, or pausing on a full queue) keeps a timed wait no longer
    // than that. Without limit for a wait without limit.
    unsigned long ForMutex();

  private:
    unsigned long limit_;
    std::uint32_t start_ = 0;
    bool started_ = false;
};

// How a reader watches the queue before it sleeps: a few looks (or, when the process asked for
// it with SetQueueReadSpin, looks for that many microseconds). Writers waiting for room look once.
int LooksBeforeSleep(WakeKind kind);
unsigned long SpinMicroseconds(const QueueSlot& queue, WakeKind kind);

// Tells the processor, `count` times, that this is a wait loop.
inline void CpuPause(int count) {
    for (int k = 0; k < count; ++k) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}
constexpr int kPausesBetweenLooks = 8;
constexpr int kPausesWhileSpinning = 8;

// Calls `seen()` until it says yes: `looks` times a few microseconds apart, then, when `spin`
// is not 0, for `spin` microseconds more. True when it said yes.
template <typename Seen>
bool WatchFor(int looks, unsigned long spin, Seen seen) {
    for (; looks > 0; --looks) {
        if (seen()) return true;
        if (looks > 1) CpuPause(kPausesBetweenLooks);
    }
    if (spin == 0) return false;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::microseconds(spin);
    for (int n = 1;; ++n) {
        if (seen()) return true;
        if (n % 32 == 0 && Clock::now() >= end) return false;
        CpuPause(kPausesWhileSpinning);
    }
}

// Looks at the queue's offsets without its mutex until `ready(put, take)` says yes, for the looks
// (and the spin) the kind allows. True when it said yes.
template <typename Ready>
bool Watch(QueueSlot& queue, WakeKind kind, Ready ready) {
    tagSHMHEADER& h = HeaderOf(queue);
    return WatchFor(LooksBeforeSleep(kind), SpinMicroseconds(queue, kind), [&] {
        return ready(PeekOffset(h, offsetof(tagSHMHEADER, put)),
                     PeekOffset(h, offsetof(tagSHMHEADER, take)));
    });
}

// Looks at the queue with `look` under its mutex until it says kDone or kFailed, watching it
// with `ready` first and sleeping on the event `kind` in between, within the time of `clock`.
// `look` runs with the mutex held and a valid header; the mutex is released before this returns.
// kNotYet when the time passed (waiting for the mutex, too).
//
// A reader watches before its first look too: an empty queue is left alone, so the mutex stays
// the writer's. A writer does not: room is the rule, and a look before the mutex would only cost
// it the header's cache line once more.
template <typename Ready, typename Look>
int LookUntil(QueueSlot& queue, WakeKind kind, WaitClock& clock, Ready ready, Look look) {
    for (bool first = true;; first = false) {
        if (!clock.Zero() && !(first && kind == WakeKind::kRoom)) Watch(queue, kind, ready);
        switch (LockValidTakingOver(queue, clock.ForMutex())) {
            case Locked::kTimedOut:
                return kNotYet;
            case Locked::kFailed:
                return kFailed;
            case Locked::kYes:
                break;
        }
        int outcome = look(HeaderOf(queue), queue.ringSize);
        unsigned long left = outcome == kNotYet ? clock.Left() : 0;
        if (outcome != kNotYet || left == 0) {
            s_MutexReset(queue.hMutex);
            return outcome;
        }
        AddSleeper(queue.wake, kind);
        s_MutexReset(queue.hMutex);
        SleepOn(queue.wake, kind, left < kWakeSliceMs ? left : kWakeSliceMs);
    }
}

// The last check of a waiter that got what it waited for: when more of it is left and others
// sleep for it too, one of them is woken, since one set of an auto-reset event may have stood
// for several changes.
inline void PassOn(QueueSlot& queue, WakeKind kind, bool moreLeft) {
    if (moreLeft) Signal(queue.wake, kind);
}

}  // namespace halcyon::ipc
