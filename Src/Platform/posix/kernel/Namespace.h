// SPDX-License-Identifier: Apache-2.0
// The namespace folder of the named kernel objects: where it is, how names become file names,
// and how a process takes, keeps and gives up its hold on an object file.
//
// Liveness: each process that has a handle to an object keeps one descriptor of the object's file
// with a shared flock. The kernel drops that lock when the process dies, so an object file that
// can be locked exclusively has no holder: it is stale and counts as absent. Creating, opening and
// giving up objects, and collecting stale files, run under one exclusive lock on the folder, so no
// process sees an object half made or half gone.
//
// Traps this avoids: a flock belongs to the open file description and an mmap keeps that
// description alive, so nothing is ever mapped from the descriptor that holds the lock (a
// separate description serves the mappings); and every descriptor is opened with O_CLOEXEC so that
// programs started by a holder do not keep its names alive.
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/kernel/ObjectFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win::posix::kernel {

// The namespace layer owns the folder and its lock: only its own files (KernelFolder.cpp,
// KernelNamespace.cpp, KernelRecords.cpp) make a FolderLock, and nothing they call while holding
// it takes it again. The layers above (handles, the registry, mappings) call the functions below
// that take the lock themselves, and never hold it.

// Opens the namespace folder, creating it (mode 0700) when `create` is set and it is missing, and
// checks it on the descriptor: a directory reached without following a link, owned by the
// caller's uid, with no group or other permissions. -1 with `error` set otherwise
// (ERROR_ACCESS_DENIED for a folder that is not the caller's own).
int OpenTrustedFolder(bool create, DWORD& error);

// Gives the unnamed (O_TMPFILE) file `fd` the name `name` in folder `dirFd`; -1 with errno.
int LinkUnnamed(int fd, int dirFd, const char* name);

// The namespace folder, opened and checked (OpenTrustedFolder), and with Lock() its exclusive
// lock, held for the life of the object. Locking also checks that the folder serves the caller's
// PID namespace (ERROR_NOT_SUPPORTED otherwise): its mutexes hold thread ids of one namespace.
class FolderLock {
  public:
    explicit FolderLock(bool lockNow = true);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    DWORD Lock();
    bool Held() const { return locked_; }
    // Why the folder could not be had (a Windows error code).
    DWORD Error() const { return error_; }
    // The folder's descriptor: every name in it is reached relative to it.
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
    bool locked_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

// The namespace key of an object name: the name without a leading "Local\". An empty key (null or
// empty name) means an unnamed object. False with the Windows error for names Windows refuses:
// ERROR_FILENAME_EXCED_RANGE for more than 259 bytes, ERROR_PATH_NOT_FOUND for a backslash other
// than the one after "Local" or "Global", ERROR_INVALID_NAME for a prefix without a name.
bool ParseName(const char* name, std::string& key, DWORD& error);

// The file name that stands for `key` in the folder: bytes other than letters, digits and
// "-_.,+=@~" (and a leading ".") as %XX; a result longer than 200 bytes is replaced by "%%" and a
// 128-bit hash of the key. Never starts with "." (the folder's own files do).
std::string FileNameFor(const std::string& key);

// A process's hold on one object file.
struct ObjectFile {
    int lockFd = -1;  // holds the shared lock: the name lives while it is open
    int dataFd = -1;  // a description without a lock, for mapping a section's views: a mutex or
                      // an event has none once its header is mapped
    ObjectHeader* header = nullptr;  // the first page, mapped shared
};

// Fills a new header's kind-specific part; the magic is written after it succeeds. Runs with the
// folder locked: it must not call into the namespace.
using HeaderInit = std::function<DWORD(ObjectHeader& header)>;

// How to make a new object: the bytes after its header and the header's kind-specific part.
struct CreateRequest {
    std::uint64_t dataBytes = 0;
    HeaderInit init;
};

// Opens the live object `key`, or creates it when `create` is given and there is none; `existed`
// tells which. ERROR_FILE_NOT_FOUND when there is none and `create` is null (a stale file is
// removed on the way); ERROR_INVALID_HANDLE when the name is held by an object of another kind or
// its file is damaged. A new object's data pages are reserved before the folder is locked, so a
// large mapping keeps nobody waiting; its header is filled and its name published under the lock.
// `setUp`, when given, runs with the folder still locked once the object is held, for what the
// caller needs of it (it must not call into the namespace); its failure gives the object up again.
// It may close descriptors of `file` it does not need (setting them to -1).
using SetUp = std::function<DWORD(ObjectFile& file)>;
DWORD AcquireObjectFile(const std::string& key, Kind kind, const CreateRequest* create,
                        const SetUp& setUp, ObjectFile& out, bool& existed);

// An object that no name reaches: the same file, unlinked at once.
DWORD CreateUnnamedFile(Kind kind, std::uint64_t dataBytes, const HeaderInit& init,
                        ObjectFile& out);

// Gives up the hold on `key` (the descriptors are closed, the header stays mapped) and removes
// the file when no other process holds it.
void ReleaseObjectFile(const std::string& key, ObjectFile& file);

// Unmaps the header and closes what `file` still has open.
void DiscardObjectFile(ObjectFile& file);

// True when some process holds the object file open on fd (a shared flock of a handle).
bool HasHolder(int fd);

// The sweep of stale files (kernel/Sweep.cpp, which knows the kinds of file the folder holds):
// with the folder held, removes what no process uses and returns the number of files removed.
// MaybeCollect runs it at the process's first namespace operation and then at most once a second
// on creates.
using Sweep = int (*)(const FolderLock& folder);
void SetSweep(Sweep sweep);
void MaybeCollect(const FolderLock& folder, bool creating);

// The names in folder `dirFd` other than "." and "..".
std::vector<std::string> FolderNames(int dirFd);

}  // namespace win::posix::kernel
