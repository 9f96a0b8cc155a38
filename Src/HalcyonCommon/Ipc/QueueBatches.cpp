// SPDX-License-Identifier: Apache-2.0
// Reading and writing several records of a shared queue under one hold of its mutex
// (QueueWaits.h). A batch is a run of frames: a record's 2-byte little-endian length, then its
// bytes, as the ring holds them.
#include <HalcyonCommon/QueueWaits.h>

#include <HalcyonCommon/QueueKinds.h>

#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/QueueLook.h"

using namespace halcyon::ipc;

namespace {

constexpr unsigned long kFrameMax = kMaxRecord + kLengthField;

// True when `size` bytes at `data` are whole frames of records of 1-3095 bytes that each fit
// the ring.
bool WholeFrames(const unsigned char* data, unsigned long size, std::uint32_t ringSize) {
    for (unsigned long at = 0; at < size;) {
        if (size - at < kLengthField) return false;
        std::uint32_t length = FrameLength(data + at);
        if (length == 0 || length > kMaxRecord || length + kLengthField >= ringSize) return false;
        if (size - at - kLengthField < length) return false;
        at += kLengthField + length;
    }
    return size != 0;
}

void Report(unsigned long* pdwUsed, unsigned long used) {
    if (pdwUsed != nullptr) *pdwUsed = used;
}

}  // namespace

namespace halcyon {

long ReadQueueBatch(short nId, unsigned char* pBuf, unsigned long dwSize, unsigned long* pdwUsed,
                    unsigned long dwMilliseconds) {
    Report(pdwUsed, 0);
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pBuf == nullptr || dwSize < kFrameMax) return kFailed;
    unsigned long used = 0;
    if (queue->kind == kQueueLockFree) {
        long count = LockFreeReadBatch(*queue, nId, pBuf, dwSize, used, dwMilliseconds);
        Report(pdwUsed, used);
        return count;
    }
    long count = 0;
    bool damaged = false, recordsLeft = false;
    WaitClock clock(dwMilliseconds);
    int outcome = LookUntil(
        *queue, WakeKind::kRecord, clock,
        [](std::uint32_t put, std::uint32_t take) { return put != take; },
        [&](tagSHMHEADER& h, std::uint32_t size) -> int {
            if (h.take == h.put) return kNotYet;
            if (h.sync != 0) {
                ++h.errcount;
                return kFailed;
            }
            damaged = TakeRun(h, size, pBuf, dwSize, used, count) == Taken::kDamaged;
            recordsLeft = h.take != h.put;
            return damaged ? kFailed : kDone;
        });
    if (damaged) ResetQueue(*queue);
    if (outcome != kDone) return outcome;
    Signal(queue->wake, WakeKind::kRoom);
    PassOn(*queue, WakeKind::kRecord, recordsLeft);
    Report(pdwUsed, used);
    return count;
}

long WriteQueueBatch(short nId, const unsigned char* pData, unsigned long dwSize,
                     unsigned long* pdwUsed, unsigned long dwMilliseconds) {
    Report(pdwUsed, 0);
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pData == nullptr || !WholeFrames(pData, dwSize, queue->ringSize)) {
        return kFailed;
    }
    unsigned long at = 0;
    if (queue->kind == kQueueLockFree) {
        long count = LockFreeWriteBatch(*queue, nId, pData, dwSize, at, dwMilliseconds);
        Report(pdwUsed, at);
        return count;
    }
    const std::uint32_t ringSize = queue->ringSize;
    long written = 0;
    bool roomLeft = false;
    WaitClock clock(dwMilliseconds);
    int outcome = kDone;
    while (at < dwSize && outcome == kDone) {
        const std::uint32_t next = FrameLength(pData + at);
        outcome = LookUntil(
            *queue, WakeKind::kRoom, clock,
            [=](std::uint32_t put, std::uint32_t take) {
                return next + kLengthField <= ring::Free(put, take, ringSize);
            },
            [&](tagSHMHEADER& h, std::uint32_t size) -> int {
                if (!Fits(h, size, next)) return kNotYet;
                if (h.sync != 0) {
                    ++h.errcount;
                    return kFailed;
                }
                written += AppendRun(h, size, pData, dwSize, at);
                roomLeft = ring::Free(h.put, h.take, size) > kLengthField;
                return kDone;
            });
        if (outcome == kDone) Signal(queue->wake, WakeKind::kRecord);
    }
    if (outcome == kDone) PassOn(*queue, WakeKind::kRoom, roomLeft);
    Report(pdwUsed, at);
    return written > 0 ? written : outcome;
}

}  // namespace halcyon
