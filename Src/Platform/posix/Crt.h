// The C runtime's file opening as the Windows runtime does it: the name is a Windows path, and a
// mode without 'b' opens the file in text mode, where each line feed written reaches the file as
// carriage return and line feed, and reading turns CR LF back into LF and stops at Ctrl-Z.
#pragma once

#include "posix/WinTypes.h"

#include <cstdio>

namespace win {

HALCYON_API std::FILE* fopen(const char* filename, const char* mode);
// 0 on success; otherwise the errno value, with *pFile set to null.
HALCYON_API int fopen_s(std::FILE** pFile, const char* filename, const char* mode);

}  // namespace win
