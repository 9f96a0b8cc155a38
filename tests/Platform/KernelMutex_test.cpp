// SPDX-License-Identifier: Apache-2.0
// Mutexes: stale handles, recursion and abandonment by an ending thread or a killed process (the
// KernelMutexThreads tests run under ThreadSanitizer too; threads and processes contending for a
// mutex are the wrappers' and the queues' tests).
#include "Platform/KernelTestSupport.h"

#include <vector>

namespace halcyon::test {
namespace {

// Windows gives a closed handle's value to the next handle made; the stand-in's values carry a
// generation, so that a stale handle fails rather than reach the object now in its slot. (Names,
// rights and bad handles: the conformance tables.)
TEST(KernelMutex, AClosedHandleFailsAfterItsSlotIsReused) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << "Windows reuses the value";
    win::HANDLE closed = win::CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_TRUE(win::CloseHandle(closed));
    win::HANDLE next = win::CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_EQ(win::WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(win::CloseHandle(closed));
    EXPECT_EQ(win::WaitForSingleObject(next, 0), WAIT_OBJECT_0) << "the new handle is whole";
    EXPECT_TRUE(win::ReleaseMutex(next));
    EXPECT_TRUE(win::CloseHandle(next));
}

// One release per acquisition; meanwhile another thread can neither release the mutex nor get it
// within a finite wait, which must really wait. A thread that ends owning it leaves it abandoned.
TEST(KernelMutexThreads, RecursionNeedsOneReleasePerAcquisitionAndAnEndAbandons) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    for (int i = 0; i < 3; ++i) ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    std::thread([&] {
        EXPECT_FALSE(win::ReleaseMutex(h));
        EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(win::WaitForSingleObject(h, 30), WAIT_TIMEOUT);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    }).join();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitElsewhere(h, 0), WAIT_TIMEOUT) << i << " released";
        EXPECT_TRUE(win::ReleaseMutex(h));
    }
    EXPECT_FALSE(win::ReleaseMutex(h)) << "one release too many";
    std::thread([&] { ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_ABANDONED);
    EXPECT_TRUE(win::ReleaseMutex(h));  // abandoned, but ours: it must be released
    EXPECT_EQ(WaitElsewhere(h, 0), WAIT_OBJECT_0);
    win::CloseHandle(h);
}

// Child: takes mutexes args[0] and args[1], raises marker args[2] and idles until killed.
int HoldMutexes(const std::vector<std::string>& args) {
    for (const std::string& name : {args.at(0), args.at(1)}) {
        win::HANDLE h = win::CreateMutexA(nullptr, FALSE, name.c_str());
        if (h == nullptr || win::WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) return 10;
    }
    RaiseMarker(args.at(2));
    return IdleUntilKilled();
}
const ChildRole kHoldMutexes("kernel-hold-mutexes", HoldMutexes);

// A waiter blocked without limit gets the mutex, abandoned, when its owner is killed; a mutex the
// owner alone held goes with it, so that a new one of its name starts free, not abandoned.
TEST(KernelMutexProcesses, AKilledOwnerLeavesTheMutexAbandonedOrItsNameGone) {
    std::string mutex = UniqueName("m");
    std::string lone = UniqueName("lone");
    std::string ready = UniqueName("ready");
    int child = StartChild("kernel-hold-mutexes", {mutex, lone, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    win::HANDLE h = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex.c_str());
    win::DWORD blocked = 0;
    std::thread waiter([&] {
        blocked = win::WaitForSingleObject(h, INFINITE);
        win::ReleaseMutex(h);
    });
    KillChild(child);
    waiter.join();
    EXPECT_EQ(blocked, WAIT_ABANDONED);
    win::CloseHandle(h);
    h = win::CreateMutexA(nullptr, FALSE, lone.c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    win::ReleaseMutex(h);
    win::CloseHandle(h);
    CollectLeftovers();  // the child's marker
}

}  // namespace
}  // namespace halcyon::test
