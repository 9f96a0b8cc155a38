// SPDX-License-Identifier: Apache-2.0
// The mutex wrappers between threads. (A holder killed: the queue tests' killed holders, and the
// kernel mutex tests.)
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

}  // namespace
}  // namespace halcyon::test
