// SPDX-License-Identifier: Apache-2.0
/// @file
/// Kinds of shared queue: the legacy queue of SharedMemory.h, and a lock-free queue for
/// processes that all use this library.
///
/// A queue's kind is chosen by its creator and read from the queue's mapping by every process
/// that opens it (s_MapFile_OpenQue, s_MapFile_WaitingOpenQue), so the ids, the registry, the
/// names and lifetimes of the kernel objects, and the functions of QueueWaits.h are the same
/// for both. The lock-free queue (docs/shared-queue-format.md) has one writing process and one
/// reading process at a time, each of any number of threads; its records are taken without a
/// mutex, so a record costs a few tens of nanoseconds instead of a few hundred. The legacy
/// format's s_MapFile_… reads, writes, resets and queries refuse it (0, -1, nothing done), and a
/// program built on an earlier version of this library cannot open it.
#pragma once

#include <HalcyonCommon/Export.h>

namespace halcyon {

/// The legacy queue: a header and a ring under the mutex "QS_<name>", which every version of
/// the s_MapFile_… functions reads and writes.
constexpr int kQueueLegacy = 0;
/// The lock-free queue: one writing and one reading process at a time.
constexpr int kQueueLockFree = 1;

/// Creates queue lpszName of nKind with a ring of bySize KiB (1-255), as s_MapFile_CreateQue
/// does: the registry's first free slot becomes its id, and a name already registered gives
/// that queue's id and creates nothing (whatever its kind).
/// @return the id, or -1 for a null name, one longer than 31 characters, a bySize of 0, an
///         unknown kind, a full registry, or a failure of the system.
HALCYON_API short CreateQueue(const char* lpszName, unsigned char bySize, int nKind);

/// @return the kind of queue nId, or -1 when nId is not a queue open in this process.
HALCYON_API int QueryQueueKind(short nId);

/// A queue as it stands, for both kinds.
struct QueueState {
    int kind;                  ///< kQueueLegacy or kQueueLockFree
    unsigned long ringBytes;   ///< the ring's size
    unsigned long usedBytes;   ///< ring bytes in use, length fields included
    unsigned long records;     ///< records queued
    unsigned long writeCount;  ///< records written, wrapping at 2^32
    unsigned long readCount;   ///< records read, wrapping at 2^32
    unsigned long errCount;    ///< legacy: errcount; lock-free: always 0
};

/// Fills *pState from queue nId. A legacy queue's header is read under its mutex (a damaged one
/// is reset, as s_MapFile_QueryQueCount does); a lock-free queue's counters are read as they
/// stand, without a lock.
/// @return 1, or 0 for a null pState, a queue not open here, or a damaged queue.
HALCYON_API int QueryQueueState(short nId, QueueState* pState);

}  // namespace halcyon
