// SPDX-License-Identifier: Apache-2.0
// The wake-ups of one shared queue: two named auto-reset events, "QREC_<name>" (a record was
// written) and "QROOM_<name>" (a record was read: room was made), and the mapping
// "QWAIT_<name>" counting the threads, in any process, that sleep on each.
//
// A sleeper counts itself while it holds the queue's mutex and has found nothing to do; whoever
// changes the queue afterwards reads the count after releasing the mutex and sets the event only
// when it is not zero. So no wake is lost, and a process whose queues nobody waits on makes no
// system call for them. A sleeper killed while asleep leaves its count behind: the other side then
// sets the event on every change (a needless system call each), and loses nothing.
#pragma once

#include <atomic>
#include <cstdint>

namespace halcyon::ipc {

// The shared mapping "QWAIT_<name>". A "pending" word is 1 from a set of the event until a
// sleeper wakes: the changes meanwhile need not set it again, which spares a writer one system
// call per record while the reader it woke waits for a processor.
struct WakeCounts {
    std::atomic<std::uint32_t> recordSleepers;  // 0: threads waiting for a record
    std::atomic<std::uint32_t> roomSleepers;    // 4: threads waiting for room
    std::atomic<std::uint32_t> recordPending;   // 8: QREC_ set, no sleeper awake since
    std::atomic<std::uint32_t> roomPending;     // 12: QROOM_ set, no sleeper awake since
};

// This process's handles to one queue's wake objects; all null when they could not be had (the
// waits then look at the queue every slice, without being woken).
struct QueueWake {
    void* hCounts;
    WakeCounts* counts;
    void* hRecord;
    void* hRoom;
};

enum class WakeKind { kRecord, kRoom };

// How long a sleeper sleeps before it looks at the queue again, woken or not.
constexpr unsigned long kWakeSliceMs = 50;

// Creates or opens the wake objects of queue `name`; false (and `wake` empty) when any fails.
bool OpenWake(QueueWake& wake, const char* name);
// Closes them; `wake` is empty afterwards.
void CloseWake(QueueWake& wake);

// Counts the caller as a sleeper of `kind`; call it holding the queue's mutex.
void AddSleeper(QueueWake& wake, WakeKind kind);
// Sleeps on the event for at most `ms` and stops counting the caller as a sleeper.
void SleepOn(QueueWake& wake, WakeKind kind, unsigned long ms);
// Stops counting the caller as a sleeper without sleeping: it found what it waited for after it
// counted itself.
void ForgetSleeper(QueueWake& wake, WakeKind kind);
// Sets the event of `kind` when somebody sleeps on it and no set is pending; call it after
// releasing the mutex. Nobody asleep, the common case, costs one load of a shared word.
void SignalSleepers(QueueWake& wake, WakeKind kind);
inline void Signal(QueueWake& wake, WakeKind kind) {
    if (wake.counts == nullptr) return;
    const std::atomic<std::uint32_t>& sleepers =
        kind == WakeKind::kRecord ? wake.counts->recordSleepers : wake.counts->roomSleepers;
    if (sleepers.load(std::memory_order_seq_cst) != 0) SignalSleepers(wake, kind);
}

}  // namespace halcyon::ipc
