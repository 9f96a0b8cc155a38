// SPDX-License-Identifier: Apache-2.0
// The sweep of the kernel-object folder: object files that no process holds any more, the
// records of unnamed objects, and delete-on-close files whose users are gone.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/kernel/DeleteOnClose.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Namespace.h"

#include <fcntl.h>

#include <string>
#include <vector>

namespace win::posix {
namespace kernel {
namespace {

int CollectStale(const FolderLock& folder) {
    if (!folder.Held()) return 0;
    std::vector<std::string> names = FolderNames(folder.Fd());
    int removed = 0;
    for (const std::string& name : names) {
        if (IsDeleteOnCloseRecord(name)) {
            removed += CollectDeleteOnClose(folder, name);
            continue;
        }
        if (name.compare(0, 9, ".unnamed.") == 0) {
            removed += Sys().unlinkat(folder.Fd(), name.c_str(), 0) == 0 ? 1 : 0;
            continue;
        }
        if (name[0] == '.') continue;
        int fd = Sys().openat(folder.Fd(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0);
        if (fd < 0) continue;
        if (!HasHolder(fd) && Sys().unlinkat(folder.Fd(), name.c_str(), 0) == 0) ++removed;
        Sys().close(fd);
    }
    return removed;
}

const bool kSweepSet = (SetSweep(CollectStale), true);

}  // namespace
}  // namespace kernel

int CollectKernelObjects() {
    kernel::FolderLock folder;
    if (!folder.Held()) {
        SetLastError(folder.Error());
        return 0;
    }
    return kernel::CollectStale(folder);
}

}  // namespace win::posix
