// SPDX-License-Identifier: Apache-2.0
// Delete-on-close files, as the namespace layer keeps them.
//
// A delete-on-close file has a record ".doc.<dev>.<inode>" in the namespace folder holding its
// host path. Whoever gives up a use of the file, and the collection of stale objects, remove the
// file once it can be locked exclusively (nothing uses it), and the record with it. A record is
// written whole under a draft name and renamed into place, so an existing record is never
// truncated, and a failed write leaves it as it was.
//
// Trust: a record is read only from the checked folder, without following links; the file it
// names is removed only when record and file belong to the caller and the file is still the
// inode the record's name gives.
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/kernel/Namespace.h"

#include <sys/types.h>

#include <string>

namespace win::posix::kernel {

// Records file `fd`, found at `hostPath`, as delete-on-close (replacing a record it had).
DWORD MarkDeleteOnClose(const std::string& hostPath, int fd);

// Creates `hostPath` as a new delete-on-close file open for reading and writing, with a shared
// flock: made unnamed, recorded, then given its name, all under the folder lock, so that a kill
// at any point leaves nothing that a collection does not remove. -1 with `error`:
// ERROR_FILE_EXISTS when the name is taken, ERROR_NOT_SUPPORTED when the file system makes no
// unnamed files (the caller then creates the file as usual and marks it).
int CreateDeleteOnClose(const std::string& hostPath, mode_t mode, DWORD& error);

// Call after giving up a use (handle, mapping or view) of file (device, inode), without holding
// the folder lock: removes the file when it is delete-on-close and nothing uses it any longer.
void ReleaseFileUse(dev_t device, ino_t inode);

// For the folder's collection: whether `fileName` is a delete-on-close record (or the draft of
// one), and (with the folder held) removing it and its file when nothing uses the file; returns
// the number of files removed.
bool IsDeleteOnCloseRecord(const std::string& fileName);
int CollectDeleteOnClose(const FolderLock& folder, const std::string& fileName);

}  // namespace win::posix::kernel
