// SPDX-License-Identifier: Apache-2.0
#include "QueueSlots.h"

#include <HalcyonCommon.h>

#include <cstring>

namespace halcyon::tool {

std::vector<std::string> SlotNames(const unsigned char* registry) {
    std::vector<std::string> names(kRegistrySlots);
    for (int id = 0; id < kRegistrySlots; ++id) {
        const char* slot = reinterpret_cast<const char*>(registry + kRegistrySlotBytes * id);
        names[id].assign(slot, strnlen(slot, kRegistrySlotBytes - 1));
    }
    return names;
}

bool ReadRegistryAsClient(short& block, std::vector<std::string>& names) {
    if (block < 0) block = s_MapFile_OpenShm("SHARED_QUEUE");
    unsigned char registry[kRegistrySlots * kRegistrySlotBytes];
    if (block < 0 || !s_MapFile_ReadShm(block, registry, sizeof registry)) return false;
    names = SlotNames(registry);
    return true;
}

bool MutexExists(const std::string& name) {
    void* mutex = s_MutexOpen(name.c_str());
    if (mutex == nullptr) return false;
    s_MutexClose(mutex);
    return true;
}

short OpenIfHeld(const std::string& name) {
    if (name.empty() || !MutexExists("QS_" + name)) return -1;
    return s_MapFile_OpenQue(name.c_str());
}

void CloseQueue(short id) {
    if (id >= 0) s_MapFile_CloseQue(id, false);
}

}  // namespace halcyon::tool
