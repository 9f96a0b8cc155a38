// SPDX-License-Identifier: Apache-2.0
// The queue registry "SHARED_QUEUE": 128 slots of 32 bytes, slot i naming queue i.
#pragma once

#include "HalcyonCommon/Ipc/IpcState.h"

namespace halcyon::ipc {

struct RegistryImage {
    char slots[kSlotCount][kNameSize];
};
static_assert(sizeof(RegistryImage) == kRegistrySize, "the registry is 4096 bytes");

// A snapshot of the registry; false when it cannot be read. A process that has not found the
// registry yet first waits for it as a client.
bool ReadRegistry(RegistryImage& image);
bool WriteRegistry(RegistryImage& image);

// Holds the registry's change lock, when this process has one, for the life of the scope.
class RegistryLock {
  public:
    RegistryLock();
    ~RegistryLock();
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;
    bool Held() const { return m_ok; }

  private:
    void* m_lock;  // the handle waited on, released at the end of the scope
    bool m_ok;
};

// In the registry owner: closes the registry (block and lock); elsewhere nothing. False when the
// block cannot be closed.
bool TearDownRegistry();

}  // namespace halcyon::ipc
