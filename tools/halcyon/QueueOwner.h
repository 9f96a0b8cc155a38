// SPDX-License-Identifier: Apache-2.0
// Who owns the queue registry of this namespace, and waiting for one.
//
// The library zeroes the registry for every process that calls s_MapFile_Initialize(true): a
// second owner makes every queue of the first vanish. So the tool's owners (queue host, demo)
// leave a mark, the named mapping "HALCYON_QUEUE_OWNER" (docs/queues-from-the-shell.md), holding
// their process id and command line for as long as they run, and look for another's mark and for
// queues in use before they take the registry. The registry and the queues are read without
// becoming a client of the registry, which would wait for it without limit.
#pragma once

#include <string>
#include <vector>

namespace halcyon::tool {

struct RegistryOwner {
    unsigned long pid = 0;
    std::string program;  // its command line, "halcyon queue host FEED"
};

// This process's mark as the registry's owner, held while the object lives.
class OwnerMark {
  public:
    OwnerMark() = default;
    ~OwnerMark();
    OwnerMark(const OwnerMark&) = delete;
    OwnerMark& operator=(const OwnerMark&) = delete;

    // Puts this process's mark with `program`. False when a live process holds a mark already
    // (`other` says which) and `force` is false; with `force`, the mark is overwritten all the
    // same and `other` names the process it was taken from (pid 0: none). False with `other.pid`
    // 0 when the mark cannot be made at all.
    bool Claim(const std::string& program, bool force, RegistryOwner& other);
    // Takes the mark away again.
    void Release();

  private:
    void* handle_ = nullptr;
    void* view_ = nullptr;
};

// True when some process holds the queue registry (its owner, or clients after it ended).
bool RegistryExists();

// The names in the registry's slots, by id ("" for a free slot); empty when there is none.
std::vector<std::string> RegisteredQueues();

// The registered queues some process still holds (their mutex exists).
std::vector<std::string> QueuesInUse();

// The live owner that left a mark; false when there is none.
bool FindOwner(RegistryOwner& owner);

// "process 1234 (halcyon queue host FEED)".
std::string Describe(const RegistryOwner& owner);

// "FEED, FEED2".
std::string JoinNames(const std::vector<std::string>& names);

// Waits up to `seconds` for a registry; prints how to start one and returns false when none came.
bool AwaitRegistry(long seconds, const char* command);

// Opens queue `name` as a client once it is registered, waiting up to `seconds` for a registry
// and the name; -1 after printing why not.
short OpenQueueWithin(const std::string& name, long seconds, const char* command);

// True while the process `pid` runs (a process of another user counts as running).
bool ProcessRuns(unsigned long pid);
unsigned long OwnProcessId();

}  // namespace halcyon::tool
