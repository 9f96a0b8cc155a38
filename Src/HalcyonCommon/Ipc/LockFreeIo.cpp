// SPDX-License-Identifier: Apache-2.0
// Reading, writing and waiting on lock-free queues (LockFreeQueue.h). Records are framed in the
// ring as in a legacy queue; the offsets are the sides' own words.
#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/LockFreeSides.h"
#include "HalcyonCommon/Ipc/QueueHeader.h"
#include "HalcyonCommon/Ring/Ring.h"

namespace halcyon::ipc {
namespace {

inline bool FitsBetween(std::uint32_t put, std::uint32_t take, std::uint32_t size,
                        std::uint32_t length) {
    return length + kLengthField <= ring::Free(put, take, size);
}

// With the writer's turn: appends one record when it fits, looking at the reader's offset again
// when the one last seen leaves no room. kNotYet when it does not fit; kFailed when the reader's
// offset is damaged.
inline int Put(LockFreeQueue& q, const unsigned char* data, std::uint32_t length) {
    LockFreeSide& w = q.writer;
    if (!FitsBetween(w.own, w.seen, q.ringSize, length)) {
        // Kept only when it lies in the ring: no later call may count room from a damaged one.
        const std::uint32_t take = q.control->reader.offset.load(std::memory_order_acquire);
        if (take >= q.ringSize) return kFailed;
        w.seen = take;
        if (!FitsBetween(w.own, w.seen, q.ringSize, length)) return kNotYet;
    }
    std::uint32_t at = ring::WriteLength(q.ring, q.ringSize, w.own, length, kLengthField);
    w.own = ring::Write(q.ring, q.ringSize, at, data, length);
    ++w.count;
    return kDone;
}

// One store makes the records appended since the last one visible, whole. It is sequentially
// consistent, as the sleepers' counts are: the look at the other side's sleepers that follows
// cannot pass it, so a sleeper either sees the change or is signalled (LockFreeSides.h).
inline void PublishWriter(LockFreeQueue& q) {
    q.control->writer.offset.store(q.writer.own, std::memory_order_seq_cst);
    q.control->writer.count.store(q.writer.count, std::memory_order_relaxed);
}

inline void PublishReader(LockFreeQueue& q) {
    q.control->reader.offset.store(q.reader.own, std::memory_order_seq_cst);
    q.control->reader.count.store(q.reader.count, std::memory_order_relaxed);
}

enum class Took { kRecord, kEmpty, kNoRoom, kDamaged };

// With the reader's turn: takes the front record into `buf` of `room` bytes.
inline Took TakeOne(LockFreeQueue& q, unsigned char* buf, std::uint32_t room,
                    std::uint32_t& length) {
    LockFreeSide& r = q.reader;
    if (r.seen == r.own) {
        // Kept only when it lies in the ring: no later call may read up to a damaged one.
        const std::uint32_t put = q.control->writer.offset.load(std::memory_order_acquire);
        if (put >= q.ringSize) return Took::kDamaged;
        r.seen = put;
        if (r.seen == r.own) {
            // Nothing to take: the reader's word is stored again if something changed it, so
            // that a writer that found it damaged can go on.
            if (q.control->reader.offset.load(std::memory_order_relaxed) != r.own) PublishReader(q);
            return Took::kEmpty;
        }
    }
    const std::uint32_t used = ring::Used(r.seen, r.own, q.ringSize);
    if (used <= kLengthField) return Took::kDamaged;
    std::uint32_t at = ring::ReadLength(q.ring, q.ringSize, r.own, kLengthField, length);
    if (length == 0 || length > kMaxRecord || length + kLengthField > used) return Took::kDamaged;
    if (length > room) return Took::kNoRoom;
    r.own = ring::Read(q.ring, q.ringSize, at, buf, length);
    ++r.count;
    return Took::kRecord;
}

// With the reader's turn, after damage: what the writer has published (as far as the reader
// has seen a valid offset) is dropped, as a reset drops a legacy queue's records. A damaged
// offset of the writer's is repaired by its next write.
void DropPublished(LockFreeQueue& q) {
    q.reader.own = q.reader.seen;
    PublishReader(q);
}

// Takes records into `buf` as frames while they fit its `size` bytes; the count taken. `took`
// tells why it stopped.
long TakeFrames(LockFreeQueue& q, unsigned char* buf, unsigned long size, unsigned long& used,
                Took& took) {
    long count = 0;
    took = Took::kNoRoom;
    while (size - used > kLengthField) {
        std::uint32_t length = 0;
        took = TakeOne(q, buf + used + kLengthField,
                       static_cast<std::uint32_t>(size - used - kLengthField), length);
        if (took != Took::kRecord) break;
        SetFrameLength(buf + used, length);
        used += kLengthField + length;
        ++count;
    }
    return count;
}

// With the side's turn held: whether more is left for the others of the side (records for
// readers, room for writers), as far as this side has seen.
inline bool RecordsLeft(const LockFreeQueue& q) { return q.reader.own != q.reader.seen; }
inline bool RoomLeft(const LockFreeQueue& q) {
    return FitsBetween(q.writer.own, q.writer.seen, q.ringSize, 1);
}

// The end of a read that took records, after the turn: the writer, if it sleeps for room, is
// woken, and another reader when records are left.
inline void AfterTaking(QueueSlot& queue, bool recordsLeft) {
    Signal(queue.wake, WakeKind::kRoom);
    PassOn(queue, WakeKind::kRecord, recordsLeft);
}

inline void AfterPutting(QueueSlot& queue, bool roomLeft) {
    Signal(queue.wake, WakeKind::kRecord);
    PassOn(queue, WakeKind::kRoom, roomLeft);
}

auto RecordReady(const LockFreeQueue& q) {
    return [&q] { return PutOf(q) != TakeOf(q); };
}

auto RoomReady(const LockFreeQueue& q, std::uint32_t length) {
    return [&q, length] { return FitsBetween(PutOf(q), TakeOf(q), q.ringSize, length); };
}

bool OffsetsValid(const LockFreeQueue& q) {
    return PutOf(q) < q.ringSize && TakeOf(q) < q.ringSize;
}

}  // namespace

int LockFreeWaitRecord(QueueSlot& queue, short id, unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    if (!OffsetsValid(q)) return kFailed;
    WaitClock clock(ms);
    auto ready = RecordReady(q);
    return ready() ? kDone : AwaitLockFree(queue, WakeKind::kRecord, clock, ready);
}

int LockFreeWaitRoom(QueueSlot& queue, short id, unsigned short length, unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    if (!OffsetsValid(q)) return kFailed;
    WaitClock clock(ms);
    auto ready = RoomReady(q, length);
    return ready() ? kDone : AwaitLockFree(queue, WakeKind::kRoom, clock, ready);
}

int LockFreeWrite(QueueSlot& queue, short id, const unsigned char* data, unsigned short length,
                  unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    WaitClock clock(ms);
    for (;;) {
        int outcome;
        bool roomLeft = false;
        {
            SideTurn turn(q.writer);
            if (!Claimed(q, Side::kWriter, queue.name)) return kFailed;
            outcome = Put(q, data, length);
            if (outcome == kDone) PublishWriter(q);
            roomLeft = RoomLeft(q);
        }
        if (outcome == kDone) AfterPutting(queue, roomLeft);
        if (outcome != kNotYet) return outcome;
        outcome = AwaitLockFree(queue, WakeKind::kRoom, clock, RoomReady(q, length));
        if (outcome != kDone) return outcome;
    }
}

short LockFreeRead(QueueSlot& queue, short id, unsigned char* buf, unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    WaitClock clock(ms);
    for (;;) {
        Took took;
        std::uint32_t length = 0;
        bool recordsLeft = false;
        {
            SideTurn turn(q.reader);
            if (!Claimed(q, Side::kReader, queue.name)) return kFailed;
            took = TakeOne(q, buf, kMaxRecord, length);
            if (took == Took::kRecord) PublishReader(q);
            if (took == Took::kDamaged) DropPublished(q);
            recordsLeft = RecordsLeft(q);
        }
        if (took == Took::kRecord) {
            AfterTaking(queue, recordsLeft);
            return static_cast<short>(length);
        }
        if (took == Took::kDamaged) return kFailed;
        int outcome = AwaitLockFree(queue, WakeKind::kRecord, clock, RecordReady(q));
        if (outcome != kDone) return static_cast<short>(outcome);
    }
}

long LockFreeReadBatch(QueueSlot& queue, short id, unsigned char* buf, unsigned long size,
                       unsigned long& used, unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    WaitClock clock(ms);
    for (;;) {
        Took took;
        long count;
        bool recordsLeft = false;
        {
            SideTurn turn(q.reader);
            if (!Claimed(q, Side::kReader, queue.name)) return kFailed;
            count = TakeFrames(q, buf, size, used, took);
            if (count > 0) PublishReader(q);
            // Damage behind the first record is left for the next call, which reports it.
            if (count == 0 && took == Took::kDamaged) DropPublished(q);
            recordsLeft = RecordsLeft(q);
        }
        if (count > 0) {
            AfterTaking(queue, recordsLeft);
            return count;
        }
        if (took == Took::kDamaged) return kFailed;
        int outcome = AwaitLockFree(queue, WakeKind::kRecord, clock, RecordReady(q));
        if (outcome != kDone) return outcome;
    }
}

long LockFreeWriteBatch(QueueSlot& queue, short id, const unsigned char* data, unsigned long size,
                        unsigned long& used, unsigned long ms) {
    LockFreeQueue& q = LockFreeOf(id);
    WaitClock clock(ms);
    long written = 0;
    int outcome = kDone;
    while (used < size && outcome == kDone) {
        long before = written;
        bool roomLeft = false;
        {
            SideTurn turn(q.writer);
            if (!Claimed(q, Side::kWriter, queue.name)) {
                outcome = kFailed;
                break;
            }
            while (used < size && (outcome = Put(q, data + used + kLengthField,
                                                 FrameLength(data + used))) == kDone) {
                used += kLengthField + FrameLength(data + used);
                ++written;
            }
            if (written > before) PublishWriter(q);
            roomLeft = RoomLeft(q);
        }
        if (written > before) AfterPutting(queue, roomLeft);
        if (outcome == kNotYet) {
            outcome = AwaitLockFree(queue, WakeKind::kRoom, clock,
                                    RoomReady(q, FrameLength(data + used)));
        }
    }
    return written > 0 ? written : outcome;
}

}  // namespace halcyon::ipc
