// SPDX-License-Identifier: Apache-2.0
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
/// that died before its signal (or by a program that does not signal) is found all the same. A
/// wait with a time limit returns once it has passed, at most 20 ms later, also when another
/// process holds the queue's mutex and does not let go (stopped, or pausing in s_MapFile_WriteQue
/// on a full queue): the mutex is waited for with the time left. Before it sleeps, a reader
/// watches the queue's offsets for a few microseconds without the mutex, so that it does not
/// keep a writer from it; the clock is read only when a wait with a limit is about to sleep.
///
/// The same functions work on a lock-free queue (QueueKinds.h), whose writer and reader meet
/// without a mutex.
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

/// @name Batches
/// A batch is a run of frames, each a record's length in two bytes, low byte first, followed by
/// the record's 1-3095 bytes: the form records have in the ring. A batch read fills a buffer
/// with frames; a batch write takes one. Several records move under one hold of the queue's
/// mutex, which is what a record costs most.
/// @{

/// Takes the queued records of queue nId, front first, into pBuf as frames, as many as fit its
/// dwSize bytes, under one hold of the queue's mutex. When the queue is empty, sleeps until a
/// writer adds a record, for at most dwMilliseconds, as ReadQueueWaiting does.
///
/// @param nId             a queue open in this process
/// @param pBuf            receives the frames
/// @param dwSize          pBuf's bytes: at least 3097 (one frame of the longest record), so that
///                        the front record always fits
/// @param pdwUsed         when not null, receives the bytes of pBuf filled (0 unless records came)
/// @param dwMilliseconds  how long to wait for a record; kQueueWaitForever waits as long as it
///                        takes
/// @return the number of records taken (1 or more), 0 when dwMilliseconds passed with the
///         queue still empty, -1 on the failures of ReadQueueWaiting: bad arguments (dwSize
///         below 3097 included), a queue not open here, a damaged queue (it is reset; its
///         records are lost), a copy left unfinished by a process that died in it (errcount + 1).
///         Damage behind the first record ends the batch before it and fails the next call.
HALCYON_API long ReadQueueBatch(short nId, unsigned char* pBuf, unsigned long dwSize,
                                unsigned long* pdwUsed, unsigned long dwMilliseconds);

/// Appends the records framed in the dwSize bytes at pData to queue nId, in order: as many as
/// fit under each hold of the queue's mutex. When the next one does not fit, the mutex is
/// released and the caller sleeps until a reader makes room, for at most dwMilliseconds in all.
///
/// The frames are checked before anything is written: each record of 1-3095 bytes and shorter
/// than the ring by more than its length field, the last frame ending at dwSize.
///
/// @param nId             a queue open in this process
/// @param pData           the frames
/// @param dwSize          pData's bytes
/// @param pdwUsed         when not null, receives the bytes of pData whose records were appended:
///                        the frames from there on were not (pass them again)
/// @param dwMilliseconds  how long to wait for room in all; kQueueWaitForever waits as long as it
///                        takes
/// @return the number of records appended (all of them, or fewer when the time passed or the
///         queue failed after some), 0 when the time passed before any fitted, -1 when none was
///         appended because of bad arguments or frames, a queue not open here, a damaged header
///         (the queue is reset), or an unfinished copy (errcount + 1).
HALCYON_API long WriteQueueBatch(short nId, const unsigned char* pData, unsigned long dwSize,
                                 unsigned long* pdwUsed, unsigned long dwMilliseconds);

/// @}

/// Makes this process's readers of queue nId (ReadQueueWaiting, ReadQueueBatch,
/// WaitQueueRecord) watch the queue for up to dwMicroseconds (at most 1000) before they sleep,
/// without its mutex. A record that comes meanwhile is taken within a microsecond instead of
/// after a wake-up (tens of microseconds, a scheduler slice on a busy machine), at the price of
/// a processor kept busy for that long each time the queue runs empty. 0, the default, watches
/// only a few microseconds. The setting lasts until the queue is closed in this process.
/// @return 1, or -1 when nId is not a queue open in this process.
HALCYON_API int SetQueueReadSpin(short nId, unsigned long dwMicroseconds);

}  // namespace halcyon
