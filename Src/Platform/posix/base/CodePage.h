// SPDX-License-Identifier: Apache-2.0
// The active 8-bit code page and its lead bytes.
//
// The code page is HALCYON_CODEPAGE when set (950, 936, 932, 949, 1252, 65001), else the one the
// locale's character set names (LC_ALL, LC_CTYPE, LANG), else 1252; it is read once per process.
#pragma once

#include "Platform/posix/base/WinTypes.h"

namespace win {

#define CP_ACP 0U
#define CP_UTF8 65001U

HALCYON_API UINT GetACP();
// True when `TestChar` starts a double-byte character in the active code page.
HALCYON_API BOOL IsDBCSLeadByte(BYTE TestChar);
// The same for code page `CodePage` (CP_ACP: the active one). FALSE for the single-byte code
// pages and UTF-8; FALSE with ERROR_INVALID_PARAMETER for a code page Windows does not have.
HALCYON_API BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar);

}  // namespace win
