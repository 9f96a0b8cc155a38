// SPDX-License-Identifier: Apache-2.0
#include "QueueOwner.h"

#include "QueueSlots.h"
#include "SystemErrors.h"

#include <HalcyonCommon.h>
#if !defined(_WIN32)
#include <Platform/KernelDiagnostics.h>
#endif

#include "Platform/Win.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace halcyon::tool {
namespace {

const char kMarkName[] = "HALCYON_QUEUE_OWNER";
const char kMagic[8] = {'H', 'Q', 'O', 'W', 'N', 'E', 'R', '1'};
constexpr unsigned long kMarkBytes = 4096;
constexpr size_t kProgramOffset = 16;
constexpr size_t kProgramBytes = 256;

constexpr auto kPoll = std::chrono::milliseconds(100);

// The mark: the magic (written last), the process id at 8, the command line at 16.
struct Mark {
    char magic[8];
    std::uint32_t pid;
    char unused[4];
    char program[kProgramBytes];
};
static_assert(sizeof(Mark) == kProgramOffset + kProgramBytes, "the mark's layout");

// Reads a mark another process may still be writing: its magic comes last.
bool ReadMark(const void* view, RegistryOwner& owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        Mark mark;
        std::memcpy(&mark, view, sizeof mark);
        if (std::memcmp(mark.magic, kMagic, sizeof kMagic) == 0) {
            owner.pid = mark.pid;
            owner.program.assign(mark.program, strnlen(mark.program, kProgramBytes - 1));
            return true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

void WriteMark(void* view, const std::string& program) {
    auto* mark = static_cast<Mark*>(view);
    std::memset(mark->magic, 0, sizeof mark->magic);
    mark->pid = static_cast<std::uint32_t>(OwnProcessId());
    std::memset(mark->program, 0, kProgramBytes);
    std::memcpy(mark->program, program.data(), std::min(program.size(), kProgramBytes - 1));
    std::memcpy(mark->magic, kMagic, sizeof kMagic);
}

// A copy of a named mapping's first `bytes` bytes under mutex `lock` (when it exists); false when
// there is no such mapping.
bool CopyMapping(const char* name, const char* lock, void* out, size_t bytes) {
    win::HANDLE map = win::OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (map == nullptr) return false;
    const void* view = win::MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0);
    bool copied = view != nullptr;
    if (copied) {
        void* mutex = lock != nullptr ? s_MutexOpen(lock) : nullptr;
        bool held = mutex != nullptr && s_MutexWait(mutex, true);
        std::memcpy(out, view, bytes);
        if (held) s_MutexReset(mutex);
        s_MutexClose(mutex);
        win::UnmapViewOfFile(view);
    }
    win::CloseHandle(map);
    return copied;
}

bool Registered(const std::string& name) {
    for (const std::string& slot : RegisteredQueues()) {
        if (slot == name) return true;
    }
    return false;
}

std::vector<std::string> NonEmpty(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& name : names) {
        if (!name.empty()) out.push_back(name);
    }
    return out;
}

}  // namespace

OwnerMark::~OwnerMark() { Release(); }

void OwnerMark::Release() {
    if (view_ != nullptr) {
        // A process that took the registry over has its own mark here now: that one stays.
        auto* mark = static_cast<Mark*>(view_);
        if (mark->pid == OwnProcessId()) std::memset(mark, 0, sizeof(Mark));
        win::UnmapViewOfFile(view_);
    }
    if (handle_ != nullptr) win::CloseHandle(handle_);
    view_ = handle_ = nullptr;
}

bool OwnerMark::Claim(const std::string& program, bool force, RegistryOwner& other) {
    other = RegistryOwner{};
    handle_ = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMarkBytes,
                                      kMarkName);
    const bool existed = handle_ != nullptr && win::GetLastError() == ERROR_ALREADY_EXISTS;
    if (handle_ != nullptr) view_ = win::MapViewOfFile(handle_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view_ == nullptr) return false;
    // A mark whose process is gone was kept by a process that only looked at it: it is free.
    if (existed && ReadMark(view_, other) && other.pid != OwnProcessId() &&
        ProcessRuns(other.pid)) {
        if (!force) return false;
    } else {
        other = RegistryOwner{};
    }
    WriteMark(view_, program);
    return true;
}

