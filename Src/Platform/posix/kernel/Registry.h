// SPDX-License-Identifier: Apache-2.0
// The process's records of the kernel objects it holds: one per object, shared by all of the
// process's handles to it, so that two handles of one mutex are one mutex in memory too.
//
// The registry lock guards the records, their handle counts and the name index; it is taken
// before the folder lock. Mutex waits and releases take neither: they reach the record through
// the handle table, and a record whose last handle is closed is freed only after later closes
// have pushed it out of a short queue, when no thread of the process waits on it or owns it.
#pragma once

#include "Platform/posix/handles/HandleTable.h"
#include "Platform/posix/kernel/Namespace.h"

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
    int fileUseFd = -1;  // a use of the mapped file (see FileHandles.h), which its views map
    int views = 0;       // views of the mapping in this process: they keep fileUseFd, and the
                         // record, after the last handle is closed
    std::string filePath;
    dev_t fileDevice = 0;
    ino_t fileInode = 0;
};

std::mutex& RegistryLock();

// Sets up what this process needs of an object it did not hold before (a mapping's file use);
// runs with the registry lock held, and for a named object the folder's too, so it must not call
// into the namespace. A failure gives the object up again.
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

// With the registry lock held: one handle fewer; the last one gives the object up (a mapping's
// use of its file stays while this process has views of it).
void ReleaseObject(KernelObject* object);

// A new description of a named object's file, for mapping a view: the descriptor that holds the
// name reopened through /proc, which reaches that very file. -1 without /proc.
int ReopenObjectData(const KernelObject& object);

// With the registry lock held: one view of a mapping over a file fewer; the last one, once every
// handle is closed too, gives up the use of the file and frees the record.
void ReleaseView(KernelObject* object);

// The calling process and thread as the kernel numbers them, cached. The process id is kept in a
// page the kernel zeroes in the child of every fork, also of _Fork() and clone(), which run no
// atfork handlers; a thread's cached id counts only in the process that cached it. So a child
// never takes its parent's thread id for its own, and never owns its parent's mutexes. (Where the
// kernel cannot wipe a page on fork, before Linux 4.14, an atfork handler resets the cache, and
// a child of _Fork() is not covered.)
// __thread rather than thread_local: a thread_local declared extern is reached through a check
// for a dynamic initializer on every use.
extern std::atomic<std::atomic<int>*> g_pidSlot;
extern __thread int t_tid __attribute__((tls_model("initial-exec")));
extern __thread int t_tidPid __attribute__((tls_model("initial-exec")));
int LoadPid();
int LoadTid(int pid);
inline int CurrentPid() {
    // Acquire: the page another thread made and published is seen whole.
    int pid = g_pidSlot.load(std::memory_order_acquire)->load(std::memory_order_relaxed);
    return pid != 0 ? pid : LoadPid();
}
inline int CurrentTid() {
    int pid = CurrentPid();
    return t_tidPid == pid ? t_tid : LoadTid(pid);
}

// Arranges, once, the release of everything the process holds when the library is unloaded (at
// the process's normal end, after the program's static destructors): names and delete-on-close
// files are then freed at once instead of by a later collection.
void EnsureExitCleanup();

}  // namespace win::posix::kernel
