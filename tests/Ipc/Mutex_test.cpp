// The mutex wrappers, between threads and between processes.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <thread>

namespace halcyon::test {
namespace {

// Child: takes mutex args[0] through the wrappers, raises marker args[1], idles until killed.
int HoldThroughWrappers(const std::vector<std::string>& args) {
    void* h = s_MutexCreate(args.at(0).c_str());
    if (!s_MutexWait(h, true)) return 10;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHold("mutex-hold", HoldThroughWrappers);

bool WaitOnOtherThread(void* h, bool wait) {
    bool got = false;
    std::thread t([&] {
        got = s_MutexWait(h, wait);
        if (got) s_MutexReset(h);
    });
    t.join();
    return got;
}

// Two creates and an open are one mutex that only its owner resets; bad arguments and closed
// handles give the failure values.
TEST(MutexThreads, TwoCreatesAreOneMutexThatOnlyItsOwnerResets) {
    std::string name = UniqueName("m");
    void* a = s_MutexCreate(name.c_str());
    void* b = s_MutexCreate(name.c_str());
    void* c = s_MutexOpen(name.c_str());
    ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
    EXPECT_NE(a, b);
    ASSERT_TRUE(s_MutexWait(a, true));
    EXPECT_FALSE(WaitOnOtherThread(b, false)) << "held through the other handle";
    std::thread([&] { s_MutexReset(c); }).join();  // not the owner: nothing happens
    EXPECT_FALSE(WaitOnOtherThread(c, false));
    EXPECT_TRUE(s_MutexWait(b, false)) << "the owner may take it again";
    s_MutexReset(b);
    s_MutexReset(a);
    EXPECT_TRUE(WaitOnOtherThread(c, true));
    for (void* h : {a, b, c}) s_MutexClose(h);
    EXPECT_FALSE(s_MutexWait(a, true));
    s_MutexReset(a);
    EXPECT_EQ(s_MutexCreate(nullptr), nullptr);
    EXPECT_EQ(s_MutexOpen(nullptr), nullptr);
    EXPECT_FALSE(s_MutexWait(nullptr, true));
    s_MutexReset(nullptr);
    s_MutexClose(nullptr);
    EXPECT_EQ(s_MutexOpen(UniqueName("nobody made it").c_str()), nullptr);
    EXPECT_EQ(s_MutexCreate(std::string(300, 'q').c_str()), nullptr);
}

TEST(MutexProcesses, AnAbandonedMutexIsReleasedAndReportedFalse) {
    for (bool wait : {true, false}) {
        SCOPED_TRACE(wait ? "waiting" : "not waiting");
        std::string name = UniqueName(wait ? "wait" : "try");
        std::string ready = UniqueName(wait ? "ready-wait" : "ready-try");
        int child = StartChild("mutex-hold", {name, ready});
        ASSERT_TRUE(WaitForMarker(ready));
        void* h = s_MutexOpen(name.c_str());
        ASSERT_NE(h, nullptr);
        EXPECT_FALSE(s_MutexWait(h, false)) << "held by the child";
        KillAndCollect(child);
        EXPECT_FALSE(s_MutexWait(h, wait)) << "abandoned";
        EXPECT_TRUE(WaitOnOtherThread(h, false)) << "and not left held";
        EXPECT_TRUE(s_MutexWait(h, wait));
        s_MutexReset(h);
        s_MutexClose(h);
    }
}

}  // namespace
}  // namespace halcyon::test
