#include "HalcyonCommon/Sync/QueueMutex.h"

#include <HalcyonCommon/Mutex.h>

#include "Platform/Win.h"

#include <cstdio>

namespace halcyon::queue {

void* OpenOrCreateQueueMutex() {
    char name[32];
    std::snprintf(name, sizeof name, "BQ_%lu", static_cast<unsigned long>(win::GetTickCount()));
    void* handle = s_MutexOpen(name);
    return handle != nullptr ? handle : s_MutexCreate(name);
}

MutexHold::MutexHold(void* hMutex) : m_hMutex(hMutex), m_held(s_MutexWait(hMutex, true)) {}

MutexHold::~MutexHold() {
    if (m_held) s_MutexReset(m_hMutex);
}

}  // namespace halcyon::queue
