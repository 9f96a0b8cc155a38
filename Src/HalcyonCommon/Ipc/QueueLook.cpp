// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Ipc/QueueLook.h"

#include "Platform/Win.h"

namespace halcyon::ipc {
namespace {

// A reader looks this often, a few microseconds apart, before it sleeps: the other side, running
// on another processor, often changes the queue that soon, and a sleep and a wake-up cost two
// system calls and a switch. The looks read two offsets and leave the mutex to the writer.
constexpr int kLooksBeforeSleep = 16;

// What a timed wait may wait for the mutex beyond its own time.
constexpr unsigned long kMutexGraceMs = 20;

}  // namespace

unsigned long WaitClock::Left() {
    if (limit_ == kForever || limit_ == 0) return limit_;
    std::uint32_t now = win::GetTickCount();
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    auto waited = static_cast<std::uint32_t>(now - start_);  // wrap-safe
    return waited >= limit_ ? 0 : limit_ - waited;
}

unsigned long WaitClock::ForMutex() {
    if (limit_ == kForever) return INFINITE;
    // The first time, before any sleep, the whole limit is left: no clock is read for it.
    unsigned long left = started_ ? Left() : limit_;
    return left < kForever - kMutexGraceMs ? left + kMutexGraceMs : kForever - 1;
}

// Room, though, comes only from a reader, which needs the mutex a looking writer would keep
// taking: a writer looks once and then sleeps until a read wakes it.
int LooksBeforeSleep(WakeKind kind) { return kind == WakeKind::kRecord ? kLooksBeforeSleep : 1; }

unsigned long SpinMicroseconds(const QueueSlot& queue, WakeKind kind) {
    return kind == WakeKind::kRecord ? queue.spinMicroseconds : 0;
}

}  // namespace halcyon::ipc
