// SPDX-License-Identifier: Apache-2.0
// The C runtime's multibyte string functions the library uses, in the active code page.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

// strtok over characters of the active code page: a double-byte character (a lead byte and the
// byte after it) is one character, so its trail byte never matches a single-byte delimiter.
// Leading delimiters are skipped and runs of them count as one; a null `str` continues the
// previous string of this thread. Null when no token is left.
HALCYON_API unsigned char* _mbstok(unsigned char* str, const unsigned char* delim);

}  // namespace win
