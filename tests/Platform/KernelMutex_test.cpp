// SPDX-License-Identifier: Apache-2.0
// Mutexes: stale handles. Recursion, abandonment by an ending thread or a killed owner: the
// conformance tables Mutexes and Waits; threads and processes contending for a mutex: the
// wrappers' and the queues' tests.
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

}  // namespace
}  // namespace halcyon::test
