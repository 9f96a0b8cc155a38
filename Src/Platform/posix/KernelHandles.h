// The process's handle table: HANDLE values for mutexes, file mappings and files.
//
// A handle value carries a slot index and the slot's generation, so a closed handle stays invalid
// even after its slot serves a new one, and no value is ever null or INVALID_HANDLE_VALUE.
// Lookups take no lock (they run on every mutex wait); adding and removing handles take the
// table's own lock.
#pragma once

#include "posix/WinTypes.h"

#include <cstdint>
#include <functional>

namespace win::posix::kernel {

enum class HandleKind : std::uint8_t { kMutex = 1, kSection = 2, kFile = 3 };

struct HandleRef {
    HandleKind kind;
    void* target;  // KernelObject* for mutexes and mappings, FileHandle* for files
    DWORD access;  // the rights the handle was opened with
};

// A new handle for `target`; null when the table is full (a million handles).
HANDLE NewHandle(HandleKind kind, void* target, DWORD access);

// What `handle` refers to while it is open; false for null, closed and made-up values.
bool LookupHandle(HANDLE handle, HandleRef& out);

// Closes the handle and tells what it referred to; false when it was not open.
bool RemoveHandle(HANDLE handle, HandleRef& out);

// Closes every handle, reporting each to `visit` (for the process's end).
void RemoveAllHandles(const std::function<void(const HandleRef&)>& visit);

}  // namespace win::posix::kernel
