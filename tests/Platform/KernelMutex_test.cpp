// SPDX-License-Identifier: Apache-2.0
// Mutexes: stale handles, recursion and abandonment by an ending thread (the KernelMutexThreads
// tests run under ThreadSanitizer too). A killed owner: the conformance tables Mutexes and Waits;
// threads and processes contending for a mutex: the wrappers' and the queues' tests.
#include "Platform/KernelTestSupport.h"

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

}  // namespace
}  // namespace halcyon::test
