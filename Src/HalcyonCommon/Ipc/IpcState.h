// SPDX-License-Identifier: Apache-2.0
// The per-process state of the shared-memory functions: the block table and the queue table with
// the registry's whereabouts. Not shared between processes; no lock (see SharedMemory.h).
#pragma once

#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/QueueWake.h"

#include <cstring>

namespace halcyon::ipc {

constexpr int kSlotCount = 128;   // blocks and queues per process
constexpr size_t kNameSize = 32;  // names: at most 31 characters and a terminator
constexpr char kRegistryName[] = "SHARED_QUEUE";
constexpr unsigned long kRegistrySize = 4096;  // 128 slots of 32 bytes

// A shared block held by this process.
struct BlockSlot {
    void* hMutex;
    MEM_MAPFILE map;
    char name[kNameSize];
};

// A queue held by this process under its registry id.
struct QueueSlot {
    void* hMutex;
    MEM_MAPFILE map;
    char name[kNameSize];
    std::uint32_t ringSize;  // the ring's size when this process mapped it: the bound of every copy
    QueueWake wake;          // its wake-ups (QueueWake.h)
    unsigned long spinMicroseconds;  // how long this process's readers watch before they sleep
    int kind;                        // kQueueLegacy or kQueueLockFree (QueueKinds.h)
};

// Where this process finds the registry.
constexpr short kRegistryNone = -2;  // not looked for yet; -1 records a failed creation

struct RegistryState {
    short blockId = kRegistryNone;
    bool initialised = false;
    bool owner = false;
    void* hLock = nullptr;
};

BlockSlot (&Blocks())[kSlotCount];
QueueSlot (&Queues())[kSlotCount];
RegistryState& Registry();

// True for a name of at most 31 characters.
inline bool ValidName(const char* name) {
    return name != nullptr && std::memchr(name, '\0', kNameSize) != nullptr;
}

// Stores `name` zero-filled into a 32-byte slot.
inline void StoreName(char (&slot)[kNameSize], const char* name) {
    std::memset(slot, 0, kNameSize);
    std::strncpy(slot, name, kNameSize - 1);
}

inline bool SameName(const char* slot, const char* name) {
    return std::strncmp(slot, name, kNameSize) == 0;
}

// The mutex "<prefix><name>" ("QS_" for queues and the registry's lock, "MS_" for blocks):
// created (or opened, if it exists) when `create` is true, else only opened; null on failure.
void* IpcMutex(const char* prefix, const char* name, bool create);

// The registry-client step of the create and open functions: s_MapFile_Initialize(false) unless
// this process did it already.
void EnsureClient();

}  // namespace halcyon::ipc
