// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Ipc/QueueWake.h"

#include "HalcyonCommon/Ipc/IpcState.h"
#include "Platform/Win.h"

#include <cstdio>
#include <string>

namespace halcyon::ipc {
namespace {

constexpr win::DWORD kCountsBytes = sizeof(WakeCounts);

std::string ObjectName(const char* prefix, const char* name) {
    char object[kNameSize + 8];
    std::snprintf(object, sizeof object, "%s%s", prefix, name);
    return object;
}

std::atomic<std::uint32_t>* CountOf(QueueWake& wake, WakeKind kind) {
    if (wake.counts == nullptr) return nullptr;
    return kind == WakeKind::kRecord ? &wake.counts->recordSleepers : &wake.counts->roomSleepers;
}

std::atomic<std::uint32_t>& PendingOf(QueueWake& wake, WakeKind kind) {
    return kind == WakeKind::kRecord ? wake.counts->recordPending : wake.counts->roomPending;
}

void* EventOf(const QueueWake& wake, WakeKind kind) {
    return kind == WakeKind::kRecord ? wake.hRecord : wake.hRoom;
}

}  // namespace

bool OpenWake(QueueWake& wake, const char* name) {
    wake = QueueWake{};
    // Created by the first process that opens the queue, whoever created it: all of them count.
    wake.hCounts = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           kCountsBytes, ObjectName("QWAIT_", name).c_str());
    if (wake.hCounts != nullptr) {
        wake.counts = static_cast<WakeCounts*>(
            win::MapViewOfFile(wake.hCounts, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    wake.hRecord = win::CreateEventA(nullptr, FALSE, FALSE, ObjectName("QREC_", name).c_str());
    wake.hRoom = win::CreateEventA(nullptr, FALSE, FALSE, ObjectName("QROOM_", name).c_str());
    if (wake.counts != nullptr && wake.hRecord != nullptr && wake.hRoom != nullptr) return true;
    CloseWake(wake);
    return false;
}

void CloseWake(QueueWake& wake) {
    if (wake.counts != nullptr) win::UnmapViewOfFile(wake.counts);
    for (void* handle : {wake.hCounts, wake.hRecord, wake.hRoom}) {
        if (handle != nullptr) win::CloseHandle(handle);
    }
    wake = QueueWake{};
}

void AddSleeper(QueueWake& wake, WakeKind kind) {
    std::atomic<std::uint32_t>* count = CountOf(wake, kind);
    if (count != nullptr) count->fetch_add(1, std::memory_order_seq_cst);
}

void SleepOn(QueueWake& wake, WakeKind kind, unsigned long ms) {
    std::atomic<std::uint32_t>* count = CountOf(wake, kind);
    if (count == nullptr) {
        win::Sleep(ms);
        return;
    }
    win::WaitForSingleObject(EventOf(wake, kind), ms);
    count->fetch_sub(1, std::memory_order_seq_cst);
    // Awake, woken or not, before looking again: a change after that look sets the event anew.
    PendingOf(wake, kind).store(0, std::memory_order_seq_cst);
}

void ForgetSleeper(QueueWake& wake, WakeKind kind) {
    std::atomic<std::uint32_t>* count = CountOf(wake, kind);
    if (count != nullptr) count->fetch_sub(1, std::memory_order_seq_cst);
}

void SignalSleepers(QueueWake& wake, WakeKind kind) {
    if (PendingOf(wake, kind).exchange(1, std::memory_order_seq_cst) == 0) {
        win::SetEvent(EventOf(wake, kind));
    }
}

}  // namespace halcyon::ipc
