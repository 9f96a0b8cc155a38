#include "posix/KernelHandles.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace win::posix::kernel {
namespace {

constexpr std::uint32_t kChunkBits = 10;
constexpr std::uint32_t kChunkSize = 1U << kChunkBits;
constexpr std::uint32_t kChunkCount = 1024;

// A slot is open while `tag` holds its generation and kind; 0 means closed. Readers check the
// tag again after reading the target, so a slot reused meanwhile is never taken for the old one.
struct Slot {
    std::atomic<std::uint64_t> tag{0};
    std::atomic<void*> target{nullptr};
    std::atomic<DWORD> access{0};
    std::uint32_t generation = 0;  // of the slot's last handle; guarded by the table lock
};

struct Table {
    std::mutex lock;
    std::atomic<Slot*> chunks[kChunkCount] = {};
    std::vector<std::uint32_t> freeSlots;
    std::uint32_t used = 0;  // slots ever handed out
};

// Never destroyed: handles may be closed by other libraries' static destructors.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

std::uint64_t TagOf(std::uint32_t generation, HandleKind kind) {
    return (static_cast<std::uint64_t>(generation) << 8) | static_cast<std::uint8_t>(kind);
}

// Handle value: generation in the high 32 bits, (index + 1) * 4 in the low ones.
HANDLE ValueOf(std::uint32_t index, std::uint32_t generation) {
    std::uint64_t value = (static_cast<std::uint64_t>(generation) << 32) |
                          (static_cast<std::uint64_t>(index + 1) << 2);
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

// The slot a handle value names, and the generation it expects; null for impossible values.
Slot* SlotOf(HANDLE handle, std::uint32_t& generation) {
    auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    auto low = static_cast<std::uint32_t>(value);
    generation = static_cast<std::uint32_t>(value >> 32);
    if ((low & 3U) != 0 || low == 0 || generation == 0) return nullptr;
    std::uint32_t index = (low >> 2) - 1;
    if (index >= kChunkSize * kChunkCount) return nullptr;
    Slot* chunk = TheTable().chunks[index >> kChunkBits].load(std::memory_order_acquire);
    return chunk == nullptr ? nullptr : &chunk[index & (kChunkSize - 1)];
}

Slot* SlotAt(Table& table, std::uint32_t index) {
    return &table.chunks[index >> kChunkBits].load(
        std::memory_order_relaxed)[index & (kChunkSize - 1)];
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
    auto& chunk = table.chunks[index >> kChunkBits];
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
    Slot* slot = SlotAt(table, index);
    if (++slot->generation == 0) slot->generation = 1;
    slot->target.store(target, std::memory_order_relaxed);
    slot->access.store(access, std::memory_order_relaxed);
    slot->tag.store(TagOf(slot->generation, kind), std::memory_order_release);
    return ValueOf(index, slot->generation);
}

bool LookupHandle(HANDLE handle, HandleRef& out) {
    std::uint32_t generation;
    Slot* slot = SlotOf(handle, generation);
    if (slot == nullptr) return false;
    std::uint64_t tag = slot->tag.load(std::memory_order_acquire);
    if (tag == 0 || (tag >> 8) != generation) return false;
    out.target = slot->target.load(std::memory_order_acquire);
    out.access = slot->access.load(std::memory_order_acquire);
    out.kind = static_cast<HandleKind>(tag & 0xFF);
    return slot->tag.load(std::memory_order_acquire) == tag;
}

bool RemoveHandle(HANDLE handle, HandleRef& out) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    std::uint32_t generation;
    Slot* slot = SlotOf(handle, generation);
    if (slot == nullptr) return false;
    std::uint64_t tag = slot->tag.load(std::memory_order_relaxed);
    if (tag == 0 || (tag >> 8) != generation) return false;
    auto low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
    return CloseSlot(table, slot, (low >> 2) - 1, out);
}

void RemoveAllHandles(const std::function<void(const HandleRef&)>& visit) {
    Table& table = TheTable();
    std::vector<HandleRef> closed;
    {
        std::lock_guard<std::mutex> hold(table.lock);
        for (std::uint32_t index = 0; index < table.used; ++index) {
            HandleRef ref;
            if (CloseSlot(table, SlotAt(table, index), index, ref)) closed.push_back(ref);
        }
    }
    for (const HandleRef& ref : closed) visit(ref);
}

}  // namespace win::posix::kernel
