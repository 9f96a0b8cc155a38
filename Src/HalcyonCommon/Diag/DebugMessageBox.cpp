// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/Diag.h>

#include "Platform/Win.h"

#include <cstdarg>

void s_LogDebugMessageBox(const char* pszFormat, ...) {
    win::SYSTEMTIME now;
    win::GetLocalTime(&now);
    // The caller's format follows the time stamp; its own % signs are only read in the second
    // step, where the caller's arguments are formatted.
    CString stamped;
    stamped.Format("%04d/%02d/%02d %02d:%02d:%02d %s", now.wYear, now.wMonth, now.wDay, now.wHour,
                   now.wMinute, now.wSecond, pszFormat != nullptr ? pszFormat : "");
    CString text;
    va_list args;
    va_start(args, pszFormat);
    text.FormatV(stamped, args);
    va_end(args);
    win::MessageBoxA(nullptr, text, "Error", MB_OK);
}
