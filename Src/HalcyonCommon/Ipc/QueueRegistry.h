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
// As ReadRegistry, but a process without the registry (its owner closed it) looks for it as a
// client only while some process holds the registry's lock, and for `limitMs` at most.
bool ReadRegistryWithin(RegistryImage& image, unsigned long limitMs);
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
