/// \file
/// What tools may ask of the Linux stand-in's namespace of named kernel objects (mutexes, events,
/// file mappings): its folder, its objects, and the removal of what crashed processes left.
/// Only on Linux: on Windows the system keeps the namespace.
#pragma once

#if !defined(_WIN32)

#include <HalcyonApi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace win::posix {

/// The folder that holds this process's namespace (HALCYON_KERNEL_DIR, read once).
HALCYON_API const std::string& KernelDirectory();

/// Removes what crashed processes left behind: objects without a holder and delete-on-close files
/// that nothing uses any longer. Runs by itself at a process's first namespace operation and then
/// at most once a second on creates; returns the number of files removed.
HALCYON_API int CollectKernelObjects();

/// One named object of the namespace, as `halcyon objects` shows it.
struct KernelObjectInfo {
    std::string name;     ///< the object's name as created
    std::string kind;     ///< "mutex", "event" or "mapping"
    std::uint64_t size;   ///< bytes of a mapping, 0 for a mutex
    std::string backing;  ///< "paging file" or the host path of the mapped file
    int holders;          ///< processes holding a handle, -1 when unknown
    int ownerPid;         ///< a mutex's owner process, 0 when free
    int ownerTid;         ///< and thread
    bool abandoned;       ///< a mutex whose owner ended holding it: its next waiter gets it
    bool stale;           ///< no process holds it: it awaits collection
};

/// The objects of the namespace in name order; false (with GetLastError) when the folder cannot
/// be read. Stale objects are listed and marked, not collected.
HALCYON_API bool ListKernelObjects(std::vector<KernelObjectInfo>& objects);

}  // namespace win::posix

#endif
