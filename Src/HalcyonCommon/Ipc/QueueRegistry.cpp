// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Ipc/QueueRegistry.h"

#include <HalcyonCommon/Mutex.h>

#include "Platform/Win.h"

namespace halcyon::ipc {
namespace {

constexpr win::DWORD kRegistryPollMs = 100;

// Finds the registry block as a client: waits, without limit, until an owner has created it.
void FindRegistry() {
    RegistryState& state = Registry();
    for (;;) {
        short id = s_MapFile_OpenShm(kRegistryName);
        if (id >= 0) {
            state.blockId = id;
            break;
        }
        win::Sleep(kRegistryPollMs);
    }
    state.hLock = IpcMutex("QS_", kRegistryName, false);
}

void BecomeOwner() {
    RegistryState& state = Registry();
    state.blockId = kRegistryNone;
    state.blockId = s_MapFile_CreateShm(kRegistryName, kRegistrySize);
    if (state.blockId < 0) return;
    RegistryImage empty = {};
    if (!WriteRegistry(empty)) return;
    state.hLock = IpcMutex("QS_", kRegistryName, true);
    state.owner = true;
}

void BecomeClient() {
    RegistryState& state = Registry();
    if (state.initialised) return;
    state.initialised = true;
    if (state.blockId != kRegistryNone) return;
    FindRegistry();
}

}  // namespace

bool ReadRegistry(RegistryImage& image) {
    if (Registry().blockId == kRegistryNone) FindRegistry();
    return s_MapFile_ReadShm(Registry().blockId, reinterpret_cast<unsigned char*>(&image),
                             kRegistrySize) != 0;
}

bool WriteRegistry(RegistryImage& image) {
    return s_MapFile_WriteShm(Registry().blockId, reinterpret_cast<unsigned char*>(&image),
                              kRegistrySize) != 0;
}

RegistryLock::RegistryLock() : m_lock(Registry().hLock), m_ok(true) {
    if (m_lock == nullptr) return;
    m_ok = s_MutexWait(m_lock, true);
    if (!m_ok) m_lock = nullptr;
}

RegistryLock::~RegistryLock() {
    if (m_lock != nullptr) s_MutexReset(m_lock);
}

bool TearDownRegistry() {
    RegistryState& state = Registry();
    if (!state.owner) return true;
    if (!s_MapFile_CloseShm(state.blockId)) return false;
    state.owner = false;
    state.blockId = kRegistryNone;
    s_MutexClose(state.hLock);
    state.hLock = nullptr;
    return true;
}

}  // namespace halcyon::ipc

void s_MapFile_Initialize(bool bCreate) {
    if (bCreate) {
        halcyon::ipc::BecomeOwner();
    } else {
        halcyon::ipc::BecomeClient();
    }
}
