// What TQByteQueue and TQRecQueue do alike: their ring's storage, mutex, sizes and reset.
#pragma once

#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/Queues.h>

#include "HalcyonCommon/Queue/QueueMutex.h"
#include "HalcyonCommon/Queue/Ring.h"

#include <new>

namespace halcyon::queue {

constexpr unsigned short kDefaultSizeKiB = 128;

template <typename Queue>
struct RingOps {
    // Replaces the ring by an empty one of wSize KiB; false (nothing changed) for 0 or no memory.
    static bool Create(Queue& q, unsigned short wSize) {
        if (wSize == 0) return false;
        auto* buffer = new (std::nothrow) unsigned char[wSize * 1024UL];
        if (buffer == nullptr) return false;
        // Another thread may be using the old ring: swap it under the mutex when there is one.
        MutexHold hold(q.m_hMutex);
        delete[] q.m_pBuffer;
        q.m_pBuffer = buffer;
        q.m_dwQueSize = wSize * 1024U;
        q.m_dwPut = 0;
        q.m_dwTake = 0;
        q.m_wError = 0;
        return true;
    }

    static void MakeMutex(Queue& q) {
        s_MutexClose(q.m_hMutex);
        q.m_hMutex = OpenOrCreateQueueMutex();
    }

    static void Destroy(Queue& q) {
        delete[] q.m_pBuffer;
        q.m_pBuffer = nullptr;
        s_MutexClose(q.m_hMutex);
        q.m_hMutex = nullptr;
    }

    static unsigned long Used(const Queue& q) {
        return ring::Used(q.m_dwPut, q.m_dwTake, q.m_dwQueSize);
    }

    static unsigned long Free(const Queue& q) {
        return q.m_dwQueSize == 0 ? 0 : ring::Free(q.m_dwPut, q.m_dwTake, q.m_dwQueSize);
    }

    static void Reset(Queue& q) {
        MutexHold hold(q.m_hMutex);
        if (!hold.Held()) return;
        q.m_dwPut = 0;
        q.m_dwTake = 0;
        q.m_wError = 0;
    }
};

}  // namespace halcyon::queue
