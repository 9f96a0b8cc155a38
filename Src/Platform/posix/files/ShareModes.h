// SPDX-License-Identifier: Apache-2.0
// Windows' share modes for the files the stand-in opens (CreateFileA, the C runtime's streams,
// DeleteFileA), and the note that a file is mapped, which keeps it from being truncated.
//
// On Windows an open succeeds only if its access is allowed by the share mode of every open
// already made of the file, and its own share mode allows the access of every one of those; an
// open without data access takes part in neither. Here each open records what it does and what
// it denies as open file description locks (F_OFD_SETLK) on bytes far past any data: "has read",
// "denies read", "denies write", "denies delete" as read locks on one byte each, "has write" and
// "has delete" as a write lock on a byte of its own in a range for each, which only a descriptor
// open for writing can take: an open cannot claim access it does not have, so a reader never
// keeps a writer out by passing for one. An open that wants to read looks for "denies read" held
// by any other description, one that denies writing looks for a write lock in the "has write"
// range, and so on. The kernel drops the locks with the description, so a handle's closing and
// its process's death, even by kill -9, end what it recorded.
//
// Only processes that use the library take part: other programs open, write and truncate the
// files as they please. Descriptors that cannot be read (a file its user may write but not read)
// cannot carry the read locks and are opened without the check; a delete access asked through a
// descriptor that cannot write leaves no mark (its denials still count).
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <sys/types.h>

namespace win::posix {

// The data access that rights `desiredAccess` (GENERIC_*, FILE_READ_DATA … DELETE) ask for, as
// the share flags that grant it: FILE_SHARE_READ for reading, FILE_SHARE_WRITE for writing or
// appending, FILE_SHARE_DELETE for deleting. Compared directly with share modes.
DWORD ShareAccessOf(DWORD desiredAccess);

// Opens host file `path` with `flags` as open(2) does, but for writing only it opens for reading
// too where the file allows it, so that the descriptor can carry the share locks.
int OpenShareable(const char* path, int flags, mode_t mode);

// Checks an open of the file on `fd` (a description of its own, just opened) with data access
// `access` (as ShareAccessOf gives it) and share mode `share` against every other open of the
// file, and records it on `fd` until the description is closed. ERROR_SHARING_VIOLATION when
// they clash; ERROR_SUCCESS otherwise, also where the file system has no such locks.
DWORD ClaimShareAccess(int fd, DWORD access, DWORD share);

// Notes that descriptor `fd` (readable) keeps a mapping or a view of its file, until the
// description is closed; of a mapping that may write the file when `writable`. While a writable
// mapping lives, every open with data access must share writing (ERROR_SHARING_VIOLATION
// otherwise), as Windows refuses to deny writes to a file that a mapping writes.
void MarkMapped(int fd, bool writable);

// True when a description other than `fd`'s keeps a mapping or a view of `fd`'s file.
bool IsMappedElsewhere(int fd);

}  // namespace win::posix
