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

std::string QueueName(int n) { return "fd" + std::to_string(n); }

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
        short id = create ? halcyon::CreateQueue(QueueName(n).c_str(), 1, kind)
                          : s_MapFile_OpenQue(QueueName(n).c_str());
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
        const std::string created = folder + "/created" + std::to_string(kind);
        const std::string opened = folder + "/opened" + std::to_string(kind);
        std::string ready = UniqueName("created" + std::to_string(kind));
        int creator =
            StartChild("hold-all-queues", {"create", std::to_string(kind), created, ready});
        ASSERT_TRUE(WaitForMarker(ready));
        std::string ready2 = UniqueName("opened" + std::to_string(kind));
        int client = StartChild("hold-all-queues", {"open", std::to_string(kind), opened, ready2});
        ASSERT_TRUE(WaitForMarker(ready2));
        int held = 0, descriptors = 0;
        for (const std::string& file : {created, opened}) {
            std::ifstream(file) >> held >> descriptors;
            EXPECT_EQ(held, 128) << file;
            // Before, a queue took 13 descriptors in its creator, and 78 queues filled the limit.
            // Now 7 in the creator, 6 in a client, and a few for the process as a whole.
            int perQueue = file == created ? 7 : 6;
            EXPECT_LE(descriptors, 128 * perQueue + 4) << file;
            RecordProperty(file == created ? "creator" : "client", descriptors);
        }
        KillChild(client);
        KillAndCollect(creator);
    }
#else
    GTEST_SKIP() << "descriptors and their limit are the Linux stand-in's";
#endif
}

}  // namespace
