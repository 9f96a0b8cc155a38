// SPDX-License-Identifier: Apache-2.0
// The process's handle table: HANDLE values for mutexes, file mappings and files.
//
// A handle value carries a slot index and the slot's generation, so a closed handle stays invalid
// even after its slot serves a new one, and no value is ever null or INVALID_HANDLE_VALUE.
// Lookups take no lock (they run on every mutex wait); adding and removing handles take the
// table's own lock.
//
// The table knows no kind of object: each kind's room tells it, once, what closing a handle of
// that kind does to its target (SetCloser), so CloseHandle serves every kind from here.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace win::posix::kernel {

enum class HandleKind : std::uint8_t { kMutex = 1, kSection = 2, kFile = 3, kEvent = 4 };

struct HandleRef {
    HandleKind kind;
    void* target;  // KernelObject* for mutexes and mappings, FileHandle* for files
    DWORD access;  // the rights the handle was opened with
};

// The pseudo handles of the current process and thread (GetCurrentProcess(), which is
// INVALID_HANDLE_VALUE, and GetCurrentThread()): no slot of the table, never signalled while the
// caller runs, and closing them does nothing.
inline bool IsPseudoHandle(HANDLE handle) {
    auto value = reinterpret_cast<std::intptr_t>(handle);
    return value == -1 || value == -2;
}

// A new handle for `target`; null when the table is full (a million handles).
HANDLE NewHandle(HandleKind kind, void* target, DWORD access);

// What `handle` refers to while it is open; false for null, closed and made-up values.
inline bool LookupHandle(HANDLE handle, HandleRef& out);

// Closes the handle and tells what it referred to; false when it was not open.
bool RemoveHandle(HANDLE handle, HandleRef& out);

// Closes every handle, reporting each to `visit` (for the process's end).
void RemoveAllHandles(const std::function<void(const HandleRef&)>& visit);

// The table's slots, reached without a lock by LookupHandle (inline: it runs on every wait).
// What closing a handle does to its target; called with HandleLock() held.
using Closer = void (*)(void* target);

// Sets the closer of a kind; each kind sets its own before it makes its first handle.
void SetCloser(HandleKind kind, Closer closer);

// Closes a removed handle's target with its kind's closer. With HandleLock() held.
void CloseTarget(const HandleRef& ref);

// At the library's unload every handle still open is closed (Windows keeps handles until the
// process is gone, so the program's own atexit handlers and destructors may still use them):
// first the kBeforeClose steps, then each target's closer, then the kAfterClose steps. A room
// adds its steps once; EnsureCloseAtUnload arms the whole once a handle has been made.
enum class UnloadPhase : std::uint8_t { kBeforeClose = 0, kAfterClose = 1 };
void AddUnloadStep(UnloadPhase phase, void (*step)());
void EnsureCloseAtUnload();

// The lock under which handles are made and closed together with the objects they name.
std::mutex& HandleLock();

namespace handles {

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

// Chunks of slots, made as the table grows and never freed.
extern std::atomic<Slot*> g_chunks[kChunkCount];

// The slot a handle value names, and the generation it expects; null for impossible values.
// Handle value: generation in the high 32 bits, (index + 1) * 4 in the low ones. The two low bits
// are the caller's to use, as on Windows: a value with them set names the same handle.
inline Slot* SlotOf(HANDLE handle, std::uint32_t& generation) {
    auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    auto low = static_cast<std::uint32_t>(value) & ~3U;
    generation = static_cast<std::uint32_t>(value >> 32);
    if (low == 0 || generation == 0) return nullptr;
    std::uint32_t index = (low >> 2) - 1;
    if (index >= kChunkSize * kChunkCount) return nullptr;
    Slot* chunk = g_chunks[index >> kChunkBits].load(std::memory_order_acquire);
    return chunk == nullptr ? nullptr : &chunk[index & (kChunkSize - 1)];
}

}  // namespace handles

inline bool LookupHandle(HANDLE handle, HandleRef& out) {
    std::uint32_t generation;
    handles::Slot* slot = handles::SlotOf(handle, generation);
    if (slot == nullptr) return false;
    std::uint64_t tag = slot->tag.load(std::memory_order_acquire);
    if (tag == 0 || (tag >> 8) != generation) return false;
    out.target = slot->target.load(std::memory_order_acquire);
    out.access = slot->access.load(std::memory_order_acquire);
    out.kind = static_cast<HandleKind>(tag & 0xFF);
    return slot->tag.load(std::memory_order_acquire) == tag;
}

}  // namespace win::posix::kernel
