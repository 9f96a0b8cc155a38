// SPDX-License-Identifier: Apache-2.0
// Descriptors per shared queue: a process under the usual soft limit of 1024 descriptors holds
// all 128 queues of the registry, as their creator and as a client that opens them.
#include "Ipc/IpcTestSupport.h"

#if HALCYON_STAND_IN
#include <dirent.h>
#include <sys/resource.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count - 3;  // ".", ".." and the folder's own descriptor
}

// Child: under a soft limit of 1024 descriptors, creates (args[0] "create", as the registry's
// owner) or opens ("open") queues fd0 … fd127 of kind args[1]. Before, a queue took 13
// descriptors in its creator, and 78 queues filled the limit; now 7 in the creator, 6 in a
// client, and a few for the process as a whole. Exits 1 when it holds fewer queues or takes more
// descriptors (and says so); else a client exits 0, a creator raises marker args[2] and idles
// until killed.
int HoldAllQueues(const std::vector<std::string>& args) {
    rlimit limit = {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 1024;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
    bool create = args.at(0) == "create";
    int kind = std::stoi(args.at(1));
    if (create) s_MapFile_Initialize(true);
    s_MapFile_Initialize(false);
    int before = OpenDescriptors(), held = 0;
    for (int n = 0; n < 128; ++n) {
        const std::string name = "fd" + std::to_string(n);
        short id =
            create ? halcyon::CreateQueue(name.c_str(), 1, kind) : s_MapFile_OpenQue(name.c_str());
        if (id < 0) break;
        ++held;
    }
    int taken = OpenDescriptors() - before;
    if (held < 128 || taken > 128 * (create ? 7 : 6) + 4) {
        std::fprintf(stderr, "%s: %d queues, %d descriptors\n", args[0].c_str(), held, taken);
        return 1;
    }
    if (!create) return 0;
    RaiseMarker(args.at(2));
    return IdleUntilKilled();
}
const ChildRole kHoldAllQueues("hold-all-queues", HoldAllQueues);
#endif

TEST(QueueDescriptors, AProcessHoldsAll128QueuesUnderASoftLimitOf1024) {
#if HALCYON_STAND_IN
    for (int kind : {halcyon::kQueueLegacy, halcyon::kQueueLockFree}) {
        SCOPED_TRACE(kind);
        const std::string ready = UniqueName("created" + std::to_string(kind));
        int creator = StartChild("hold-all-queues", {"create", std::to_string(kind), ready});
        ASSERT_TRUE(WaitForMarker(ready)) << "the creator's exit: " << WaitChild(creator);
        EXPECT_EQ(WaitChild(StartChild("hold-all-queues", {"open", std::to_string(kind)})), 0);
        KillAndCollect(creator);
    }
#else
    GTEST_SKIP() << "descriptors and their limit are the Linux stand-in's";
#endif
}

}  // namespace
