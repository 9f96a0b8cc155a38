// SPDX-License-Identifier: Apache-2.0
// Lock-free queues as this process holds them: attaching, the sides' claims and turns.
#include "HalcyonCommon/Ipc/LockFreeQueue.h"

#include "HalcyonCommon/Ipc/LockFreeSides.h"
#include "Platform/Win.h"

#include <cstdio>
#include <thread>

namespace halcyon::ipc {
namespace {

constexpr int kSpinsBeforeYield = 64;

// Creates the side's event "<prefix><name>"; null when it exists already (another process is
// the side) or cannot be made.
void* ClaimName(const char* prefix, const char* name) {
    char object[kNameSize + 8];
    std::snprintf(object, sizeof object, "%s%s", prefix, name);
    // Cleared first: a new object is told from an existing one by the error alone.
    win::SetLastError(ERROR_SUCCESS);
    win::HANDLE handle = win::CreateEventA(nullptr, TRUE, FALSE, object);
    if (handle == nullptr) return nullptr;
    if (win::GetLastError() == ERROR_ALREADY_EXISTS) {
        win::CloseHandle(handle);
        return nullptr;
    }
    return handle;
}

void Release(LockFreeSide& side) {
    if (side.claim != nullptr) win::CloseHandle(side.claim);
    side.claim = nullptr;
    side.own = side.seen = side.count = 0;
}

}  // namespace

LockFreeQueue g_lockFreeQueues[kSlotCount];

void AttachLockFree(short id, void* view, std::uint32_t ringSize) {
    DetachLockFree(id);  // a queue this process held under the id before, its sides with it
    LockFreeQueue& q = LockFreeOf(id);
    q.control = static_cast<LockFreeControl*>(view);
    q.ring = LockFreeRing(*q.control);
    q.ringSize = ringSize;
}

void DetachLockFree(short id) {
    LockFreeQueue& q = LockFreeOf(id);
    {
        SideTurn writer(q.writer);
        Release(q.writer);
    }
    {
        SideTurn reader(q.reader);
        Release(q.reader);
    }
    q.control = nullptr;
    q.ring = nullptr;
    q.ringSize = 0;
}

void SideTurn::WaitTurn() {
    for (int spins = 1; side_.busy.exchange(true, std::memory_order_acquire); ++spins) {
        if (spins % kSpinsBeforeYield == 0) {
            std::this_thread::yield();
        } else {
            CpuPause(1);
        }
    }
}

bool ClaimSide(LockFreeQueue& q, Side side, const char* name) {
    LockFreeSide& s = side == Side::kWriter ? q.writer : q.reader;
    void* claim = ClaimName(side == Side::kWriter ? "QPUT_" : "QTAKE_", name);
    if (claim == nullptr) return false;
    // The side as its last holder left it (a killed writer's unpublished record is not in it).
    LockFreeSideWords& mine = side == Side::kWriter ? q.control->writer : q.control->reader;
    const LockFreeSideWords& other = side == Side::kWriter ? q.control->reader : q.control->writer;
    s.own = mine.offset.load(std::memory_order_acquire);
    s.seen = other.offset.load(std::memory_order_acquire);
    s.count = mine.count.load(std::memory_order_relaxed);
    if (s.seen >= q.ringSize) {  // the other side repairs its own offset when it claims it
        win::CloseHandle(claim);
        s.own = s.seen = s.count = 0;
        return false;
    }
    if (s.own >= q.ringSize) {
        // A damaged offset of this side: the queue is emptied, its records are lost.
        s.own = s.seen;
        mine.offset.store(s.own, std::memory_order_release);
    }
    s.claim = claim;
    return true;
}

}  // namespace halcyon::ipc
