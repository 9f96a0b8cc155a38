// Waiting for a record or for room in a shared queue, woken by the other side (QueueWaits.h).
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/QueueWaits.h>

#include "HalcyonCommon/Ipc/QueueAccess.h"
#include "Platform/Win.h"

using namespace halcyon::ipc;

namespace {

// A waiter looks this often, a few microseconds apart, before it sleeps: the other side, running
// on another processor, often changes the queue that soon, and a sleep and a wake-up cost two
// system calls and a switch.
constexpr int kLooksBeforeSleep = 16;
constexpr int kPausesBetweenLooks = 64;

// Room, though, comes only from a reader, which needs the mutex a looking writer keeps taking:
// a writer sleeps at once and is woken by the read.
int LooksBeforeSleep(WakeKind kind) { return kind == WakeKind::kRecord ? kLooksBeforeSleep : 1; }

// Tells the processor, `count` times, that this is a wait loop.
void CpuPause(int count) {
    for (int k = 0; k < count; ++k) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

// What one look at the queue, under its mutex, came to.
enum Outcome : int { kFailed = -1, kNotYet = 0, kDone = 1 };

// The time left of a wait that began at `start`, 0 once it has passed.
unsigned long TimeLeft(win::DWORD start, unsigned long limit) {
    if (limit == halcyon::kQueueWaitForever) return limit;
    auto waited = static_cast<win::DWORD>(win::GetTickCount() - start);  // wrap-safe
    return waited >= limit ? 0 : limit - waited;
}

// Looks at the queue with `look` under its mutex until it says kDone or kFailed, sleeping on
// the event `kind` in between, for at most `limit` ms in all. `look` runs with the mutex held
// and a valid header; the mutex is released before this returns.
template <typename Look>
int LookUntil(QueueSlot& queue, WakeKind kind, unsigned long limit, Look look) {
    const win::DWORD start = win::GetTickCount();
    for (int looks = 1;; ++looks) {
        if (!LockValidTakingOver(queue)) return kFailed;
        int outcome = look(HeaderOf(queue), queue.ringSize);
        unsigned long left = outcome == kNotYet ? TimeLeft(start, limit) : 0;
        if (outcome != kNotYet || left == 0) {
            s_MutexReset(queue.hMutex);
            return outcome;
        }
        if (looks < LooksBeforeSleep(kind)) {
            s_MutexReset(queue.hMutex);
            CpuPause(kPausesBetweenLooks);
            continue;
        }
        AddSleeper(queue.wake, kind);
        s_MutexReset(queue.hMutex);
        SleepOn(queue.wake, kind, left < kWakeSliceMs ? left : kWakeSliceMs);
    }
}

// The last check of a waiter that got what it waited for: when more of it is left and others
// sleep for it too, one of them is woken, since one set of an auto-reset event may have stood
// for several changes.
void PassOn(QueueSlot& queue, WakeKind kind, bool moreLeft) {
    if (moreLeft) Signal(queue.wake, kind);
}

bool RecordFitsRing(const QueueSlot& queue, unsigned short wLen) {
    return wLen != 0 && wLen <= kMaxRecord && wLen + kLengthField < queue.ringSize;
}

// A copy another process left unfinished: no wait can end it (see s_MapFile_ResetQue).
int Unfinished(tagSHMHEADER& h) {
    ++h.errcount;
    return kFailed;
}

}  // namespace

namespace halcyon {

int WaitQueueRecord(short nId, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr) return kFailed;
    return LookUntil(
        *queue, WakeKind::kRecord, dwMilliseconds,
        [](tagSHMHEADER& h, std::uint32_t) -> int { return h.take != h.put ? kDone : kNotYet; });
}

int WaitQueueRoom(short nId, unsigned short wLen, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || !RecordFitsRing(*queue, wLen)) return kFailed;
    return LookUntil(*queue, WakeKind::kRoom, dwMilliseconds,
                     [wLen](tagSHMHEADER& h, std::uint32_t size) -> int {
                         return Fits(h, size, wLen) ? kDone : kNotYet;
                     });
}

int WriteQueueWaiting(short nId, const unsigned char* pData, unsigned short wLen,
                      unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pData == nullptr || !RecordFitsRing(*queue, wLen)) return kFailed;
    bool roomLeft = false;
    int outcome = LookUntil(*queue, WakeKind::kRoom, dwMilliseconds,
                            [&](tagSHMHEADER& h, std::uint32_t size) -> int {
                                if (!Fits(h, size, wLen)) return kNotYet;
                                if (h.sync != 0) return Unfinished(h);
                                Append(h, size, pData, wLen);
                                roomLeft = ring::Free(h.put, h.take, size) > kLengthField;
                                return kDone;
                            });
    if (outcome == kDone) {
        Signal(queue->wake, WakeKind::kRecord);
        PassOn(*queue, WakeKind::kRoom, roomLeft);
    }
    return outcome;
}

short ReadQueueWaiting(short nId, unsigned char* pBuf, unsigned long dwMilliseconds) {
    QueueSlot* queue = OpenQueue(nId);
    if (queue == nullptr || pBuf == nullptr) return kFailed;
    std::uint32_t length = 0;
    bool damaged = false, recordsLeft = false;
    int outcome = LookUntil(*queue, WakeKind::kRecord, dwMilliseconds,
                            [&](tagSHMHEADER& h, std::uint32_t size) -> int {
                                if (h.take == h.put) return kNotYet;
                                if (h.sync != 0) return Unfinished(h);
                                damaged = TakeFront(h, size, pBuf, length) == Taken::kDamaged;
                                recordsLeft = h.take != h.put;
                                return damaged ? kFailed : kDone;
                            });
    if (damaged) ResetQueue(*queue);
    if (outcome != kDone) return static_cast<short>(outcome);
    Signal(queue->wake, WakeKind::kRoom);
    PassOn(*queue, WakeKind::kRecord, recordsLeft);
    return static_cast<short>(length);
}

}  // namespace halcyon
