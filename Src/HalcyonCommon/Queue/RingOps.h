// SPDX-License-Identifier: Apache-2.0
// What TQByteQueue and TQRecQueue do alike: their ring's storage, mutex, sizes and reset.
#pragma once

#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/Queues.h>

#include "HalcyonCommon/Ring/Ring.h"
#include "HalcyonCommon/Sync/QueueMutex.h"

#include <atomic>
#include <cstdint>
#include <new>

namespace halcyon::queue {

constexpr unsigned short kDefaultSizeKiB = 128;

// The offsets are atomic only so that the size queries may read them without the mutex. Under
// the mutex plain accesses suffice: a sequentially consistent store would be a full barrier
// inside every push and pop, waiting there for the copy's stores to leave the core.
inline std::uint32_t Get(const std::atomic<std::uint32_t>& offset) {
    return offset.load(std::memory_order_relaxed);
}

inline void Set(std::atomic<std::uint32_t>& offset, std::uint32_t value) {
    offset.store(value, std::memory_order_relaxed);
}

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
        Set(q.m_dwPut, 0);
        Set(q.m_dwTake, 0);
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
        return ring::Used(Get(q.m_dwPut), Get(q.m_dwTake), q.m_dwQueSize);
    }

    static unsigned long Free(const Queue& q) {
        return q.m_dwQueSize == 0 ? 0 : ring::Free(Get(q.m_dwPut), Get(q.m_dwTake), q.m_dwQueSize);
    }

    static void Reset(Queue& q) {
        MutexHold hold(q.m_hMutex);
        if (!hold.Held()) return;
        Set(q.m_dwPut, 0);
        Set(q.m_dwTake, 0);
        q.m_wError = 0;
    }
};

}  // namespace halcyon::queue
