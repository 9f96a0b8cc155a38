// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Ipc/QueueAccess.h"

#include <HalcyonCommon/Mutex.h>

#include "HalcyonCommon/Ipc/QueueWake.h"
#include "Platform/Win.h"

namespace halcyon::ipc {
namespace {

bool CheckHeader(QueueSlot& queue) {
    if (IsValid(HeaderOf(queue), queue.ringSize)) return true;
    s_MutexReset(queue.hMutex);
    ResetQueue(queue);
    return false;
}

}  // namespace

void ResetQueue(QueueSlot& queue) {
    if (!s_MutexWait(queue.hMutex, true)) return;
    tagSHMHEADER& h = HeaderOf(queue);
    // Every field but the size; a size that does not fit the mapped ring is restored too.
    InitialiseHeader(h, static_cast<std::uint8_t>(queue.ringSize / 1024));
    s_MutexReset(queue.hMutex);
    Signal(queue.wake, WakeKind::kRoom);  // the whole ring is free now
}

bool LockValid(QueueSlot& queue) { return s_MutexWait(queue.hMutex, true) && CheckHeader(queue); }

Locked LockValidTakingOver(QueueSlot& queue, unsigned long ms) {
    win::DWORD result = win::WaitForSingleObject(queue.hMutex, ms);
    if (result == WAIT_TIMEOUT) return Locked::kTimedOut;
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return Locked::kFailed;
    // A copy the dead owner left unfinished shows as `sync` 1, which the caller looks at.
    return CheckHeader(queue) ? Locked::kYes : Locked::kFailed;
}

void Append(tagSHMHEADER& h, std::uint32_t ringSize, const unsigned char* data,
            unsigned short length) {
    h.sync = 1;
    std::uint32_t put = ring::WriteLength(RingOf(h), ringSize, h.put, length, kLengthField);
    StorePut(h, ring::Write(RingOf(h), ringSize, put, data, length));
    ++h.WriteCount;
    ++h.count;
    h.sync = 0;
}

Taken TakeFront(tagSHMHEADER& h, std::uint32_t ringSize, unsigned char* buf, std::uint32_t room,
                std::uint32_t& length) {
    const std::uint32_t used = UsedSize(h, ringSize);
    if (used <= kLengthField) return Taken::kDamaged;
    std::uint32_t take = ring::ReadLength(RingOf(h), ringSize, h.take, kLengthField, length);
    // A length the queue cannot hold, or one longer than any record, means damage; the caller's
    // buffer never receives more than the largest record.
    if (length == 0 || length > used || length > kMaxRecord) return Taken::kDamaged;
    if (length > room) return Taken::kNoRoom;
    h.sync = 1;
    StoreTake(h, ring::Read(RingOf(h), ringSize, take, buf, length));
    if (h.count != 0) --h.count;
    ++h.ReadCount;
    h.sync = 0;
    return Taken::kRecord;
}

Taken TakeRun(tagSHMHEADER& h, std::uint32_t ringSize, unsigned char* buf, unsigned long size,
              unsigned long& used, long& count) {
    count = 0;
    const std::uint32_t put = h.put;
    std::uint32_t take = h.take;
    Taken result = Taken::kRecord;
    h.sync = 1;
    for (std::uint32_t left; (left = ring::Used(put, take, ringSize)) != 0;) {
        if (size - used <= kLengthField) break;
        std::uint32_t length = 0;
        std::uint32_t at = ring::ReadLength(RingOf(h), ringSize, take, kLengthField, length);
        // As TakeFront judges a record: a length the queue cannot hold means damage.
        if (left <= kLengthField || length == 0 || length > left || length > kMaxRecord) {
            if (count == 0) result = Taken::kDamaged;
            break;
        }
        if (length > size - used - kLengthField) break;
        take = ring::Read(RingOf(h), ringSize, at, buf + used + kLengthField, length);
        SetFrameLength(buf + used, length);
        used += kLengthField + length;
        ++count;
    }
    if (count > 0) {
        StoreTake(h, take);
        const auto taken = static_cast<std::uint32_t>(count);
        h.count = h.count > taken ? h.count - taken : 0;
        h.ReadCount += taken;
    }
    h.sync = 0;
    return result;
}

long AppendRun(tagSHMHEADER& h, std::uint32_t ringSize, const unsigned char* data,
               unsigned long size, unsigned long& at) {
    const std::uint32_t take = h.take;
    std::uint32_t put = h.put;
    long count = 0;
    h.sync = 1;
    while (at < size) {
        const std::uint32_t length = FrameLength(data + at);
        if (length + kLengthField > ring::Free(put, take, ringSize)) break;
        put = ring::WriteLength(RingOf(h), ringSize, put, length, kLengthField);
        put = ring::Write(RingOf(h), ringSize, put, data + at + kLengthField, length);
        at += kLengthField + length;
        ++count;
    }
    if (count > 0) {
        StorePut(h, put);
        h.WriteCount += static_cast<std::uint32_t>(count);
        h.count += static_cast<std::uint32_t>(count);
    }
    h.sync = 0;
    return count;
}

}  // namespace halcyon::ipc
