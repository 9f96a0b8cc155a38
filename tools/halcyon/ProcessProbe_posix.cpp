// SPDX-License-Identifier: Apache-2.0
// Whether a process runs, on Linux.
#include "QueueOwner.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace halcyon::tool {

bool ProcessRuns(unsigned long pid) {
    if (pid == 0) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

unsigned long OwnProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace halcyon::tool
