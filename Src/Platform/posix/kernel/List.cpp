// SPDX-License-Identifier: Apache-2.0
// The namespace as people inspect it: each object's name, kind, size and holders.
//
// Holders are counted from /proc/locks: every process with a handle to an object holds a shared
// flock on its file, so the distinct processes holding one on the file's inode are its holders.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Namespace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <utility>

namespace win::posix {
namespace {

using InodeKey = std::pair<std::uint64_t, std::uint64_t>;  // device, inode
using HolderMap = std::map<InodeKey, std::set<int>>;

// Lines like "3: FLOCK  ADVISORY  READ  1234 00:1a:5678 0 EOF"; "->" lines are waiters.
bool ReadFlockHolders(HolderMap& holders) {
    std::ifstream in("/proc/locks");
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string number, type, mode, access, where;
        int pid = 0;
        if (!(words >> number >> type) || type != "FLOCK") continue;
        if (!(words >> mode >> access >> pid >> where)) continue;
        unsigned int major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        holders[{makedev(major, minor), inode}].insert(pid);
    }
    return true;
}

// The object's header, read into this thread's page; null when the file is no complete object.
// The page lives on the heap: a page in thread-local storage would take the static TLS that a
// library loaded with dlopen (by Python, say) gets only a few hundred bytes of.
const kernel::ObjectHeader* ReadHeader(int fd) {
    struct Page {
        alignas(kernel::ObjectHeader) unsigned char bytes[kernel::kHeaderBytes];
    };
    static thread_local std::unique_ptr<Page> page;
    if (!page) page = std::make_unique<Page>();
    if (pread(fd, page->bytes, sizeof page->bytes, 0) != static_cast<ssize_t>(sizeof page->bytes))
        return nullptr;
    const auto* header = reinterpret_cast<const kernel::ObjectHeader*>(page->bytes);
    return std::memcmp(header->magic, kernel::kMagic, sizeof kernel::kMagic) == 0 ? header
                                                                                  : nullptr;
}

void Describe(const kernel::ObjectHeader& header, KernelObjectInfo& info) {
    info.name.assign(header.name, std::min<std::size_t>(header.nameLength, kernel::kNameCapacity));
    bool mutex = header.kind == static_cast<std::uint32_t>(kernel::Kind::kMutex);
    bool event = header.kind == static_cast<std::uint32_t>(kernel::Kind::kEvent);
    info.kind = mutex ? "mutex" : event ? "event" : "mapping";
    info.size = mutex || event ? 0 : header.size;
    if (!mutex && !event) {
        bool file = header.backing == static_cast<std::uint32_t>(kernel::Backing::kFile);
        info.backing = file ? std::string(header.path, std::min<std::size_t>(header.pathLength,
                                                                             kernel::kPathCapacity))
                            : "paging file";
    }
    info.ownerTid = mutex ? RobustLockOwner(header.lock) : 0;
    info.ownerPid = info.ownerTid != 0 ? header.lock.ownerPid.load(std::memory_order_relaxed) : 0;
    info.abandoned =
        mutex && (header.lock.word.load(std::memory_order_relaxed) & kLockOwnerDied) != 0;
}

// One object file; false when it is not a complete object.
bool Inspect(int dirFd, const std::string& fileName, const HolderMap* holders,
             KernelObjectInfo& info) {
    int fd = openat(dirFd, fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st;
    const kernel::ObjectHeader* header = fstat(fd, &st) == 0 ? ReadHeader(fd) : nullptr;
    bool ok = header != nullptr;
    if (ok) {
        Describe(*header, info);
        if (holders != nullptr) {
            auto it = holders->find({st.st_dev, st.st_ino});
            info.holders = it == holders->end() ? 0 : static_cast<int>(it->second.size());
            info.stale = info.holders == 0;
        } else {
            info.holders = -1;
            info.stale = flock(fd, LOCK_EX | LOCK_NB) == 0;
        }
    }
    close(fd);
    return ok;
}

}  // namespace

bool ListKernelObjects(std::vector<KernelObjectInfo>& objects) {
    objects.clear();
    DWORD error = ERROR_SUCCESS;
    int dirFd = kernel::OpenTrustedFolder(false, error);
    if (dirFd < 0) {
        if (error == ERROR_PATH_NOT_FOUND) return true;  // nothing was ever created
        SetLastError(error);
        return false;
    }
    HolderMap holders;
    bool haveHolders = ReadFlockHolders(holders);
    for (const std::string& name : kernel::FolderNames(dirFd)) {
        KernelObjectInfo info{};
        if (name[0] != '.' && Inspect(dirFd, name, haveHolders ? &holders : nullptr, info)) {
            objects.push_back(info);
        }
    }
    close(dirFd);
    std::sort(objects.begin(), objects.end(),
              [](const KernelObjectInfo& a, const KernelObjectInfo& b) { return a.name < b.name; });
    return true;
}

}  // namespace win::posix
