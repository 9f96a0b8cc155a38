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

#include "posix/KernelObjectFile.h"
#include "posix/WinTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace win::posix::kernel {

// The exclusive lock on the namespace folder, held for the life of the object. Creates the folder
// (mode 0700) when it is missing.
class FolderLock {
  public:
    FolderLock();
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // Why the lock could not be had (a Windows error code).
    DWORD Error() const { return error_; }

  private:
    int fd_ = -1;
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
    int lockFd = -1;                 // holds the shared lock: the name lives while it is open
    int dataFd = -1;                 // a description without a lock, for mapping
    ObjectHeader* header = nullptr;  // the first page, mapped shared
};

// Fills a new header's kind-specific part; the magic is written after it succeeds.
using HeaderInit = std::function<DWORD(ObjectHeader& header)>;

// With the folder held: opens the live object `key`. ERROR_FILE_NOT_FOUND when there is none (a
// stale file is removed on the way); ERROR_INVALID_HANDLE when the name is held by an object of
// another kind or its file is damaged.
DWORD OpenObjectFile(const FolderLock& folder, const std::string& key, Kind kind, ObjectFile& out);

// With the folder held: creates object `key` with `dataBytes` (a multiple of the page size) after
// the header, zero-filled. On failure nothing is left in the folder.
DWORD CreateObjectFile(const FolderLock& folder, const std::string& key, Kind kind,
                       std::uint64_t dataBytes, const HeaderInit& init, ObjectFile& out);

// An object that no name reaches: the same file, unlinked at once.
DWORD CreateUnnamedFile(Kind kind, std::uint64_t dataBytes, const HeaderInit& init,
                        ObjectFile& out);

// With the folder held: gives up the hold on `key` (the descriptors are closed, the header stays
// mapped) and removes the file when no other process holds it.
void ReleaseObjectFile(const FolderLock& folder, const std::string& key, ObjectFile& file);

// Unmaps the header and closes what `file` still has open.
void DiscardObjectFile(ObjectFile& file);

// With the folder held: removes stale object files and unused delete-on-close files; returns the
// number of files removed. MaybeCollect runs it at the process's first namespace operation and
// then at most once a second on creates.
int CollectStale(const FolderLock& folder);
void MaybeCollect(const FolderLock& folder, bool creating);

// The full host path of `fileName` in the folder.
std::string FolderPath(const std::string& fileName);

}  // namespace win::posix::kernel
