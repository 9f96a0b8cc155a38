// SPDX-License-Identifier: Apache-2.0
// Writing, reading, resetting and querying shared queues.
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/QueueAccess.h"
#include "HalcyonCommon/Ipc/QueueRegistry.h"
#include "Platform/Win.h"

#include <utility>

using namespace halcyon::ipc;

namespace {

constexpr win::DWORD kPauseMs = 50;
constexpr unsigned short kMaxPauses = 32;

// Counts one pause; false (and errcount + 1) once the pauses exceed the limit.
bool Pause(tagSHMHEADER& h, unsigned short& pauses, unsigned short limit) {
    win::Sleep(kPauseMs);
    if (++pauses <= limit) return true;
    ++h.errcount;
    return false;
}

// Runs `query` on a valid header under the queue's mutex; 0 otherwise.
template <typename Query>
auto QueryHeader(short nId, Query query) -> decltype(query(std::declval<tagSHMHEADER&>(), 0U)) {
    if (!Registry().initialised) s_MapFile_Initialize(false);
    QueueSlot* queue = OpenLegacyQueue(nId);
    if (queue == nullptr || !LockValid(*queue)) return 0;
    auto result = query(HeaderOf(*queue), queue->ringSize);
    s_MutexReset(queue->hMutex);
    return result;
}

}  // namespace

int s_MapFile_WriteQue(short nId, unsigned char* pData, unsigned short wLen,
                       unsigned short wRetry) {
    QueueSlot* queue = OpenLegacyQueue(nId);
    if (queue == nullptr || pData == nullptr || wLen == 0 || wLen > kMaxRecord) return 0;
    if (!LockValid(*queue)) return 0;
    tagSHMHEADER& h = HeaderOf(*queue);
    const std::uint32_t size = queue->ringSize;
    const unsigned short limit = wRetry < kMaxPauses ? wRetry : kMaxPauses;
    unsigned short pauses = 0;
    bool ok = true;
    // The mutex stays held through the pauses, as the terminal's modules expect.
    while (ok && !Fits(h, size, wLen)) ok = Pause(h, pauses, limit);
    while (ok && h.sync != 0) ok = Pause(h, pauses, limit);
    if (ok) Append(h, size, pData, wLen);
    s_MutexReset(queue->hMutex);
    if (ok) Signal(queue->wake, WakeKind::kRecord);
    return ok ? 1 : 0;
}

short s_MapFile_ReadQue(short nId, unsigned char* pBuf, unsigned short wRetry) {
    QueueSlot* queue = OpenLegacyQueue(nId);
    if (queue == nullptr || pBuf == nullptr) return -1;
    const unsigned short limit = wRetry < kMaxPauses ? wRetry : kMaxPauses;
    if (!LockValid(*queue)) return -1;
    tagSHMHEADER& h = HeaderOf(*queue);
    const std::uint32_t size = queue->ringSize;
    if (h.take == h.put) {
        s_MutexReset(queue->hMutex);
        return 0;
    }
    bool damaged = UsedSize(h, size) <= kLengthField;
    unsigned short pauses = 0;
    bool ok = !damaged;
    while (ok && h.sync != 0) ok = Pause(h, pauses, limit);
    std::uint32_t length = 0;
    if (ok) damaged = TakeFront(h, size, pBuf, kMaxRecord, length) == Taken::kDamaged;
    s_MutexReset(queue->hMutex);
    if (damaged) ResetQueue(*queue);
    if (!ok || damaged) return -1;
    Signal(queue->wake, WakeKind::kRoom);
    return static_cast<short>(length);
}

void s_MapFile_ResetQue(short nId) {
    QueueSlot* queue = OpenLegacyQueue(nId);
    if (queue != nullptr) ResetQueue(*queue);
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
    QueueSlot* queue = OpenLegacyQueue(nId);
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
