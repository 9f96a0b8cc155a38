// SPDX-License-Identifier: Apache-2.0
// WaitForSingleObject: one door for every kind of handle, each kind waited on in its own room.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/Access.h"
#include "Platform/posix/kernel/Event.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Mutex.h"

#include <chrono>
#include <thread>

namespace win {

using namespace posix::kernel;

namespace {

// The current process or thread: it cannot end while it waits for itself.
DWORD WaitForSelf(DWORD milliseconds) {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        if (milliseconds != INFINITE) return WAIT_TIMEOUT;
    }
}

}  // namespace

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    if (IsPseudoHandle(hHandle)) return WaitForSelf(dwMilliseconds);
    HandleRef ref;
    if (!LookupHandle(hHandle, ref)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    // The right first: a mapping's handle never has it, so that is what a wait on one says.
    if (!Allows(ref.access, SYNCHRONIZE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    if (ref.kind == HandleKind::kFile) return WAIT_OBJECT_0;  // a file is always signalled
    if (ref.kind != HandleKind::kMutex && ref.kind != HandleKind::kEvent) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (ref.kind == HandleKind::kEvent) {
        return WaitEvent(static_cast<KernelObject*>(ref.target), dwMilliseconds);
    }
    return WaitMutex(static_cast<KernelObject*>(ref.target), dwMilliseconds);
}

}  // namespace win
