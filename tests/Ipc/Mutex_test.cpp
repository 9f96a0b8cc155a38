// SPDX-License-Identifier: Apache-2.0
// Mutexes: the wrappers between threads, and stale handles. (Recursion, abandonment by an ending
// thread or a killed owner: the conformance tables Mutexes and Waits, and the queue tests' killed
// holders.)
#include "Platform/KernelTestSupport.h"

#include <HalcyonCommon.h>

namespace halcyon::test {
namespace {

// A create and an open are one mutex, which its owner may take again; bad arguments and closed
// handles give the failure values.
TEST(MutexThreads, ACreateAndAnOpenAreOneMutex) {
    std::string name = UniqueName("m");
    void* a = s_MutexCreate(name.c_str());
    void* c = s_MutexOpen(name.c_str());
    ASSERT_TRUE(a != nullptr && c != nullptr);
    ASSERT_TRUE(s_MutexWait(a, true));
    EXPECT_EQ(WaitElsewhere(c, 0), WAIT_TIMEOUT) << "held through the other handle";
    EXPECT_TRUE(s_MutexWait(c, false)) << "the owner may take it again";
    s_MutexReset(c);
    s_MutexReset(a);
    EXPECT_EQ(WaitElsewhere(c, 20000), WAIT_OBJECT_0);
    for (void* h : {a, c}) s_MutexClose(h);
    EXPECT_FALSE(s_MutexWait(a, true));
    EXPECT_EQ(s_MutexCreate(nullptr), nullptr);
    EXPECT_EQ(s_MutexOpen(nullptr), nullptr);
    EXPECT_FALSE(s_MutexWait(nullptr, true));
    s_MutexReset(nullptr);
    s_MutexClose(nullptr);
    EXPECT_EQ(s_MutexOpen(UniqueName("nobody made it").c_str()), nullptr);
}

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
