// SPDX-License-Identifier: Apache-2.0
// Creating, opening and closing shared queues.
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/LockFreeQueue.h"
#include "HalcyonCommon/Ipc/QueueHeader.h"
#include "HalcyonCommon/Ipc/QueueRegistry.h"
#include "Platform/Win.h"

using namespace halcyon::ipc;

namespace {

constexpr win::DWORD kOpenPollMs = 100;
constexpr win::DWORD kWaitingOpenLimitMs = 60000;
constexpr std::uint64_t kPageBytes = 4096;  // a view spans whole pages

short FindName(const RegistryImage& image, const char* name) {
    for (short id = 0; id < kSlotCount; ++id) {
        if (image.slots[id][0] != '\0' && SameName(image.slots[id], name)) return id;
    }
    return -1;
}

short FirstFree(const RegistryImage& image) {
    for (short id = 0; id < kSlotCount; ++id) {
        if (image.slots[id][0] == '\0') return id;
    }
    return -1;
}

bool AnyRegistered(const RegistryImage& image) {
    for (const auto& slot : image.slots) {
        if (slot[0] != '\0') return true;
    }
    return false;
}

bool ViewHolds(void* view, std::uint64_t bytes) {
    win::MEMORY_BASIC_INFORMATION info = {};
    return win::VirtualQuery(view, &info, sizeof info) != 0 && info.RegionSize >= bytes;
}

void SetUpKind(short id, int kind, std::uint32_t ringSize) {
    QueueSlot& queue = Queues()[id];
    queue.kind = kind;
    queue.ringSize = ringSize;
    if (kind == halcyon::kQueueLockFree) AttachLockFree(id, queue.map.pView, ringSize);
}

// Makes the queue's mutex and mapping for id and initialises its header.
bool MakeQueue(short id, const char* name, unsigned char bySize, int kind) {
    QueueSlot& queue = Queues()[id];
    queue.hMutex = IpcMutex("QS_", name, true);
    if (queue.hMutex == nullptr) return false;
    bool lockFree = kind == halcyon::kQueueLockFree;
    auto bytes =
        static_cast<unsigned long>(lockFree ? LockFreeMappingBytes(bySize) : MappingBytes(bySize));
    // A mapping that lives on under the name (its queue deleted, another process still holding
    // it) is mapped instead of a new one: it must hold the ring.
    if (!s_MapFile_CreateMapFile(&queue.map, name, bytes) || !ViewHolds(queue.map.pView, bytes)) {
        s_MapFile_CloseMapFile(&queue.map, true);
        s_MutexClose(queue.hMutex);
        queue.hMutex = nullptr;
        return false;
    }
    if (lockFree) {
        InitialiseControl(*static_cast<LockFreeControl*>(queue.map.pView), bySize);
    } else {
        InitialiseHeader(*static_cast<tagSHMHEADER*>(queue.map.pView), bySize);
    }
    SetUpKind(id, kind, bySize * 1024U);
    StoreName(queue.name, name);
    OpenWake(queue.wake, name);  // without it, waits on this queue look at it every slice
    return true;
}

// True when a view of the first `bytes` bytes of mapping `mapping` can be had: the mapping is at
// least that long (Windows refuses a view past a mapping's end, to the byte).
bool MappingHolds(void* mapping, std::uint64_t bytes) {
    void* probe = win::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<win::SIZE_T>(bytes));
    if (probe == nullptr) return false;
    win::UnmapViewOfFile(probe);
    return true;
}

// The kind and ring size of the queue mapped in `map`, from the header (or control page) another
// process wrote, when the mapping is exactly as long as the header and the ring its creator made:
// the view's pages hold them, all but the last one whole, and the mapping ends at their last
// byte. A ring of 0 otherwise: the header is damaged, and another ring size would garble the
// records (or, larger than the view, let reads and writes run past it).
std::uint32_t RingOfView(const MEM_MAPFILE& map, int& kind) {
    win::MEMORY_BASIC_INFORMATION info = {};
    if (win::VirtualQuery(map.pView, &info, sizeof info) == 0) return 0;
    const auto& header = *static_cast<const tagSHMHEADER*>(map.pView);
    std::uint8_t size = LockFreeSizeOf(map.pView);
    kind = size != 0 ? halcyon::kQueueLockFree : halcyon::kQueueLegacy;
    if (size == 0) size = header.size;  // read once: another process may be changing it
    const std::uint64_t bytes = size == 0                         ? 0
                                : kind == halcyon::kQueueLockFree ? LockFreeMappingBytes(size)
                                                                  : MappingBytes(size);
    if (size == 0 || bytes > info.RegionSize || info.RegionSize - bytes >= kPageBytes) return 0;
    if (!MappingHolds(map.hMap, bytes) || MappingHolds(map.hMap, bytes + 1)) return 0;
    return size * 1024U;
}

