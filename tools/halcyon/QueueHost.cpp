// SPDX-License-Identifier: Apache-2.0
// halcyon queue host: own the queue registry and keep queues alive, unless another owner is.
#include "QueueOwner.h"
#include "QueueVerbs.h"

#include <HalcyonCommon.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace halcyon::tool {
namespace {

// Why this process must not take the registry, or "" when it may.
std::string Obstacle(OwnerMark& mark, const std::string& program, bool force) {
    RegistryOwner other;
    if (!mark.Claim(program, force, other)) {
        if (other.pid == 0) return "cannot make the owner's mark \"HALCYON_QUEUE_OWNER\"";
        return "the queue registry is owned by " + Describe(other) +
               ": stop it first, or host every queue in one process ('halcyon queue host A B "
               "C'); --take-over would empty the registry, and its queues would vanish for "
               "every process";
    }
    std::vector<std::string> inUse = QueuesInUse();
    if (!force && !inUse.empty()) {
        return "the queue registry holds queues in use (" + JoinNames(inUse) +
               ") and its owner is not a halcyon host (a terminal?) or has ended: --take-over "
               "would empty the registry, and these queues would vanish for every process";
    }
    if (other.pid != 0 || !inUse.empty()) {
        std::fprintf(stderr,
                     "halcyon queue: taking the registry over from %s; queues dropped: %s\n",
                     other.pid != 0 ? Describe(other).c_str() : "an unknown owner",
                     inUse.empty() ? "none" : JoinNames(inUse).c_str());
    }
    return "";
}

// Closes the hosted queues; those still registered under their names leave the registry. Queues
// that another owner took the registry from are only let go, first: the last queue to leave the
// registry closes it, and a close waits for a registry as every client does (without limit).
void CloseHosted(const Args& names, const std::vector<short>& ids) {
    const std::vector<std::string> slots = RegisteredQueues();
    std::vector<bool> registered(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        registered[i] = static_cast<size_t>(ids[i]) < slots.size() && slots[ids[i]] == names[i];
        if (!registered[i]) s_MapFile_CloseQue(ids[i], false);
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        if (registered[i]) s_MapFile_CloseQue(ids[i], true);
    }
}

}  // namespace

int HostQueues(const Invocation& call) {
    const Args& names = call.Operands();
    for (size_t i = 0; i < names.size(); ++i) {
        std::string name;
        int code = kExitUsage;
        if (!QueueNameOf(call, i, name, code)) return code;
        for (size_t j = 0; j < i; ++j) {
            if (names[j] == name) return call.BadArgument(name, "named twice");
        }
    }
    const long size = call.Number("--size", 64);
    const bool lockFree = call.Has("--lock-free");
    std::string program = "halcyon queue host";
    for (const std::string& name : names) program += " " + name;
    OwnerMark mark;
    const std::string obstacle = Obstacle(mark, program, call.Has("--take-over"));
    if (!obstacle.empty()) return QueueFailure(obstacle);

    s_MapFile_Initialize(true);
    std::vector<short> ids;
    for (const std::string& name : names) {
        short id = halcyon::CreateQueue(name.c_str(), static_cast<unsigned char>(size),
                                        lockFree ? halcyon::kQueueLockFree : halcyon::kQueueLegacy);
        if (id < 0) {
            for (short created : ids) s_MapFile_CloseQue(created, true);
            return QueueFailure(WhyNotCreated(name));
        }
        ids.push_back(id);
        std::printf("%squeue '%s' id %d, ring %ld KiB: hosting until interrupted\n",
                    lockFree ? "lock-free " : "", name.c_str(), id, size);
    }
    CatchInterrupts();
    std::fflush(stdout);
    while (!Interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    CloseHosted(names, ids);
    return kExitOk;
}

}  // namespace halcyon::tool
