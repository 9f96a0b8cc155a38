// SPDX-License-Identifier: Apache-2.0
#include "QueueTable.h"

#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/SharedMemory.h>

#include <cstring>
#include <map>
#include <mutex>

namespace halcyon::python {
namespace {

constexpr int kSlots = 128;
constexpr int kSlotBytes = 32;

bool g_owner = false;     // this process hosts the registry
bool g_tornDown = false;  // and has removed its last queue, which ended the registry

struct Holders {
    int count = 0;
    bool remove = false;
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<short, Holders>& Table() {
    static auto* table = new std::map<short, Holders>;  // never destroyed: used at exit
    return *table;
}

bool MutexExists(const std::string& name) {
    void* mutex = s_MutexOpen(name.c_str());
    if (mutex == nullptr) return false;
    s_MutexClose(mutex);
    return true;
}

// A snapshot of the registry's slots, read under its block mutex as the library reads it, through
// handles of its own: s_MapFile_OpenShm would hand out the library's own registry block, which
// must not be closed here.
bool ReadRegistry(unsigned char (&image)[kSlots * kSlotBytes]) {
    MEM_MAPFILE map = {};
    if (!s_MapFile_OpenMapFile(&map, "SHARED_QUEUE")) return false;
    void* mutex = s_MutexOpen("MS_SHARED_QUEUE");
    // A wait that met a mutex abandoned by a dead process has released it again: wait once more.
    bool held = mutex != nullptr && (s_MutexWait(mutex, true) || s_MutexWait(mutex, true));
    if (held) {
        std::memcpy(image, map.pView, sizeof image);
        s_MutexReset(mutex);
    }
    s_MutexClose(mutex);
    s_MapFile_CloseMapFile(&map, false);
    return held;
}

bool Empty(const unsigned char (&image)[kSlots * kSlotBytes]) {
    for (int slot = 0; slot < kSlots; ++slot)
        if (image[slot * kSlotBytes] != 0) return false;
    return true;
}

}  // namespace

bool RegistryRunning() { return MutexExists("QS_SHARED_QUEUE"); }

bool BecomeOwner() {
    std::lock_guard<std::mutex> hold(TableLock());
    s_MapFile_Initialize(true);
    g_owner = RegistryRunning();
    g_tornDown = false;
    return g_owner;
}

bool RegisteredQueues(std::vector<std::pair<int, std::string>>& queues) {
    std::lock_guard<std::mutex> hold(TableLock());
    queues.clear();
    unsigned char image[kSlots * kSlotBytes];
    if (!RegistryRunning() || !ReadRegistry(image)) return false;
    for (int id = 0; id < kSlots; ++id) {
        const char* slot = reinterpret_cast<const char*>(image + id * kSlotBytes);
        if (slot[0] != '\0') queues.emplace_back(id, std::string(slot, strnlen(slot, 31)));
    }
    return true;
}

Found OpenIfPresent(const std::string& name, short& id) {
    std::lock_guard<std::mutex> hold(TableLock());
    if (!RegistryRunning()) return Found::kNoRegistry;
    // s_MapFile_OpenQue waits while the queue's mutex exists and its name is not registered:
    // it is called only once both are there.
    unsigned char image[kSlots * kSlotBytes];
    if (!MutexExists("QS_" + name) || !ReadRegistry(image)) return Found::kNoQueue;
    bool registered = false;
    for (int slot = 0; slot < kSlots && !registered; ++slot)
        registered = std::strncmp(reinterpret_cast<const char*>(image + slot * kSlotBytes),
                                  name.c_str(), kSlotBytes) == 0;
    if (!registered) return Found::kNoQueue;
    id = s_MapFile_OpenQue(name.c_str());
    if (id < 0) return Found::kFailed;
    ++Table()[id].count;
    return Found::kOpened;
}

Created CreateNew(const std::string& name, unsigned char kib, int kind, short& id) {
    std::lock_guard<std::mutex> hold(TableLock());
    if (g_owner && g_tornDown) {
        s_MapFile_Initialize(true);
        g_tornDown = false;
    }
    if (!RegistryRunning()) return Created::kNoRegistry;
    id = CreateQueue(name.c_str(), kib, kind);
    if (id < 0) return Created::kFailed;
    // A registered name gives its id without creating anything: open here already, or elsewhere.
    if (Table().count(id) != 0 || QueryQueueKind(id) < 0) return Created::kExists;
    Holders& holders = Table()[id];
    holders.count = 1;
    holders.remove = false;
    return Created::kCreated;
}

bool Release(short id, bool remove) {
    std::lock_guard<std::mutex> hold(TableLock());
    auto it = Table().find(id);
    if (it == Table().end()) return true;
    it->second.remove = it->second.remove || remove;
    if (--it->second.count > 0) return true;
    bool removeNow = it->second.remove;
    Table().erase(it);
    if (s_MapFile_CloseQue(id, removeNow) != 1) return false;
    unsigned char image[kSlots * kSlotBytes];
    if (g_owner && removeNow && (!ReadRegistry(image) || Empty(image))) g_tornDown = true;
    return true;
}

}  // namespace halcyon::python
