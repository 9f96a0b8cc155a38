// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/handles/HandleTable.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/handles/Handles.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace win::posix::kernel {

namespace handles {
std::atomic<Slot*> g_chunks[kChunkCount] = {};
}  // namespace handles

namespace {

using namespace handles;

struct Table {
    std::mutex lock;
    std::vector<std::uint32_t> freeSlots;
    std::uint32_t used = 0;  // slots ever handed out
};

// Never destroyed: handles may be closed by other libraries' static destructors.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

// Indexed by HandleKind; constant-initialised, so a closer may be set from any static initialiser.
std::atomic<Closer> g_closers[8] = {};

std::uint64_t TagOf(std::uint32_t generation, HandleKind kind) {
    return (static_cast<std::uint64_t>(generation) << 8) | static_cast<std::uint8_t>(kind);
}

// Handle value: generation in the high 32 bits, (index + 1) * 4 in the low ones.
HANDLE ValueOf(std::uint32_t index, std::uint32_t generation) {
    std::uint64_t value = (static_cast<std::uint64_t>(generation) << 32) |
                          (static_cast<std::uint64_t>(index + 1) << 2);
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

Slot* SlotAt(std::uint32_t index) {
    return &g_chunks[index >> kChunkBits].load(std::memory_order_relaxed)[index & (kChunkSize - 1)];
}

// With the table lock held: a free slot index, growing the table when needed; false when full.
bool TakeSlot(Table& table, std::uint32_t& index) {
    if (!table.freeSlots.empty()) {
        index = table.freeSlots.back();
        table.freeSlots.pop_back();
        return true;
    }
    if (table.used == kChunkSize * kChunkCount) return false;
    index = table.used++;
    auto& chunk = g_chunks[index >> kChunkBits];
    if (chunk.load(std::memory_order_relaxed) == nullptr) {
        chunk.store(new Slot[kChunkSize], std::memory_order_release);
    }
    return true;
}

// With the table lock held: closes the slot if it holds `handle`.
bool CloseSlot(Table& table, Slot* slot, std::uint32_t index, HandleRef& out) {
    std::uint64_t tag = slot->tag.load(std::memory_order_relaxed);
    if (tag == 0) return false;
    out.kind = static_cast<HandleKind>(tag & 0xFF);
    out.target = slot->target.load(std::memory_order_relaxed);
    out.access = slot->access.load(std::memory_order_relaxed);
    slot->tag.store(0, std::memory_order_release);
    table.freeSlots.push_back(index);
    return true;
}

}  // namespace

HANDLE NewHandle(HandleKind kind, void* target, DWORD access) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    std::uint32_t index;
    if (!TakeSlot(table, index)) return nullptr;
    Slot* slot = SlotAt(index);
    if (++slot->generation == 0) slot->generation = 1;
    slot->target.store(target, std::memory_order_relaxed);
    slot->access.store(access, std::memory_order_relaxed);
    slot->tag.store(TagOf(slot->generation, kind), std::memory_order_release);
    return ValueOf(index, slot->generation);
}

bool RemoveHandle(HANDLE handle, HandleRef& out) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    std::uint32_t generation;
    Slot* slot = SlotOf(handle, generation);
    if (slot == nullptr) return false;
    std::uint64_t tag = slot->tag.load(std::memory_order_relaxed);
    if (tag == 0 || (tag >> 8) != generation) return false;
    auto low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)) & ~3U;
    return CloseSlot(table, slot, (low >> 2) - 1, out);
}

void RemoveAllHandles(const std::function<void(const HandleRef&)>& visit) {
    Table& table = TheTable();
    std::vector<HandleRef> closed;
    {
        std::lock_guard<std::mutex> hold(table.lock);
        for (std::uint32_t index = 0; index < table.used; ++index) {
            HandleRef ref;
            if (CloseSlot(table, SlotAt(index), index, ref)) closed.push_back(ref);
        }
    }
    for (const HandleRef& ref : closed) visit(ref);
}

void SetCloser(HandleKind kind, Closer closer) {
    g_closers[static_cast<std::uint8_t>(kind)].store(closer, std::memory_order_release);
}

void CloseTarget(const HandleRef& ref) {
    Closer closer = g_closers[static_cast<std::uint8_t>(ref.kind)].load(std::memory_order_acquire);
    if (closer != nullptr) closer(ref.target);
}

namespace {

constexpr int kStepsPerPhase = 4;
std::atomic<void (*)()> g_unloadSteps[2][kStepsPerPhase] = {};
std::atomic<bool> g_closeDue{false};

void RunSteps(UnloadPhase phase) {
    for (auto& slot : g_unloadSteps[static_cast<int>(phase)]) {
        if (auto* step = slot.load(std::memory_order_acquire)) step();
    }
}

// Runs as the library is unloaded: at a normal end of the process that is after every atexit
// handler and static destructor of the program; or at dlclose.
__attribute__((destructor)) void CloseAtUnload() {
    if (!g_closeDue.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> hold(HandleLock());
    RunSteps(UnloadPhase::kBeforeClose);
    RemoveAllHandles(CloseTarget);
    RunSteps(UnloadPhase::kAfterClose);
}

}  // namespace

void AddUnloadStep(UnloadPhase phase, void (*step)()) {
    for (auto& slot : g_unloadSteps[static_cast<int>(phase)]) {
        void (*empty)() = nullptr;
        if (slot.compare_exchange_strong(empty, step) || empty == step) return;
    }
}

void EnsureCloseAtUnload() { g_closeDue.store(true, std::memory_order_release); }

std::mutex& HandleLock() {
    static std::mutex* lock = new std::mutex;  // never destroyed, like the table
    return *lock;
}

}  // namespace win::posix::kernel

namespace win {

BOOL CloseHandle(HANDLE hObject) {
    using namespace posix::kernel;
    if (IsPseudoHandle(hObject)) return TRUE;
    std::lock_guard<std::mutex> hold(HandleLock());
    HandleRef ref;
    if (!RemoveHandle(hObject, ref)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CloseTarget(ref);
    return TRUE;
}

}  // namespace win
