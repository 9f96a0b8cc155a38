// SPDX-License-Identifier: Apache-2.0
// The mutex wrappers: thin calls of the system's named mutexes.
#include <HalcyonCommon/Mutex.h>

#include "Platform/Win.h"

void* s_MutexCreate(const char* lpszName) {
    if (lpszName == nullptr) return nullptr;
    return win::CreateMutexA(nullptr, FALSE, lpszName);
}

void* s_MutexOpen(const char* lpszName) {
    if (lpszName == nullptr) return nullptr;
    return win::OpenMutexA(MUTEX_ALL_ACCESS, TRUE, lpszName);
}

bool s_MutexWait(void* hMutex, bool bWait) {
    if (hMutex == nullptr) return false;
    win::DWORD result = win::WaitForSingleObject(hMutex, bWait ? INFINITE : 0);
    if (result == WAIT_ABANDONED) {
        // Ours now, but callers release only what they were told they got: give it back.
        win::ReleaseMutex(hMutex);
    }
    return result == WAIT_OBJECT_0;
}

void s_MutexReset(void* hMutex) {
    if (hMutex != nullptr) win::ReleaseMutex(hMutex);
}

void s_MutexClose(void* hMutex) {
    if (hMutex != nullptr) win::CloseHandle(hMutex);
}
