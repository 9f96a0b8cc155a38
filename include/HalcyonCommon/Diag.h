/// \file
/// Diagnostics that need no log object: the verify log, the error message box, raw-data dumps.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

/// Records one failed check in `"..\LOG\TQVERIFY.LOG"` (relative to the current directory; the
/// folder is not created) as `"YYYY/MM/DD hh:mm:ss <expr> failed in file <file> in line <n>"`, CR
/// LF ended, and returns false. Call sites use it as the failure branch of a check:
///     `if (p == NULL) { TQVerify("p != NULL", __FILE__, __LINE__); return -1; }`
/// The file is emptied when a process's count of calls passes 10000. Safe to call from any thread.
HALCYON_API bool TQVerify(const char* pszExpression, const char* pszFile, unsigned short nLine);

/// Shows a message box, caption "Error", whose text is the local date and time, a blank and the
/// printf-formatted text. Texts of any length are shown whole.
HALCYON_API void s_LogDebugMessageBox(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/// Appends nLength bytes from pData, unchanged, to file strFileName in s_PathGetDatPath(0).
/// Nothing is written (and nothing reported) when the file cannot be opened, pData is null or
/// nLength is negative; a length of 0 creates a missing file.
HALCYON_API void s_LogWriteRawData(const CString& strFileName, char* pData, const long& nLength);
