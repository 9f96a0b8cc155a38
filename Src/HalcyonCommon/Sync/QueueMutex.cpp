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

MutexHold::MutexHold(void* hMutex) : mutex_(hMutex), held_(s_MutexWait(hMutex, true)) {}

MutexHold::~MutexHold() {
    if (held_) s_MutexReset(mutex_);
}

}  // namespace halcyon::queue
