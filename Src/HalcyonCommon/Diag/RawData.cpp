// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/Diag.h>
#include <HalcyonCommon/Paths.h>

#include "Platform/Win.h"

#include <cstdio>

void s_LogWriteRawData(const CString& strFileName, char* pData, const long& nLength) {
    if (nLength < 0 || (pData == nullptr && nLength > 0)) return;
    CString path;
    path.Format("%s\\%s", static_cast<const char*>(s_PathGetDatPath(0)),
                static_cast<const char*>(strFileName));
    std::FILE* file = win::fopen(path, "a+b");
    if (file == nullptr) return;
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (nLength > 0) std::fwrite(pData, 1, static_cast<size_t>(nLength), file);
    std::fclose(file);
}
