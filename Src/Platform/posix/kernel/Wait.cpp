// WaitForSingleObject: one door for every kind of handle, each kind waited on in its own room.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/Event.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Mutex.h"

namespace win {

using namespace posix::kernel;

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    HandleRef ref;
    if (!LookupHandle(hHandle, ref)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (ref.kind == HandleKind::kFile) return WAIT_OBJECT_0;  // a file is always signalled
    if (ref.kind != HandleKind::kMutex && ref.kind != HandleKind::kEvent) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if ((ref.access & SYNCHRONIZE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    if (ref.kind == HandleKind::kEvent) {
        return WaitEvent(static_cast<KernelObject*>(ref.target), dwMilliseconds);
    }
    return WaitMutex(static_cast<KernelObject*>(ref.target), dwMilliseconds);
}

}  // namespace win
