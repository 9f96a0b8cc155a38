// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Coding/LzhWorkspace.h"

#include <new>

namespace halcyon::lzh {
namespace {

// On the heap rather than in thread-local storage itself: threads that never code pay nothing,
// and the 54 KiB do not weigh on every thread's static TLS block. The pointer is a plain
// thread-local, so it stays readable after the thread's destructors have run.
thread_local LzhWorkspace* t_workspace = nullptr;
thread_local bool t_released = false;

// Frees the thread's workspace when the thread ends.
struct WorkspaceRelease {
    ~WorkspaceRelease() {
        delete t_workspace;
        t_workspace = nullptr;
        t_released = true;
    }
};

}  // namespace

LzhWorkspace* ThreadWorkspace() {
    if (t_workspace != nullptr) return t_workspace;
    // Zeroed once: what Start does not reset is never read before it is written.
    t_workspace = new (std::nothrow) LzhWorkspace();
    // The main thread's thread-locals end before the program's static destructors run; a codec
    // call from one of those gets a workspace that lives until the process ends.
    if (!t_released) {
        thread_local WorkspaceRelease release;
        (void)release;
    }
    return t_workspace;
}

}  // namespace halcyon::lzh
