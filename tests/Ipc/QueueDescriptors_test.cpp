// SPDX-License-Identifier: Apache-2.0
// Descriptors per shared queue: a process under the usual soft limit of 1024 descriptors holds
// all 128 queues of the registry, as their creator and as a client that opens them.
#include "Ipc/IpcTestSupport.h"
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include <dirent.h>
#include <sys/resource.h>
#endif

#include <fstream>
#include <string>
#include <utility>
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
// owner) or opens ("open") queues fd0 … fd127 of kind args[1]; writes "<queues held> <descriptors
// they took>" to file args[2], raises marker args[3] and idles until killed.
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
    std::ofstream(args.at(2)) << held << " " << OpenDescriptors() - before << "\n";
    RaiseMarker(args.at(3));
    return IdleUntilKilled();
}
const ChildRole kHoldAllQueues("hold-all-queues", HoldAllQueues);
#endif

TEST(QueueDescriptors, AProcessHoldsAll128QueuesUnderASoftLimitOf1024) {
#if HALCYON_STAND_IN
    const std::string folder = MakeScratchFolder("descriptors");
    for (int kind : {halcyon::kQueueLegacy, halcyon::kQueueLockFree}) {
        SCOPED_TRACE(kind);
        // Before, a queue took 13 descriptors in its creator, and 78 queues filled the limit.
        // Now 7 in the creator, 6 in a client, and a few for the process as a whole.
        std::vector<int> holders;
        for (const auto& [role, perQueue] :
             {std::pair<std::string, int>{"create", 7}, {"open", 6}}) {
            const std::string file = folder + "/" + role + std::to_string(kind);
            const std::string ready = UniqueName(role + std::to_string(kind));
            holders.push_back(
                StartChild("hold-all-queues", {role, std::to_string(kind), file, ready}));
            ASSERT_TRUE(WaitForMarker(ready));
            int held = 0, descriptors = 0;
            std::ifstream(file) >> held >> descriptors;
            EXPECT_EQ(held, 128) << role;
            EXPECT_LE(descriptors, 128 * perQueue + 4) << role;
            RecordProperty(role == "create" ? "creator" : "client", descriptors);
        }
        KillChild(holders[1]);
        KillAndCollect(holders[0]);
    }
#else
    GTEST_SKIP() << "descriptors and their limit are the Linux stand-in's";
#endif
}

}  // namespace
