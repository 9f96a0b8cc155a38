// SPDX-License-Identifier: Apache-2.0
// Named events between real processes, one killed while it waits and one stopped, and two
// threads handing turns to each other. (Their rules in one process: the conformance table Events.)
#include "Platform/KernelTestSupport.h"

#include <thread>

#if HALCYON_STAND_IN
#include <signal.h>
#include <sys/wait.h>
#endif

namespace halcyon::test {
namespace {

// Child: opens event args[0], raises marker args[1], waits for the event (up to 20 s) and
// returns 0 when it was set, 1 on a timeout.
int WaitForEvent(const std::vector<std::string>& args) {
    win::HANDLE e = win::OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, args.at(0).c_str());
    if (e == nullptr) return 10;
    RaiseMarker(args.at(1));
    return win::WaitForSingleObject(e, 20000) == WAIT_OBJECT_0 ? 0 : 1;
}
const ChildRole kWaitForEvent("event-wait", WaitForEvent);

// Two threads hand turns to each other through two auto-reset events: every set must release
// the waiting thread exactly once, with nothing lost or doubled (run under the thread sanitizer).
TEST(KernelEventThreads, AutoResetHandsEachSetToTheWaitingThreadOnce) {
    win::HANDLE work = win::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    win::HANDLE done = win::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    constexpr int kRounds = 2000;
    int taken = 0;
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            if (win::WaitForSingleObject(work, 20000) != WAIT_OBJECT_0) return;
            ++taken;
            win::SetEvent(done);
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        win::SetEvent(work);
        ASSERT_EQ(win::WaitForSingleObject(done, 20000), WAIT_OBJECT_0) << i;
    }
    worker.join();
    EXPECT_EQ(taken, kRounds);
    for (win::HANDLE h : {work, done}) win::CloseHandle(h);
}

// A waiter killed while asleep takes no signal with it. (What a killed process's last handle
// leaves: the KernelNamespace tests; events' names live and die as the other objects' do.)
TEST(KernelEvent, AKilledWaiterTakesNoSignalWithIt) {
    std::string name = UniqueName("e");
    std::string ready = UniqueName("ready");
    win::HANDLE e = win::CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    int victim = StartChild("event-wait", {name, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    KillAndCollect(victim);
    EXPECT_TRUE(win::SetEvent(e));
    EXPECT_EQ(win::WaitForSingleObject(e, 2000), WAIT_OBJECT_0);  // the signal stayed
    win::CloseHandle(e);
}

#if HALCYON_STAND_IN
// A manual-reset event set and reset while its waiter cannot run (the waiting process is stopped)
// still releases the waiter: the set decides, not the state the waiter finds when it runs again.
// Between threads the waiters usually run before the reset anyway, so only this shows the rule.
TEST(KernelEvent, ASetReleasesAWaiterThatRunsOnlyAfterTheReset) {
    std::string name = UniqueName("e");
    std::string ready = UniqueName("ready");
    win::HANDLE gate = win::CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    int waiter = StartChild("event-wait", {name, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it fall asleep
    int status = 0;
    ASSERT_EQ(kill(waiter, SIGSTOP), 0);
    ASSERT_EQ(waitpid(waiter, &status, WUNTRACED), waiter);
    win::SetEvent(gate);
    win::ResetEvent(gate);
    kill(waiter, SIGCONT);
    EXPECT_EQ(WaitChild(waiter), 0);
    win::CloseHandle(gate);
}
#endif

}  // namespace
}  // namespace halcyon::test
