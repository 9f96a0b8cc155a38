// SPDX-License-Identifier: Apache-2.0
// Named events: their rules in one process (table) and between real processes, including processes
// killed while they wait or hold a handle, and two threads handing turns to each other.
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

TEST(KernelEvent, StatesAndErrorsFollowWindows) {
    struct Case {
        const char* what;
        win::BOOL manual;
        win::BOOL initial;
        int sets;     // SetEvent calls before the waits
        bool reset;   // ResetEvent after them
        int granted;  // of three waits with timeout 0
    };
    const Case cases[] = {
        {"auto, initially set", FALSE, TRUE, 0, false, 1},
        {"auto, three sets count once", FALSE, FALSE, 3, false, 1},
        {"manual, set stays set", TRUE, FALSE, 1, false, 3},
        {"manual, reset clears", TRUE, TRUE, 2, true, 0},
    };
    for (const Case& c : cases) {
        win::HANDLE e = win::CreateEventA(nullptr, c.manual, c.initial, UniqueName(c.what).c_str());
        for (int i = 0; i < c.sets; ++i) EXPECT_TRUE(win::SetEvent(e)) << c.what;
        if (c.reset) {
            EXPECT_TRUE(win::ResetEvent(e)) << c.what;
        }
        int granted = 0;
        for (int i = 0; i < 3; ++i) granted += win::WaitForSingleObject(e, 0) == WAIT_OBJECT_0;
        EXPECT_EQ(granted, c.granted) << c.what;
        win::CloseHandle(e);
    }
    std::string name = UniqueName("e");
    win::HANDLE e = win::CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    win::HANDLE waitOnly = win::OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_FALSE(win::SetEvent(waitOnly));
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    for (win::HANDLE h : {e, waitOnly}) win::CloseHandle(h);
    EXPECT_EQ(ErrorOf(win::OpenEventA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
}

// A waiter killed while asleep takes no signal with it; a process killed holding the last other
// handle leaves no event behind.
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

TEST(KernelEvent, KilledHoldersLeaveNeitherSleepersNorObjects) {
    std::string name = UniqueName("e");
    std::string ready = UniqueName("ready");
    win::HANDLE e = win::CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    int victim = StartChild("event-wait", {name, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    KillAndCollect(victim);
    EXPECT_TRUE(win::SetEvent(e));
    EXPECT_EQ(win::WaitForSingleObject(e, 2000), WAIT_OBJECT_0);  // the signal stayed

    // The child waiting now holds the last handle but this one.
    int holder = StartChild("event-wait", {name, UniqueName("ready2")});
    ASSERT_TRUE(WaitForMarker(UniqueName("ready2")));
    win::CloseHandle(e);
    EXPECT_EQ(ErrorOf(win::OpenEventA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_SUCCESS);
    KillAndCollect(holder);
    EXPECT_EQ(ErrorOf(win::OpenEventA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
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
