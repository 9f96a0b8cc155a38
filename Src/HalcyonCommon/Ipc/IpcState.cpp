#include "HalcyonCommon/Ipc/IpcState.h"

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

void EnsureClient() {
    if (!Registry().initialised) s_MapFile_Initialize(false);
}

}  // namespace halcyon::ipc
