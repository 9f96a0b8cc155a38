// SPDX-License-Identifier: Apache-2.0
// Where the logs of this process go, and the one rule for the lengths of their paths.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

#include "Platform/Win.h"

namespace halcyon::nimbuslog {

// The log root for the executable whose full name is pszExecutable, ending in a backslash: the
// parent of its folder followed by "\LOG\" when that folder is named BIN or SPU in any case, else
// its folder followed by "\LOGS\". A name without a backslash counts as a folder name of its own.
HALCYON_API CString LogRootOf(const char* pszExecutable);

// The running executable's log root, its folder made (one level; a failure is ignored).
CString MakeLogRoot();

// True when the runtime's 260-byte path buffers hold `path` with its terminator. A longer path
// is never handed to the runtime: what it names is treated as missing.
inline bool FitsPath(const CString& path) { return path.GetLength() < MAX_PATH; }

// True when `name` names a file or folder inside its folder: no '\', '/' or ':' (double-byte
// aware: a trail byte 0x5C is no backslash), and not only dots and blanks ("." and "..", which
// Windows makes of ". ." or "...").
bool IsPlainName(const char* name);

// One _mkdir of `path` when it fits; its result is ignored.
void MakeFolder(const CString& path);

}  // namespace halcyon::nimbuslog
