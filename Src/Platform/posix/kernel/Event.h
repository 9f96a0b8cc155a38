// SPDX-License-Identifier: Apache-2.0
// Events: a futex word in the object's header page (EventState), set and waited on by any
// process that holds the event.
#pragma once

#include "Platform/posix/kernel/Registry.h"

namespace win::posix::kernel {

// WaitForSingleObject on an event: WAIT_OBJECT_0 or WAIT_TIMEOUT.
DWORD WaitEvent(KernelObject* object, DWORD milliseconds);

}  // namespace win::posix::kernel