// The registry's block, which the tool reads, rather than its change lock: a process that closed
// the block may hold the lock still, and opening a missing block through the library waits for
// it without limit.
bool RegistryExists() {
    win::HANDLE block = win::OpenFileMappingA(FILE_MAP_READ, FALSE, "SHARED_QUEUE");
    if (block == nullptr) return false;
    win::CloseHandle(block);
    return MutexExists("MS_SHARED_QUEUE");
}

std::vector<std::string> RegisteredQueues() {
    unsigned char registry[kRegistrySlots * kRegistrySlotBytes];
    if (!CopyMapping("SHARED_QUEUE", "MS_SHARED_QUEUE", registry, sizeof registry)) return {};
    return SlotNames(registry);
}

std::vector<std::string> QueuesInUse() {
    std::vector<std::string> names;
    for (const std::string& name : NonEmpty(RegisteredQueues())) {
        if (MutexExists("QS_" + name)) names.push_back(name);
    }
    return names;
}

bool FindOwner(RegistryOwner& owner) {
    Mark mark;
    if (!CopyMapping(kMarkName, nullptr, &mark, sizeof mark)) return false;
    if (std::memcmp(mark.magic, kMagic, sizeof kMagic) != 0) return false;
    owner.pid = mark.pid;
    owner.program.assign(mark.program, strnlen(mark.program, kProgramBytes - 1));
    return ProcessRuns(owner.pid);
}

std::string Describe(const RegistryOwner& owner) {
    return "process " + std::to_string(owner.pid) + " (" + owner.program + ")";
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

bool AwaitRegistry(long seconds, const char* command) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!RegistryExists()) {
        if (std::chrono::steady_clock::now() >= end) {
            std::fprintf(stderr,
                         "halcyon %s: no queue registry is running (waited %ld s): start one with "
                         "'halcyon queue host NAME', or start the terminal that owns it; "
                         "--wait-owner SECONDS waits longer\n",
                         command, seconds);
#if !defined(_WIN32)
            // No registry can be seen when the kernel-object folder is refused: say which.
            std::string folder = win::posix::KernelFolderProblem();
            if (!folder.empty()) std::fprintf(stderr, "halcyon %s: %s\n", command, folder.c_str());
#endif
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

short OpenQueueWithin(const std::string& name, long seconds, const char* command) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    if (!AwaitRegistry(seconds, command)) return -1;
    while (!Registered(name)) {
        if (std::chrono::steady_clock::now() >= end) {
            std::vector<std::string> queues = NonEmpty(RegisteredQueues());
            std::string known = queues.empty() ? "none" : JoinNames(queues);
            if (MutexExists("QS_" + name)) {
                std::fprintf(stderr,
                             "halcyon %s: queue '%s' is held by processes but not in the "
                             "registry: its registry was emptied by a second owner; restart "
                             "its host ('halcyon queue host %s') and its clients\n",
                             command, name.c_str(), name.c_str());
            } else {
                std::fprintf(stderr,
                             "halcyon %s: no queue named '%s' (registered: %s); create it with "
                             "'halcyon queue host %s'\n",
                             command, name.c_str(), known.c_str(), name.c_str());
            }
            return -1;
        }
        std::this_thread::sleep_for(kPoll);
    }
    short id = s_MapFile_WaitingOpenQue(name.c_str());
    if (id < 0) std::fprintf(stderr, "halcyon %s: cannot open queue '%s'\n", command, name.c_str());
    return id;
}

std::string WhyNotCreated(const std::string& name) {
    const std::string temp = static_cast<const char*>(s_PathGetTempPath(0));
    char probe[MAX_PATH] = {};
    if (win::GetTempFileNameA(temp.c_str(), "hq", 0, probe) != 0) {
        win::DeleteFileA(probe);
        return "cannot create queue '" + name + "': the registry has no free slot for it, or " +
               "another process created it first (see `halcyon queue list`)";
    }
    return "cannot create queue '" + name + "': no file can be made in TEMP (" + temp + "; " +
           ReasonOfError(win::GetLastError()) + "); TEMP must be a folder of yours that others " +
           "cannot enter, and a user without a home of their own gets /tmp/halcyon-<uid> " +
           "(docs/security.md)";
}

}  // namespace halcyon::tool
