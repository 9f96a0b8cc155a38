// halcyon objects: the named kernel objects that this user's processes share.
#include "Command.h"

#if !defined(_WIN32)
#include <Platform/KernelDiagnostics.h>

#include "Platform/Win.h"

#include <cerrno>
#include <csignal>
#endif
#include <cstdio>
#include <string>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon objects [--stale] [--collect]\n"
    "\n"
    "Lists the named kernel objects (mutexes and file mappings) that the processes of this\n"
    "user share through the folder HALCYON_KERNEL_DIR (default $XDG_RUNTIME_DIR/halcyon, or\n"
    "/dev/shm/halcyon-<uid> without a private runtime folder; it must be the user's own): each\n"
    "object's kind, its size (mappings), how many processes hold it and, for a mutex, the\n"
    "process and thread that own it. When a terminal hangs, the owner of the mutex it waits\n"
    "for is the process to look at. A mutex shown (abandoned) lost its owner while held and\n"
    "passes to the next waiter as abandoned.\n"
    "\n"
    "  --stale    also list objects that no process holds any longer (left by processes\n"
    "             that were killed; they count as absent and await collection)\n"
    "  --collect  remove those, and delete-on-close files nothing uses, before listing\n";

#if defined(_WIN32)

int RunObjects(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    std::fprintf(stderr,
                 "halcyon objects: Windows keeps its kernel objects itself; "
                 "a tool such as WinObj lists them\n");
    return kExitFailure;
}

#else

// Names may hold any byte: unprintable ones are shown as \xHH.
std::string Printable(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, c == '\\' ? "\\\\" : "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string Owner(const win::posix::KernelObjectInfo& info) {
    if (info.ownerPid == 0) return info.abandoned ? "(abandoned)" : "-";
    std::string owner = std::to_string(info.ownerPid) + "/" + std::to_string(info.ownerTid);
    if (kill(info.ownerPid, 0) != 0 && errno == ESRCH) owner += " (gone)";
    return owner;
}

void Print(const win::posix::KernelObjectInfo& info) {
    std::string size = info.kind == "mapping" ? std::to_string(info.size) : "-";
    std::string holders = info.holders < 0 ? "?" : std::to_string(info.holders);
    std::printf("%-8s %12s %8s  %-20s %s", info.kind.c_str(), size.c_str(), holders.c_str(),
                Owner(info).c_str(), Printable(info.name).c_str());
    if (!info.backing.empty() && info.backing != "paging file") {
        std::printf("  [file %s]", info.backing.c_str());
    }
    std::printf("%s\n", info.stale ? "  (stale)" : "");
}

int RunObjects(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    bool stale = false;
    bool collect = false;
    for (const std::string& arg : args) {
        if (arg == "--stale") {
            stale = true;
        } else if (arg == "--collect") {
            collect = true;
        } else {
            return UsageError("objects", "unexpected argument '" + arg + "'");
        }
    }
    const std::string& folder = win::posix::KernelDirectory();
    if (collect) {
        int removed = win::posix::CollectKernelObjects();
        std::printf("collected %d file%s\n", removed, removed == 1 ? "" : "s");
    }
    std::vector<win::posix::KernelObjectInfo> objects;
    if (!win::posix::ListKernelObjects(objects)) {
        std::fprintf(stderr, "halcyon objects: cannot read the folder %s (Windows error %u)\n",
                     folder.c_str(), static_cast<unsigned>(win::GetLastError()));
        std::string why = win::posix::KernelFolderProblem();
        if (!why.empty()) std::fprintf(stderr, "halcyon objects: %s\n", why.c_str());
        return kExitFailure;
    }
    std::printf("folder %s\n%-8s %12s %8s  %-20s %s\n", folder.c_str(), "kind", "size", "holders",
                "owner pid/tid", "name");
    int hidden = 0;
    for (const auto& info : objects) {
        if (info.stale && !stale) {
            ++hidden;
        } else {
            Print(info);
        }
    }
    if (hidden > 0)
        std::printf("(%d stale object%s not shown: --stale)\n", hidden, hidden == 1 ? "" : "s");
    return kExitOk;
}

#endif

const Registration kObjects{"objects", "list the named mutexes and mappings processes share",
                            RunObjects};

}  // namespace
}  // namespace halcyon::tool
