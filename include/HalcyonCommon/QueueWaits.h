/// \file
/// Waiting on shared queues: sleep until a queue has a record, or room for one, and be woken by
/// the process that changes it, instead of polling.
///
/// These functions work on the queues of SharedMemory.h, by the same ids, beside the s_MapFile_…
/// functions, which behave exactly as before (their pauses included): a process may poll and
/// another wait on the same queue. Every queue has, beside its mapping and mutex, two named
/// auto-reset events, `"QREC_<name>"` (set after a write) and `"QROOM_<name>"` (set after a read),
/// and a small mapping `"QWAIT_<name>"` that counts the sleepers of each kind. Writers and readers
/// set an event only when that count is not zero: a process that never waits makes no system call
/// for it.
///
/// A sleeper looks at the queue again at least every 50 ms, so a record written by a process
/// that died before its signal (or by a program that does not signal) is found all the same, and a
/// wait with a time limit always returns once it has passed.
///
/// Any thread may call these functions on a queue that is open in its process. A time limit of
/// kQueueWaitForever (0xFFFFFFFF) waits as long as it takes.
#pragma once

#include <HalcyonCommon/Export.h>

namespace halcyon {

constexpr unsigned long kQueueWaitForever = 0xFFFFFFFFUL;  ///< a wait without limit

/// 1 as soon as queue nId holds a record, 0 when dwMilliseconds passed first, -1 when nId is not
/// a queue open in this process or its header is damaged (the queue is then reset). Another
/// reader may take the record before the caller does.
HALCYON_API int WaitQueueRecord(short nId, unsigned long dwMilliseconds);

/// 1 as soon as queue nId has room for a record of wLen bytes (wLen + 2 free bytes in the ring),
/// 0 when dwMilliseconds passed first, -1 for a queue not open here, a damaged header (reset), or
/// a wLen of 0, above 3095, or too long for the ring. Another writer may fill the room first.
HALCYON_API int WaitQueueRoom(short nId, unsigned short wLen, unsigned long dwMilliseconds);

/// Appends one record, as s_MapFile_WriteQue does, when it fits. When it does not, the queue's
/// mutex is released and the caller sleeps until a reader makes room, for at most dwMilliseconds
/// in all: several producers never hold each other up while one of them waits. 1 when appended,
/// 0 when the time passed with no room (nothing written, errcount unchanged), -1 for bad
/// arguments, a queue not open here, a record the ring cannot hold at all, a damaged header (the
/// queue is reset), or a copy left unfinished by a process that died in it (`sync` stays 1 until
/// s_MapFile_ResetQue; errcount + 1).
HALCYON_API int WriteQueueWaiting(short nId, const unsigned char* pData, unsigned short wLen,
                                  unsigned long dwMilliseconds);

/// Takes the front record into pBuf (which must hold 3095 bytes), as s_MapFile_ReadQue does;
/// when the queue is empty, sleeps until a writer adds one, for at most dwMilliseconds. The
/// record's length, 0 when the time passed with the queue still empty, -1 on the failures of
/// s_MapFile_ReadQue (a damaged queue is reset; an unfinished copy fails at once, errcount + 1).
HALCYON_API short ReadQueueWaiting(short nId, unsigned char* pBuf, unsigned long dwMilliseconds);

}  // namespace halcyon
