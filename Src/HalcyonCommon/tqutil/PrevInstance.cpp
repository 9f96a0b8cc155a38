// SPDX-License-Identifier: Apache-2.0
// The single-instance check: the first instance of a task holds a paging-file mapping named by
// the task for the rest of its life; later instances find it there.
#include <HalcyonCommon/Diag.h>
#include <HalcyonCommon/Mutex.h>

#include "Platform/Win.h"

namespace {

// The verify log has always named this check by its source module and line; tools that read the
// log look for these, so they stay as they were rather than this file's own name and line.
const char kVerifySource[] = "tqutil";
constexpr unsigned short kVerifyLine = 21;

constexpr win::DWORD kMarkerBytes = 32;

}  // namespace

bool s_AppInfoCheckPrevInstance(const char* lpszTaskName) {
    if (lpszTaskName == nullptr) {
        TQVerify("lpszTaskName != NULL", kVerifySource, kVerifyLine);
        return false;
    }
    win::SetLastError(ERROR_SUCCESS);
    win::HANDLE marker = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0,
                                                 kMarkerBytes, lpszTaskName);
    if (marker == nullptr) return false;
    if (win::GetLastError() == ERROR_ALREADY_EXISTS) {
        win::CloseHandle(marker);
        return false;
    }
    return true;  // the handle stays open: the marker lives as long as this process
}
