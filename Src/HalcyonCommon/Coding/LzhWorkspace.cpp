#include "HalcyonCommon/Coding/LzhWorkspace.h"

#include <memory>
#include <new>

namespace halcyon::lzh {

LzhWorkspace* ThreadWorkspace() {
    // On the heap rather than in thread-local storage itself: threads that never code pay
    // nothing, and the 54 KiB do not weigh on every thread's static TLS block.
    thread_local std::unique_ptr<LzhWorkspace> workspace;
    // Zeroed once: what Start does not reset is never read before it is written.
    if (!workspace) workspace.reset(new (std::nothrow) LzhWorkspace());
    return workspace.get();
}

}  // namespace halcyon::lzh
