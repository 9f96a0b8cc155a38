// The process's records of the kernel objects it holds: one per object, shared by all of the
// process's handles to it, so that two handles of one mutex are one mutex in memory too.
//
// The registry lock guards the records, their handle counts and the name index; it is taken
// before the folder lock. Mutex waits and releases take neither: they reach the record through
// the handle table, and a record whose last handle is closed is freed only after later closes
// have pushed it out of a short queue, when no thread of the process waits on it or owns it.
#pragma once

#include "posix/KernelHandles.h"
#include "posix/KernelNamespace.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace win::posix::kernel {

struct KernelObject {
    Kind kind = Kind::kMutex;
    std::string key;  // empty for an unnamed object
    ObjectFile file;
    int handles = 0;              // open handles in this process
    std::atomic<int> waiters{0};  // threads of this process blocked in a wait on it

    // A file mapping.
    std::uint64_t size = 0;
    DWORD protect = 0;
    bool fileBacked = false;
    int fileUseFd = -1;  // a use of the mapped file (see FileHandles.h)
    std::string filePath;
    dev_t fileDevice = 0;
    ino_t fileInode = 0;
};

std::mutex& RegistryLock();

// How to make a new object: the bytes after its header and the header's kind-specific part.
struct CreateRequest {
    std::uint64_t dataBytes = 0;
    HeaderInit init;
};

// Sets up what this process needs of an object it did not hold before (a mapping's file use);
// runs with the registry lock held. A failure gives the object up again.
using Attach = std::function<DWORD(KernelObject& object)>;

// With the registry lock held: this process's record of object `key`, opened, or created when
// `create` is given and the object does not exist; its handle count is one higher. `existed` tells
// whether the object was there before the call.
DWORD AcquireNamed(const std::string& key, Kind kind, const CreateRequest* create,
                   const Attach& attach, KernelObject*& out, bool& existed);
DWORD AcquireUnnamed(Kind kind, const CreateRequest& create, const Attach& attach,
                     KernelObject*& out);

// With the registry lock held: a handle to `object` (whose count AcquireNamed raised). When the
// table is full the count is lowered again and null returned with the error set.
HANDLE HandleFor(KernelObject* object, HandleKind kind, DWORD access);

// With the registry lock held: one handle fewer; the last one gives the object up.
void ReleaseObject(KernelObject* object);

// The calling process and thread as the kernel numbers them (cached; fork() resets the cache).
// __thread rather than thread_local: a thread_local declared extern is reached through a check
// for a dynamic initializer on every use.
extern std::atomic<int> g_pid;
extern __thread int t_tid __attribute__((tls_model("initial-exec")));
int LoadPid();
int LoadTid();
inline int CurrentPid() {
    int pid = g_pid.load(std::memory_order_relaxed);
    return pid != 0 ? pid : LoadPid();
}
inline int CurrentTid() { return t_tid != 0 ? t_tid : LoadTid(); }

// Registers, once, the release of everything the process holds at its normal end: names and
// delete-on-close files are then freed at once instead of by a later collection.
void EnsureExitCleanup();

// Implemented with the mappings: gives up the file uses of all views (they stay mapped).
void ReleaseViewsAtExit();

}  // namespace win::posix::kernel
