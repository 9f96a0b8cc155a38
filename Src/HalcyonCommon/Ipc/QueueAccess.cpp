#include "HalcyonCommon/Ipc/QueueAccess.h"

#include <HalcyonCommon/Mutex.h>

#include "Platform/Win.h"

namespace halcyon::ipc {
namespace {

bool CheckHeader(short nId, QueueSlot& queue) {
    if (IsValid(HeaderOf(queue), queue.ringSize)) return true;
    s_MutexReset(queue.hMutex);
    s_MapFile_ResetQue(nId);
    return false;
}

}  // namespace

bool LockValid(short nId, QueueSlot& queue) {
    return s_MutexWait(queue.hMutex, true) && CheckHeader(nId, queue);
}

bool LockValidTakingOver(short nId, QueueSlot& queue) {
    win::DWORD result = win::WaitForSingleObject(queue.hMutex, INFINITE);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
    // A copy the dead owner left unfinished shows as `sync` 1, which the caller looks at.
    return CheckHeader(nId, queue);
}

void Append(tagSHMHEADER& h, std::uint32_t ringSize, const unsigned char* data,
            unsigned short length) {
    h.sync = 1;
    std::uint32_t put = ring::WriteLength(RingOf(h), ringSize, h.put, length, kLengthField);
    h.put = ring::Write(RingOf(h), ringSize, put, data, length);
    ++h.WriteCount;
    ++h.count;
    h.sync = 0;
}

Taken TakeFront(tagSHMHEADER& h, std::uint32_t ringSize, unsigned char* buf,
                std::uint32_t& length) {
    const std::uint32_t used = UsedSize(h, ringSize);
    if (used <= kLengthField) return Taken::kDamaged;
    h.sync = 1;
    std::uint32_t take = ring::ReadLength(RingOf(h), ringSize, h.take, kLengthField, length);
    // A length the queue cannot hold, or one longer than any record, means damage; the caller's
    // buffer never receives more than the largest record.
    bool damaged = length == 0 || length > used || length > kMaxRecord;
    if (!damaged) {
        h.take = ring::Read(RingOf(h), ringSize, take, buf, length);
        if (h.count != 0) --h.count;
        ++h.ReadCount;
    }
    h.sync = 0;
    return damaged ? Taken::kDamaged : Taken::kRecord;
}

}  // namespace halcyon::ipc
