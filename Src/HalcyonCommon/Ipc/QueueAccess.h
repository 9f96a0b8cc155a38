// SPDX-License-Identifier: Apache-2.0
// An open queue's header and ring under its mutex: what the polling calls (s_MapFile_WriteQue,
// s_MapFile_ReadQue) and the waiting calls (QueueWaits.h) share.
#pragma once

#include <HalcyonCommon/QueueKinds.h>

#include "HalcyonCommon/Ipc/IpcState.h"
#include "HalcyonCommon/Ipc/QueueHeader.h"
#include "HalcyonCommon/Ring/Ring.h"

namespace halcyon::ipc {

// The queue open in this process under nId, or null.
inline QueueSlot* OpenQueue(short nId) {
    if (nId < 0 || nId >= kSlotCount) return nullptr;
    QueueSlot& queue = Queues()[nId];
    return queue.map.pView != nullptr ? &queue : nullptr;
}

// The legacy queue open in this process under nId, or null: the s_MapFile_… reads, writes and
// queries refuse a lock-free queue (QueueKinds.h).
inline QueueSlot* OpenLegacyQueue(short nId) {
    QueueSlot* queue = OpenQueue(nId);
    return queue != nullptr && queue->kind == halcyon::kQueueLegacy ? queue : nullptr;
}

inline tagSHMHEADER& HeaderOf(QueueSlot& queue) {
    return *static_cast<tagSHMHEADER*>(queue.map.pView);
}

inline std::uint32_t UsedSize(const tagSHMHEADER& h, std::uint32_t ringSize) {
    return ring::Used(h.put, h.take, ringSize);
}

// True when a record of `length` bytes and its length field fit the free part of the ring.
inline bool Fits(const tagSHMHEADER& h, std::uint32_t ringSize, std::uint32_t length) {
    return length + kLengthField <= ring::Free(h.put, h.take, ringSize);
}

// Empties the queue, restores a header that does not fit its ring, and wakes writers waiting for
// room. Takes the queue's mutex; does nothing when it cannot.
void ResetQueue(QueueSlot& queue);

// Waits for the queue's mutex (s_MutexWait: an abandoned one fails this call once); when the
// header is damaged, releases the mutex, resets the queue and returns false.
bool LockValid(QueueSlot& queue);

enum class Locked { kYes, kTimedOut, kFailed };

// As LockValid, but waits for the mutex at most `ms` (INFINITE: without limit), and a mutex
// abandoned by a process that died holding it is taken over, as a waiter that is to return only
// on a result or a timeout must.
Locked LockValidTakingOver(QueueSlot& queue, unsigned long ms);

// Appends one record. The mutex is held, the header valid, `sync` 0 and the record fits.
void Append(tagSHMHEADER& h, std::uint32_t ringSize, const unsigned char* data,
            unsigned short length);

enum class Taken { kRecord, kDamaged, kNoRoom };

// Takes the front record into `buf`, which has `room` bytes, and sets `length`. The mutex is
// held, the header valid, the queue not empty and `sync` 0. kDamaged when the queue holds no
// whole record there (the caller resets it); kNoRoom, taking nothing, when the record is longer
// than `room`.
Taken TakeFront(tagSHMHEADER& h, std::uint32_t ringSize, unsigned char* buf, std::uint32_t room,
                std::uint32_t& length);

// Batches (QueueWaits.h), with the mutex held, the header valid and `sync` 0: one `sync` set,
// one store of the offset and one change of the counters for the whole run.
//
// Takes front records into `buf` as frames (from `used` on) while they fit its `size` bytes and
// sets `count`. kDamaged, taking nothing, when the front record is damaged; damage behind it
// ends the run before it, for the next call to find.
Taken TakeRun(tagSHMHEADER& h, std::uint32_t ringSize, unsigned char* buf, unsigned long size,
              unsigned long& used, long& count);
// Appends the frames of `data` from `at` on while they fit; the records appended.
long AppendRun(tagSHMHEADER& h, std::uint32_t ringSize, const unsigned char* data,
               unsigned long size, unsigned long& at);

}  // namespace halcyon::ipc
