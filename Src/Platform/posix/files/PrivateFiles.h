// SPDX-License-Identifier: Apache-2.0
// Files that hold one user's data: queues' backing files, bridge state, settings, logs.
//
// Every file the stand-in creates gets the permission bits kNewFileMode, the user's own, as a
// file made in a Windows user's folders is that user's. A file that must be the caller's own
// (OpenPrivateFile) is reached without following a link at its last step, made with O_EXCL, and
// trusted only after a check on the descriptor in hand: a regular file of the caller's that group
// and others cannot use, in a folder of the caller's that they cannot write.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <sys/types.h>

#include <string>

namespace win::posix {

constexpr mode_t kNewFileMode = 0600;

// Checks folder descriptor `fd`: a directory owned by the caller that group and others cannot
// write. ERROR_SUCCESS, ERROR_DIRECTORY for something else than a folder, or ERROR_ACCESS_DENIED.
DWORD CheckPrivateFolder(int fd);

// Checks file descriptor `fd`: a regular file owned by the caller with no permission bits for
// group or others. ERROR_SUCCESS or ERROR_ACCESS_DENIED.
DWORD CheckPrivateFile(int fd);

// Opens host folder `hostFolder` (following links: the folder reached is what counts) and checks
// it (CheckPrivateFolder); -1 with `error` set otherwise.
int OpenPrivateFolder(const std::string& hostFolder, DWORD& error);

// Splits Windows path `path` into its folder (the path up to its last separator, "." when it has
// none) and its last component as spelled; false (ERROR_INVALID_NAME) for an empty last
// component, "." or "..". A trail byte that equals '\' is no separator.
bool SplitLastComponent(const char* path, std::string& folder, std::string& name, DWORD& error);

}  // namespace win::posix
