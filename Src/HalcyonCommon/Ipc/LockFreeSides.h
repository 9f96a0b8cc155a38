// SPDX-License-Identifier: Apache-2.0
// The pieces the lock-free queue's reads, writes and waits share: a side's turn in this process,
// its claim across processes, and the wait for the other side.
#pragma once

#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/QueueLook.h"

namespace halcyon::ipc {

// Holds a side's turn among this process's threads for the life of the scope. Nobody holds it
// while sleeping: it is held for one copy.
class SideTurn {
  public:
    explicit SideTurn(LockFreeSide& side) : side_(side) {
        if (side_.busy.exchange(true, std::memory_order_acquire)) WaitTurn();
    }
    ~SideTurn() { side_.busy.store(false, std::memory_order_release); }
    SideTurn(const SideTurn&) = delete;
    SideTurn& operator=(const SideTurn&) = delete;

  private:
    void WaitTurn();  // another thread of this process has the side: spins, then yields
    LockFreeSide& side_;
};

enum class Side { kWriter, kReader };

// With the side's turn held: true when this process is the side, claiming it on first use
// (and then taking over the offsets where the ring says the side stands); false when another
// live process is, or the ring's offsets are damaged.
bool ClaimSide(LockFreeQueue& q, Side side, const char* name);
inline bool Claimed(LockFreeQueue& q, Side side, const char* name) {
    const LockFreeSide& s = side == Side::kWriter ? q.writer : q.reader;
    return s.claim != nullptr || ClaimSide(q, side, name);
}

// Waits, within `clock`, for `ready()`: watching, then sleeping on the event `kind`. kDone when
// it holds, kNotYet when the time passed first.
template <typename Ready>
int AwaitLockFree(QueueSlot& queue, WakeKind kind, WaitClock& clock, Ready ready) {
    if (clock.Zero()) return kNotYet;  // the caller has looked once
    const unsigned long spin = kind == WakeKind::kRecord ? queue.spinMicroseconds : 0;
    for (;;) {
        if (WatchFor(LooksBeforeSleep(WakeKind::kRecord), spin, ready)) return kDone;
        AddSleeper(queue.wake, kind);
        unsigned long left = ready() ? 0 : clock.Left();
        if (left == 0) {
            ForgetSleeper(queue.wake, kind);
            return ready() ? kDone : kNotYet;
        }
        SleepOn(queue.wake, kind, left < kWakeSliceMs ? left : kWakeSliceMs);
    }
}

// The shared offsets as they stand.
inline std::uint32_t PutOf(const LockFreeQueue& q) {
    return q.control->writer.offset.load(std::memory_order_seq_cst);
}
inline std::uint32_t TakeOf(const LockFreeQueue& q) {
    return q.control->reader.offset.load(std::memory_order_seq_cst);
}

}  // namespace halcyon::ipc
