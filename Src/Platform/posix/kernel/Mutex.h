// SPDX-License-Identifier: Apache-2.0
// Mutexes: a robust, recursive lock in the object's header page (RobustLock), owned by a thread.
#pragma once

#include "Platform/posix/kernel/Registry.h"

namespace win::posix::kernel {

// WaitForSingleObject on a mutex: WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitMutex(KernelObject* object, DWORD milliseconds);

}  // namespace win::posix::kernel
