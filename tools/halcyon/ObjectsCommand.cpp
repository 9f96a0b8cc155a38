// halcyon objects: the named kernel objects that this user's processes share.
#include "Command.h"
#include "Json.h"

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

#if defined(_WIN32)

int ListObjects(const Invocation&) {
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

bool OwnerGone(const win::posix::KernelObjectInfo& info) {
    return info.ownerPid != 0 && kill(info.ownerPid, 0) != 0 && errno == ESRCH;
}

std::string Owner(const win::posix::KernelObjectInfo& info) {
    if (info.ownerPid == 0) return info.abandoned ? "(abandoned)" : "-";
    std::string owner = std::to_string(info.ownerPid) + "/" + std::to_string(info.ownerTid);
    if (OwnerGone(info)) owner += " (gone)";
    return owner;
}

// A file-backed mapping's file; "" for the paging file and for mutexes and events.
std::string BackingFile(const win::posix::KernelObjectInfo& info) {
    return info.backing == "paging file" ? std::string() : info.backing;
}

std::string ObjectJson(const win::posix::KernelObjectInfo& info) {
    JsonObject object;
    object.Text("name", info.name).Text("kind", info.kind);
    if (info.kind == "mapping")
        object.Number("size", static_cast<long long>(info.size));
    else
        object.Null("size");
    if (BackingFile(info).empty())
        object.Null("file");
    else
        object.Text("file", info.backing);
    if (info.holders < 0)
        object.Null("holders");
    else
        object.Number("holders", static_cast<long long>(info.holders));
    if (info.ownerPid == 0) {
        object.Null("owner_pid").Null("owner_tid");
    } else {
        object.Number("owner_pid", static_cast<long long>(info.ownerPid))
            .Number("owner_tid", static_cast<long long>(info.ownerTid));
    }
    return object.Flag("owner_gone", OwnerGone(info))
        .Flag("abandoned", info.abandoned)
        .Flag("stale", info.stale)
        .Str();
}

void Print(const win::posix::KernelObjectInfo& info) {
    std::string size = info.kind == "mapping" ? std::to_string(info.size) : "-";
    std::string holders = info.holders < 0 ? "?" : std::to_string(info.holders);
    std::printf("%-8s %12s %8s  %-20s %s", info.kind.c_str(), size.c_str(), holders.c_str(),
                Owner(info).c_str(), Printable(info.name).c_str());
    if (!BackingFile(info).empty()) std::printf("  [file %s]", info.backing.c_str());
    std::printf("%s\n", info.stale ? "  (stale)" : "");
}

int ListObjects(const Invocation& call) {
    const bool stale = call.Has("--stale");
    const bool collect = call.Has("--collect");
    const std::string& folder = win::posix::KernelDirectory();
    const bool json = call.Has("--json");
    int removed = collect ? win::posix::CollectKernelObjects() : 0;
    if (collect && !json) std::printf("collected %d file%s\n", removed, removed == 1 ? "" : "s");
    std::vector<win::posix::KernelObjectInfo> objects;
    if (!win::posix::ListKernelObjects(objects)) {
        std::fprintf(stderr, "halcyon objects: cannot read the folder %s (Windows error %u)\n",
                     folder.c_str(), static_cast<unsigned>(win::GetLastError()));
        return kExitFailure;
    }
    if (!json)
        std::printf("folder %s\n%-8s %12s %8s  %-20s %s\n", folder.c_str(), "kind", "size",
                    "holders", "owner pid/tid", "name");
    int hidden = 0;
    std::vector<std::string> shown;
    for (const auto& info : objects) {
        if (info.stale && !stale)
            ++hidden;
        else if (json)
            shown.push_back(ObjectJson(info));
        else
            Print(info);
    }
    if (json) {
        JsonObject all;
        all.Text("folder", folder);
        if (collect)
            all.Number("collected", static_cast<long long>(removed));
        else
            all.Null("collected");
        all.Json("objects", JsonArray(shown))
            .Number("stale_not_shown", static_cast<long long>(hidden));
        std::printf("%s\n", all.Str().c_str());
    } else if (hidden > 0) {
        std::printf("(%d stale object%s not shown: --stale)\n", hidden, hidden == 1 ? "" : "s");
    }
    return kExitOk;
}

#endif

const CommandSpec kObjectsSpec{
    "objects",
    "list the named mutexes and mappings processes share",
    "",
    {{"",
      "",
      "Lists the named kernel objects (mutexes and file mappings) that the processes of this "
      "user share through the folder HALCYON_KERNEL_DIR (default $XDG_RUNTIME_DIR/halcyon, or "
      "/dev/shm/halcyon-<uid> without a private runtime folder; it must be the user's own): each "
      "object's kind, its size (mappings), how many processes hold it and, for a mutex, the "
      "process and thread that own it. When a terminal hangs, the owner of the mutex it waits "
      "for is the process to look at. A mutex shown (abandoned) lost its owner while held and "
      "passes to the next waiter as abandoned.",
      {{"--stale", nullptr,
        "also list objects that no process holds any longer (left by processes that were "
        "killed; they count as absent and await collection)"},
       {"--collect", nullptr,
        "remove those, and delete-on-close files nothing uses, before listing"},
       {"--json", nullptr, "print one JSON object (docs/cli-json.md)"}},
      ListObjects}}};
const Registration kObjects{kObjectsSpec};

}  // namespace
}  // namespace halcyon::tool
