// SPDX-License-Identifier: Apache-2.0
// A lock-free queue as this process holds it, and its reads, writes and waits (QueueKinds.h).
//
// One process at a time writes and one reads: the first write (read) of a process claims the
// side by creating the named event "QPUT_<name>" ("QTAKE_<name>") and holds it until the queue
// is closed; a process that finds the name taken is refused (-1). The name dies with its
// holder, also when it is killed, so the next process takes the side over where the ring says
// it stands. Within a process, the threads of a side take turns on a flag of its own.
#pragma once

#include "HalcyonCommon/Ipc/IpcState.h"
#include "HalcyonCommon/Ipc/LockFreeLayout.h"

#include <atomic>
#include <cstdint>

namespace halcyon::ipc {

// One side of a lock-free queue in this process.
struct LockFreeSide {
    std::atomic<bool> busy{false};  // a thread of this process is on this side
    void* claim = nullptr;          // the side's event, held while this process is the side
    std::uint32_t own = 0;          // the side's offset (put or take), valid while claimed
    std::uint32_t seen = 0;         // the other side's offset as last read: it only moves on
    std::uint32_t count = 0;        // the side's counter
};

struct LockFreeQueue {
    LockFreeControl* control = nullptr;
    std::uint8_t* ring = nullptr;
    std::uint32_t ringSize = 0;
    LockFreeSide writer, reader;
};

// This process's lock-free queues, by id (constant-initialised: usable from the first call).
extern LockFreeQueue g_lockFreeQueues[kSlotCount];
inline LockFreeQueue& LockFreeOf(short id) { return g_lockFreeQueues[id]; }

// Attaches the lock-free queue viewed at `view` (sized by LockFreeSizeOf) to id.
void AttachLockFree(short id, void* view, std::uint32_t ringSize);
// Gives up the sides this process holds and forgets the queue.
void DetachLockFree(short id);

// The calls of QueueWaits.h on a lock-free queue; the same results.
int LockFreeWaitRecord(QueueSlot& queue, short id, unsigned long ms);
int LockFreeWaitRoom(QueueSlot& queue, short id, unsigned short length, unsigned long ms);
int LockFreeWrite(QueueSlot& queue, short id, const unsigned char* data, unsigned short length,
                  unsigned long ms);
short LockFreeRead(QueueSlot& queue, short id, unsigned char* buf, unsigned long ms);
long LockFreeReadBatch(QueueSlot& queue, short id, unsigned char* buf, unsigned long size,
                       unsigned long& used, unsigned long ms);
long LockFreeWriteBatch(QueueSlot& queue, short id, const unsigned char* data, unsigned long size,
                        unsigned long& used, unsigned long ms);

}  // namespace halcyon::ipc