short CreateOfKind(const char* lpszName, unsigned char bySize, int kind) {
    if (!ValidName(lpszName) || bySize == 0) return -1;
    EnsureClient();
    RegistryLock lock;
    if (!lock.Held()) return -1;
    RegistryImage image;
    if (!ReadRegistry(image)) return -1;
    short existing = FindName(image, lpszName);
    if (existing >= 0) return existing;
    short id = FirstFree(image);
    if (id < 0 || !MakeQueue(id, lpszName, bySize, kind)) return -1;
    StoreName(image.slots[id], lpszName);
    return WriteRegistry(image) ? id : -1;
}

}  // namespace

short s_MapFile_CreateQue(const char* lpszName, unsigned char bySize) {
    return CreateOfKind(lpszName, bySize, halcyon::kQueueLegacy);
}

short halcyon::CreateQueue(const char* lpszName, unsigned char bySize, int nKind) {
    if (nKind != kQueueLegacy && nKind != kQueueLockFree) return -1;
    return CreateOfKind(lpszName, bySize, nKind);
}

short s_MapFile_OpenQue(const char* lpszName) {
    if (!ValidName(lpszName)) return -1;
    EnsureClient();
    void* mutex = IpcMutex("QS_", lpszName, false);
    if (mutex == nullptr) return -1;
    RegistryImage image;
    short id;
    for (;;) {
        if (!ReadRegistry(image)) {
            s_MutexClose(mutex);
            return -1;
        }
        if ((id = FindName(image, lpszName)) >= 0) break;
        win::Sleep(kOpenPollMs);
    }
    QueueSlot& queue = Queues()[id];
    if (queue.map.pView != nullptr) {
        s_MutexClose(mutex);  // open here already: that handle serves
        return id;
    }
    MEM_MAPFILE map = {};
    std::uint32_t ringSize = 0;
    int kind = halcyon::kQueueLegacy;
    if (!s_MapFile_OpenMapFile(&map, lpszName) || (ringSize = RingOfView(map, kind)) == 0) {
        // A damaged size stays for a process that knows the ring to repair (see ResetQue).
        s_MapFile_CloseMapFile(&map, true);
        s_MutexClose(mutex);
        return -1;
    }
    queue.hMutex = mutex;
    queue.map = map;
    SetUpKind(id, kind, ringSize);
    StoreName(queue.name, lpszName);
    OpenWake(queue.wake, lpszName);
    return id;
}

short s_MapFile_WaitingOpenQue(const char* lpszName) {
    if (!ValidName(lpszName)) return -1;
    EnsureClient();
    win::DWORD start = win::GetTickCount();
    for (;;) {
        win::DWORD now = win::GetTickCount();
        if (now < start) {
            start = now;  // the tick count wrapped: count from here
        } else if (now - start >= kWaitingOpenLimitMs) {
            return -1;
        }
        short id = s_MapFile_OpenQue(lpszName);
        if (id >= 0) return id;
        win::Sleep(kOpenPollMs);
    }
}

int s_MapFile_CloseQue(short nId, bool bDelete) {
    if (nId < 0 || nId >= kSlotCount) return 0;
    RegistryImage image;
    if (!ReadRegistry(image)) return 0;
    QueueSlot& queue = Queues()[nId];
    char name[kNameSize];
    std::memcpy(name, queue.name, kNameSize);
    if (queue.kind == halcyon::kQueueLockFree && queue.map.pView != nullptr) DetachLockFree(nId);
    queue.kind = halcyon::kQueueLegacy;
    s_MutexClose(queue.hMutex);
    queue.hMutex = nullptr;
    s_MapFile_CloseMapFile(&queue.map, bDelete);
    queue.map = MEM_MAPFILE{};
    queue.spinMicroseconds = 0;
    CloseWake(queue.wake);
    if (!bDelete) return 1;
    {
        RegistryLock lock;
        if (!lock.Held() || !ReadRegistry(image)) return 0;
        // Another owner may have emptied the registry since, and the slot name another queue.
        if (name[0] != '\0' && SameName(image.slots[nId], name)) {
            std::memset(image.slots[nId], 0, kNameSize);
            if (!WriteRegistry(image)) return 0;
        }
    }
    if (!AnyRegistered(image) && !TearDownRegistry()) return 0;
    return 1;
}
