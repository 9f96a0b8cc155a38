// Writing, reading, resetting and querying shared queues.
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/QueueHeader.h"
#include "HalcyonCommon/Ipc/QueueRegistry.h"
#include "HalcyonCommon/Queue/Ring.h"
#include "Platform/Win.h"

#include <utility>

using namespace halcyon::ipc;
namespace ring = halcyon::ring;

namespace {

constexpr win::DWORD kPauseMs = 50;
constexpr unsigned short kMaxPauses = 32;

// The queue open in this process under nId, or null.
QueueSlot* OpenQueue(short nId) {
    if (nId < 0 || nId >= kSlotCount) return nullptr;
    QueueSlot& queue = Queues()[nId];
    return queue.map.pView != nullptr ? &queue : nullptr;
}

tagSHMHEADER& HeaderOf(QueueSlot& queue) { return *static_cast<tagSHMHEADER*>(queue.map.pView); }

std::uint32_t UsedSize(const tagSHMHEADER& h, std::uint32_t ringSize) {
    return ring::Used(h.put, h.take, ringSize);
}

// Counts one pause; false (and errcount + 1) once the pauses exceed the limit.
bool Pause(tagSHMHEADER& h, unsigned short& pauses, unsigned short limit) {
    win::Sleep(kPauseMs);
    if (++pauses <= limit) return true;
    ++h.errcount;
    return false;
}

// Waits for the queue's mutex; releases it and resets the queue when the header is damaged.
bool LockValid(short nId, QueueSlot& queue) {
    if (!s_MutexWait(queue.hMutex, true)) return false;
    if (IsValid(HeaderOf(queue), queue.ringSize)) return true;
    s_MutexReset(queue.hMutex);
    s_MapFile_ResetQue(nId);
    return false;
}

// Runs `query` on a valid header under the queue's mutex; 0 otherwise.
template <typename Query>
auto QueryHeader(short nId, Query query) -> decltype(query(std::declval<tagSHMHEADER&>(), 0U)) {
    if (!Registry().initialised) s_MapFile_Initialize(false);
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || !LockValid(nId, *queue)) return 0;
    auto result = query(HeaderOf(*queue), queue->ringSize);
    s_MutexReset(queue->hMutex);
    return result;
}

}  // namespace

int s_MapFile_WriteQue(short nId, unsigned char* pData, unsigned short wLen,
                       unsigned short wRetry) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pData == nullptr || wLen == 0 || wLen > kMaxRecord) return 0;
    if (!LockValid(nId, *queue)) return 0;
    tagSHMHEADER& h = HeaderOf(*queue);
    const std::uint32_t size = queue->ringSize;
    const unsigned short limit = wRetry < kMaxPauses ? wRetry : kMaxPauses;
    unsigned short pauses = 0;
    bool ok = true;
    // The mutex stays held through the pauses, as the terminal's modules expect.
    while (ok && wLen + kLengthField > ring::Free(h.put, h.take, size))
        ok = Pause(h, pauses, limit);
    while (ok && h.sync != 0) ok = Pause(h, pauses, limit);
    if (ok) {
        h.sync = 1;
        std::uint32_t put = ring::WriteLength(RingOf(h), size, h.put, wLen, kLengthField);
        h.put = ring::Write(RingOf(h), size, put, pData, wLen);
        ++h.WriteCount;
        ++h.count;
        h.sync = 0;
    }
    s_MutexReset(queue->hMutex);
    return ok ? 1 : 0;
}

short s_MapFile_ReadQue(short nId, unsigned char* pBuf, unsigned short wRetry) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pBuf == nullptr) return -1;
    const unsigned short limit = wRetry < kMaxPauses ? wRetry : kMaxPauses;
    if (!LockValid(nId, *queue)) return -1;
    tagSHMHEADER& h = HeaderOf(*queue);
    const std::uint32_t size = queue->ringSize;
    if (h.take == h.put) {
        s_MutexReset(queue->hMutex);
        return 0;
    }
    const std::uint32_t used = UsedSize(h, size);
    bool damaged = used <= kLengthField;
    unsigned short pauses = 0;
    bool ok = !damaged;
    while (ok && h.sync != 0) ok = Pause(h, pauses, limit);
    std::uint32_t length = 0;
    if (ok) {
        h.sync = 1;
        std::uint32_t take = ring::ReadLength(RingOf(h), size, h.take, kLengthField, length);
        // A length the queue cannot hold, or one longer than any record, means damage; the
        // caller's buffer never receives more than the largest record.
        damaged = length == 0 || length > used || length > kMaxRecord;
        if (!damaged) {
            h.take = ring::Read(RingOf(h), size, take, pBuf, length);
            if (h.count != 0) --h.count;
            ++h.ReadCount;
        }
        h.sync = 0;
    }
    s_MutexReset(queue->hMutex);
    if (damaged) s_MapFile_ResetQue(nId);
    return ok && !damaged ? static_cast<short>(length) : -1;
}

void s_MapFile_ResetQue(short nId) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || !s_MutexWait(queue->hMutex, true)) return;
    tagSHMHEADER& h = HeaderOf(*queue);
    // Every field but the size; a size that does not fit the mapped ring is restored too.
    InitialiseHeader(h, static_cast<std::uint8_t>(queue->ringSize / 1024));
    s_MutexReset(queue->hMutex);
}

unsigned long s_MapFile_QueryQueCount(short nId) {
    return QueryHeader(nId,
                       [](tagSHMHEADER& h, std::uint32_t) -> unsigned long { return h.count; });
}

unsigned short s_MapFile_QueryQueErrCount(short nId) {
    return QueryHeader(nId,
                       [](tagSHMHEADER& h, std::uint32_t) -> unsigned short { return h.errcount; });
}

unsigned long s_MapFile_QueryQueSize(short nId) {
    return QueryHeader(nId,
                       [](tagSHMHEADER&, std::uint32_t size) -> unsigned long { return size; });
}

unsigned long s_MapFile_QueryQueUseSize(short nId) {
    return QueryHeader(nId, [](tagSHMHEADER& h, std::uint32_t size) -> unsigned long {
        return UsedSize(h, size);
    });
}

int s_MapFile_QueryQueHeader(short nId, tagSHMHEADER* pHeader) {
    if (!Registry().initialised) s_MapFile_Initialize(false);
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pHeader == nullptr || !s_MutexWait(queue->hMutex, true)) return 0;
    std::memcpy(pHeader, queue->map.pView, sizeof(tagSHMHEADER));
    s_MutexReset(queue->hMutex);
    return 1;
}

short s_MapFile_QueryQueId(const char* lpszName) {
    if (lpszName == nullptr) return -1;
    if (!Registry().initialised) s_MapFile_Initialize(false);
    RegistryImage image;
    if (!ReadRegistry(image)) return -1;
    for (short id = 0; id < kSlotCount; ++id) {
        if (std::strcmp(Queues()[id].name, lpszName) == 0) return id;
    }
    return -1;
}

const char* s_MapFile_QueryQueName(short nId) {
    if (nId < 0 || nId >= kSlotCount) return "";
    if (!Registry().initialised) s_MapFile_Initialize(false);
    RegistryImage image;
    if (!ReadRegistry(image)) return "";
    return Queues()[nId].name;
}
