// SPDX-License-Identifier: Apache-2.0
// Where the library keeps one user's data (queues' backing files, the bridge's state), and how it
// opens such a file so that nobody else's file is ever taken for it.
//
// On Linux a folder holding such data must belong to the caller and be closed to writing by group
// and others, and a file in it must be the caller's own regular file, open to nobody else (0600):
// a file another user planted, a link, a pipe or a file others may read is refused, never used.
// On Windows the folders' access lists decide, as for every other file.
#pragma once

#include "Platform/Win.h"

namespace halcyon {

// Makes folder `path` (a Windows path) fit to hold this user's data: on Linux it must be a folder
// of the caller's that group and others cannot write, and the reading and searching it allows
// them are taken away. False with GetLastError otherwise: ERROR_ACCESS_DENIED for another user's
// folder or one that others may write, ERROR_PATH_NOT_FOUND or ERROR_DIRECTORY when there is no
// such folder.
bool MakeFolderPrivate(const char* path);

// Opens file `path` (a Windows path) for reading and writing, shared with no other open, and
// creates it when it is missing (GetLastError then ERROR_SUCCESS, else ERROR_ALREADY_EXISTS).
// On Linux the last component is matched exactly as spelled, a new file is made 0600 with
// O_EXCL, and an existing one must be the caller's regular file without permissions for group or
// others, in a folder of the caller's that others cannot write: anything else gives
// INVALID_HANDLE_VALUE with ERROR_ACCESS_DENIED. ERROR_SHARING_VIOLATION when the file is open.
HALCYON_API win::HANDLE OpenPrivateFile(const char* path);

}  // namespace halcyon
