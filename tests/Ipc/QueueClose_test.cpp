// SPDX-License-Identifier: Apache-2.0
// Closing queues after another process took the registry over: a close removes only its own
// registration, and returns when the registry is gone.
#include "Ipc/IpcTestSupport.h"
#include "support/TestEnv.h"

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

namespace halcyon::test {
namespace {

class QueueClose : public IpcTest {};

// Child: becomes the registry's owner (emptying it), registers queue args[1] unless it is "-",
// raises marker args[0] and idles until killed; with args[1] "-" it ends at once instead.
int TakeOver(const std::vector<std::string>& args) {
    s_MapFile_Initialize(true);
    if (args.at(1) == "-") return 0;
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

// This process made A (id 0) and B (id 1); a second owner emptied the registry, and either
// registered Other in A's slot and stays, or ended. The closes leave Other registered; once the
// registry's last holder is gone, a close returns (0: the registry cannot be read).
TEST_F(QueueClose, AfterATakeOverOnlyItsOwnSlotGoesAndNothingWaits) {
    const struct {
        const char* other;  // queue the new owner registers, "-" for none (it ends)
        int closeA, closeB;
        const char* slot0;  // slot 0 afterwards
    } cases[] = {
        {"Other", 1, 1, "Other"},
        {"-", 1, 0, "(no registry)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.other);
        ASSERT_EQ(s_MapFile_CreateQue("A", 1), 0);
        ASSERT_EQ(s_MapFile_CreateQue("B", 1), 1);
        const std::string ready = UniqueName("took-over");
        const int child = StartChild("take-over", {ready, c.other});
        if (std::strcmp(c.other, "-") == 0) {
            ASSERT_EQ(WaitChild(child), 0);
        } else {
            ASSERT_TRUE(WaitForMarker(ready));
        }
        EXPECT_EQ(CloseWithin(0, true), c.closeA);
        EXPECT_EQ(Slot(0), c.slot0);
        EXPECT_EQ(CloseWithin(1, true), c.closeB);
        EXPECT_EQ(Slot(0), c.slot0);
        if (std::strcmp(c.other, "-") != 0) KillAndCollect(child);
        TearDown();
        s_MapFile_Initialize(true);
    }
}

}  // namespace
}  // namespace halcyon::test
