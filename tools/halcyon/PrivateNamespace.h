// SPDX-License-Identifier: Apache-2.0
// A namespace of named kernel objects of the process's own, so that a demonstration never meets
// the queues, registry and mutexes of the terminals and hosts of the user's session.
#pragma once

#include <functional>
#include <string>

namespace halcyon::tool {

// Runs `body` with a fresh private folder (mode 0700) as HALCYON_KERNEL_DIR, for this process and
// the processes it starts, and removes the folder once they have all ended; returns body's exit
// code. It must run before the library's first kernel call. False in `made` (and body not run)
// when no folder could be made, with the reason in `error`. Where the system keeps the objects
// itself (Windows), there is no such folder: body runs in the session's namespace.
int RunInPrivateNamespace(const std::function<int()>& body, bool& made, std::string& error);

// True where RunInPrivateNamespace gives a namespace of its own.
bool HasPrivateNamespaces();

}  // namespace halcyon::tool
