// SPDX-License-Identifier: Apache-2.0
// Whether a process runs, on Windows.
#include "QueueOwner.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace halcyon::tool {

bool ProcessRuns(unsigned long pid) {
    if (pid == 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

unsigned long OwnProcessId() { return GetCurrentProcessId(); }

}  // namespace halcyon::tool
