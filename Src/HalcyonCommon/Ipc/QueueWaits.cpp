// SPDX-License-Identifier: Apache-2.0
// Waiting for a record or for room in a shared queue, woken by the other side (QueueWaits.h).
#include <HalcyonCommon/QueueWaits.h>

#include <HalcyonCommon/QueueKinds.h>

#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/QueueLook.h"

using namespace halcyon::ipc;

namespace {

constexpr unsigned long kMaxSpinMicroseconds = 1000;

bool RecordFitsRing(const QueueSlot& queue, unsigned short wLen) {
    return wLen != 0 && wLen <= kMaxRecord && wLen + kLengthField < queue.ringSize;
}

// A copy another process left unfinished: no wait can end it (see s_MapFile_ResetQue).
int Unfinished(tagSHMHEADER& h) {
    ++h.errcount;
    return kFailed;
}

bool SeemsToHoldRecords(std::uint32_t put, std::uint32_t take) { return put != take; }

bool LockFree(const QueueSlot& queue) { return queue.kind == halcyon::kQueueLockFree; }

}  // namespace

namespace halcyon {

int WaitQueueRecord(short nId, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr) return kFailed;
    if (LockFree(*queue)) return LockFreeWaitRecord(*queue, nId, dwMilliseconds);
    WaitClock clock(dwMilliseconds);
    return LookUntil(
        *queue, WakeKind::kRecord, clock, SeemsToHoldRecords,
        [](tagSHMHEADER& h, std::uint32_t) -> int { return h.take != h.put ? kDone : kNotYet; });
}

int WaitQueueRoom(short nId, unsigned short wLen, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || !RecordFitsRing(*queue, wLen)) return kFailed;
    if (LockFree(*queue)) return LockFreeWaitRoom(*queue, nId, wLen, dwMilliseconds);
    const std::uint32_t ringSize = queue->ringSize;
    WaitClock clock(dwMilliseconds);
    return LookUntil(
        *queue, WakeKind::kRoom, clock,
        [=](std::uint32_t put, std::uint32_t take) {
            return wLen + kLengthField <= ring::Free(put, take, ringSize);
        },
        [wLen](tagSHMHEADER& h, std::uint32_t size) -> int {
            return Fits(h, size, wLen) ? kDone : kNotYet;
        });
}

int WriteQueueWaiting(short nId, const unsigned char* pData, unsigned short wLen,
                      unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pData == nullptr || !RecordFitsRing(*queue, wLen)) return kFailed;
    if (LockFree(*queue)) return LockFreeWrite(*queue, nId, pData, wLen, dwMilliseconds);
    const std::uint32_t ringSize = queue->ringSize;
    bool roomLeft = false;
    WaitClock clock(dwMilliseconds);
    int outcome = LookUntil(
        *queue, WakeKind::kRoom, clock,
        [=](std::uint32_t put, std::uint32_t take) {
            return wLen + kLengthField <= ring::Free(put, take, ringSize);
        },
        [&](tagSHMHEADER& h, std::uint32_t size) -> int {
            if (!Fits(h, size, wLen)) return kNotYet;
            if (h.sync != 0) return Unfinished(h);
            Append(h, size, pData, wLen);
            roomLeft = ring::Free(h.put, h.take, size) > kLengthField;
            return kDone;
        });
    if (outcome == kDone) {
        Signal(queue->wake, WakeKind::kRecord);
        PassOn(*queue, WakeKind::kRoom, roomLeft);
    }
    return outcome;
}

short ReadQueueWaiting(short nId, unsigned char* pBuf, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pBuf == nullptr) return kFailed;
    if (LockFree(*queue)) return LockFreeRead(*queue, nId, pBuf, dwMilliseconds);
    std::uint32_t length = 0;
    bool damaged = false, recordsLeft = false;
    WaitClock clock(dwMilliseconds);
    int outcome = LookUntil(*queue, WakeKind::kRecord, clock, SeemsToHoldRecords,
                            [&](tagSHMHEADER& h, std::uint32_t size) -> int {
                                if (h.take == h.put) return kNotYet;
                                if (h.sync != 0) return Unfinished(h);
                                damaged =
                                    TakeFront(h, size, pBuf, kMaxRecord, length) == Taken::kDamaged;
                                recordsLeft = h.take != h.put;
                                return damaged ? kFailed : kDone;
                            });
    if (damaged) ResetQueue(*queue);
    if (outcome != kDone) return static_cast<short>(outcome);
    Signal(queue->wake, WakeKind::kRoom);
    PassOn(*queue, WakeKind::kRecord, recordsLeft);
    return static_cast<short>(length);
}

int SetQueueReadSpin(short nId, unsigned long dwMicroseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr) return kFailed;
    queue->spinMicroseconds =
        dwMicroseconds < kMaxSpinMicroseconds ? dwMicroseconds : kMaxSpinMicroseconds;
    return kDone;
}

}  // namespace halcyon
