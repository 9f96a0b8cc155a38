// SPDX-License-Identifier: Apache-2.0
// Closing queues after another process took the registry over: a close removes only its own
// registration.
#include "Ipc/IpcTestSupport.h"

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

namespace halcyon::test {
namespace {

class QueueClose : public IpcTest {};

// Child: becomes the registry's owner (emptying it), registers queue args[1], raises marker
// args[0] and idles until killed.
int TakeOver(const std::vector<std::string>& args) {
    s_MapFile_Initialize(true);
    if (s_MapFile_CreateQue(args[1].c_str(), 1) < 0) return 2;
    RaiseMarker(args[0]);
    return IdleUntilKilled();
}
const ChildRole kTakeOver("take-over", TakeOver);

// Registry slot `id` as any process reads it.
std::string Slot(short id) {
    short block = s_MapFile_OpenShm("SHARED_QUEUE");
    char registry[4096] = {};
    if (block < 0 || !s_MapFile_ReadShm(block, reinterpret_cast<unsigned char*>(registry), 4096))
        return "(no registry)";
    return std::string(registry + 32 * id, strnlen(registry + 32 * id, 31));
}

// A close that hangs is a failure, not a test run that never ends.
int CloseWithin(short id, bool remove) {
    auto closing = std::async(std::launch::async, [=] { return s_MapFile_CloseQue(id, remove); });
    if (closing.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return closing.get();
    new auto(std::move(closing));  // left waiting: its destructor would wait too
    return -2;
}

// This process made A (id 0) and B (id 1); a second owner emptied the registry and registered
// Other in A's slot. The closes leave Other registered.
TEST_F(QueueClose, AfterATakeOverOnlyItsOwnSlotGoes) {
    ASSERT_EQ(s_MapFile_CreateQue("A", 1), 0);
    ASSERT_EQ(s_MapFile_CreateQue("B", 1), 1);
    const std::string ready = UniqueName("took-over");
    const int child = StartChild("take-over", {ready, "Other"});
    ASSERT_TRUE(WaitForMarker(ready));
    for (short id : {0, 1}) {
        EXPECT_EQ(CloseWithin(id, true), 1) << id;
        EXPECT_EQ(Slot(0), "Other") << id;
    }
    KillAndCollect(child);
}

}  // namespace
}  // namespace halcyon::test
