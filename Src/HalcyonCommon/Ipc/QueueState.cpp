// SPDX-License-Identifier: Apache-2.0
// What a queue of either kind holds, for the tool and for callers that watch queues.
#include <HalcyonCommon/QueueKinds.h>

#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/QueueAccess.h"

#include <HalcyonCommon/Mutex.h>

using namespace halcyon::ipc;

namespace {

bool LegacyState(QueueSlot& queue, halcyon::QueueState& state) {
    if (!LockValid(queue)) return false;
    const tagSHMHEADER& h = HeaderOf(queue);
    state.usedBytes = UsedSize(h, queue.ringSize);
    state.records = h.count;
    state.writeCount = h.WriteCount;
    state.readCount = h.ReadCount;
    state.errCount = h.errcount;
    s_MutexReset(queue.hMutex);
    return true;
}

bool LockFreeState(short id, halcyon::QueueState& state) {
    const LockFreeControl& c = *LockFreeOf(id).control;
    std::uint32_t put = c.writer.offset.load(std::memory_order_acquire);
    std::uint32_t take = c.reader.offset.load(std::memory_order_acquire);
    if (put >= state.ringBytes || take >= state.ringBytes) return false;
    state.usedBytes = halcyon::ring::Used(put, take, static_cast<std::uint32_t>(state.ringBytes));
    state.readCount = c.reader.count.load(std::memory_order_acquire);
    state.writeCount = c.writer.count.load(std::memory_order_acquire);
    state.records = static_cast<std::uint32_t>(state.writeCount - state.readCount);
    state.errCount = 0;
    return true;
}

}  // namespace

namespace halcyon {

int QueryQueueKind(short nId) {
    QueueSlot* queue = OpenQueue(nId);
    return queue != nullptr ? queue->kind : -1;
}

int QueryQueueState(short nId, QueueState* pState) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pState == nullptr) return 0;
    QueueState state = {};
    state.kind = queue->kind;
    state.ringBytes = queue->ringSize;
    bool ok =
        queue->kind == kQueueLockFree ? LockFreeState(nId, state) : LegacyState(*queue, state);
    if (ok) *pState = state;
    return ok ? 1 : 0;
}

}  // namespace halcyon
