// SPDX-License-Identifier: Apache-2.0
// The C runtime's file opening as the Windows runtime does it: the name is a Windows path, and a
// mode without 'b' opens the file in text mode, where each line feed written reaches the file as
// carriage return and line feed, and reading turns CR LF back into LF and stops at Ctrl-Z.
// A folder is not a file: opening one fails with EACCES; so does opening a pipe or a socket, which
// never waits for the other end. A file the runtime creates is the user's own (0600).
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <cstdio>

namespace win {

HALCYON_API std::FILE* fopen(const char* filename, const char* mode);
// 0 on success; otherwise the errno value, with *pFile set to null.
HALCYON_API int fopen_s(std::FILE** pFile, const char* filename, const char* mode);
// fopen with a share mode (_SH_DENYRW, _SH_DENYWR, _SH_DENYRD, _SH_DENYNO): what other opens of
// the file may do while this stream is open. Null with errno EACCES when the file is open in a way
// that clashes; EINVAL for an unknown share flag.
HALCYON_API std::FILE* _fsopen(const char* filename, const char* mode, int shflag);

}  // namespace win

// The share flags of _fsopen, as Windows' <share.h> has them.
#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40
