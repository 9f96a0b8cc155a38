// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Ipc/IpcState.h"

#include <HalcyonCommon/Mutex.h>

#include <cstdio>

namespace halcyon::ipc {

BlockSlot (&Blocks())[kSlotCount] {
    static BlockSlot blocks[kSlotCount] = {};
    return blocks;
}

QueueSlot (&Queues())[kSlotCount] {
    static QueueSlot queues[kSlotCount] = {};
    return queues;
}

RegistryState& Registry() {
    static RegistryState state;
    return state;
}

void* IpcMutex(const char* prefix, const char* name, bool create) {
    char mutexName[kNameSize + 8];
    std::snprintf(mutexName, sizeof mutexName, "%s%s", prefix, name);
    return create ? s_MutexCreate(mutexName) : s_MutexOpen(mutexName);
}

void EnsureClient() {
    if (!Registry().initialised) s_MapFile_Initialize(false);
}

}  // namespace halcyon::ipc
