// SPDX-License-Identifier: Apache-2.0
// Shared blocks: named mappings with a mutex "MS_<name>", read and written whole.
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/IpcState.h"

using namespace halcyon::ipc;

namespace {

// The first free slot, or -1; `existing` is set to the slot that holds `name` already, or -1.
short FindSlot(const char* name, short& existing) {
    short free = -1;
    existing = -1;
    for (short id = 0; id < kSlotCount; ++id) {
        const BlockSlot& slot = Blocks()[id];
        if (slot.map.pView == nullptr) {
            if (free < 0) free = id;
        } else if (SameName(slot.name, name)) {
            existing = id;
            return free;
        }
    }
    return free;
}

bool ValidId(short nId) { return nId >= 0 && nId < kSlotCount; }

// Runs `copy` on the block's view while holding its mutex.
template <typename Copy>
int WithBlock(short nId, const void* buffer, unsigned long dwSize, Copy copy) {
    if (!ValidId(nId) || buffer == nullptr || dwSize == 0) return 0;
    BlockSlot& slot = Blocks()[nId];
    if (!s_MutexWait(slot.hMutex, true)) return 0;
    if (slot.map.pView != nullptr) copy(static_cast<unsigned char*>(slot.map.pView));
    s_MutexReset(slot.hMutex);
    return 1;
}

}  // namespace

short s_MapFile_CreateShm(const char* lpszName, unsigned long dwSize) {
    if (!ValidName(lpszName) || dwSize == 0) return -1;
    if (std::strcmp(lpszName, kRegistryName) != 0) EnsureClient();
    short existing;
    short id = FindSlot(lpszName, existing);
    if (existing >= 0 || id < 0) return -1;
    void* mutex = IpcMutex("MS_", lpszName, true);
    if (mutex == nullptr) return -1;
    BlockSlot& slot = Blocks()[id];
    if (!s_MapFile_CreateMapFile(&slot.map, lpszName, dwSize)) {
        s_MapFile_CloseMapFile(&slot.map, true);
        s_MutexClose(mutex);
        slot = BlockSlot{};
        return -1;
    }
    slot.hMutex = mutex;
    StoreName(slot.name, lpszName);
    return id;
}

short s_MapFile_OpenShm(const char* lpszName) {
    if (!ValidName(lpszName)) return -1;
    EnsureClient();
    void* mutex = IpcMutex("MS_", lpszName, false);
    if (mutex == nullptr) return -1;
    MEM_MAPFILE map = {};
    if (!s_MapFile_OpenMapFile(&map, lpszName)) {
        s_MapFile_CloseMapFile(&map, true);
        s_MutexClose(mutex);
        return -1;
    }
    short existing;
    short id = FindSlot(lpszName, existing);
    if (existing >= 0 || id < 0) {
        // Already open here (that slot serves), or no room: the new handles are not needed.
        s_MapFile_CloseMapFile(&map, true);
        s_MutexClose(mutex);
        return existing;
    }
    BlockSlot& slot = Blocks()[id];
    slot.hMutex = mutex;
    slot.map = map;
    StoreName(slot.name, lpszName);
    return id;
}

int s_MapFile_ReadShm(short nId, unsigned char* pBuf, unsigned long dwSize) {
    return WithBlock(nId, pBuf, dwSize,
                     [&](const unsigned char* view) { std::memcpy(pBuf, view, dwSize); });
}

int s_MapFile_WriteShm(short nId, unsigned char* pData, unsigned long dwSize) {
    return WithBlock(nId, pData, dwSize,
                     [&](unsigned char* view) { std::memcpy(view, pData, dwSize); });
}

int s_MapFile_CloseShm(short nId) {
    if (!ValidId(nId)) return 0;
    BlockSlot& slot = Blocks()[nId];
    s_MutexClose(slot.hMutex);
    s_MapFile_CloseMapFile(&slot.map, true);
    slot = BlockSlot{};
    return 1;
}
