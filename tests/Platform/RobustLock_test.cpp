// SPDX-License-Identifier: Apache-2.0
// The mutexes' robust locks share each thread's robust list with the C library's own robust
// mutexes: both must come through in any order of release, and a thread's end must mark every
// lock it still owns, of either kind.
#include "Platform/KernelTestSupport.h"

#ifndef _WIN32
#include "Platform/posix/kernel/RobustLock.h"

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

// Four locks of one kind after the other: even ones robust pthread mutexes, odd ones ours.
struct Locks {
    pthread_mutex_t pthreads[2];
    win::HANDLE ours[2];

    Locks() {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
        for (int i = 0; i < 2; ++i) {
            pthread_mutex_init(&pthreads[i], &attr);
            ours[i] = win::CreateMutexA(nullptr, FALSE, nullptr);
        }
        pthread_mutexattr_destroy(&attr);
    }
    ~Locks() {
        for (int i = 0; i < 2; ++i) {
            pthread_mutex_destroy(&pthreads[i]);
            win::CloseHandle(ours[i]);
        }
    }
    // Tries lock i: 0 when it was free, EOWNERDEAD when its owner ended holding it, else EBUSY.
    int Take(int i) {
        if (i % 2 == 0) return pthread_mutex_trylock(&pthreads[i / 2]);
        win::DWORD result = win::WaitForSingleObject(ours[i / 2], 0);
        return result == WAIT_OBJECT_0 ? 0 : result == WAIT_ABANDONED ? EOWNERDEAD : EBUSY;
    }
    bool Give(int i) {
        if (i % 2 == 0) return pthread_mutex_unlock(&pthreads[i / 2]) == 0;
        return win::ReleaseMutex(ours[i / 2]) != FALSE;
    }
};

TEST(RobustLock, SharesTheThreadsListWithTheCLibrarysRobustMutexes) {
    ASSERT_TRUE(win::posix::RobustLocksUsable());
    // The locks a thread releases, in order, before it ends owning the rest.
    const std::vector<std::vector<int>> releases = {
        {}, {0}, {1}, {2}, {3}, {3, 0}, {1, 2}, {0, 2}, {1, 3}, {2, 1, 0}, {0, 1, 2, 3},
    };
    for (const auto& released : releases) {
        Locks locks;
        std::atomic<int> stage{0};
        std::thread owner([&] {
            for (int i = 0; i < 4; ++i) EXPECT_EQ(locks.Take(i), 0);
            for (int i : released) EXPECT_TRUE(locks.Give(i));
            stage = 1;
            WaitUntil([&] { return stage == 2; });
        });
        // While the owner lives, this thread takes what it released into its own list: a lock
        // left linked in the owner's list would lead the kernel's walk astray.
        WaitUntil([&] { return stage == 1; });
        for (int i : released) EXPECT_EQ(locks.Take(i), 0) << i;
        stage = 2;
        owner.join();
        for (int i : released) locks.Give(i);
        for (int i = 0; i < 4; ++i) {
            bool stillHeld = std::find(released.begin(), released.end(), i) == released.end();
            EXPECT_EQ(locks.Take(i), stillHeld ? EOWNERDEAD : 0)
                << "lock " << i << ", " << released.size() << " released first";
            locks.Give(i);
        }
    }
}

// The child of fork() owns nothing of its parent's, though its thread looks the same; nor does a
// child made without the atfork handlers (_Fork), and the parent's own acquisition stays one.
TEST(RobustLock, AForkedChildOwnsNoneOfItsParentsMutexes) {
    for (pid_t (*makeChild)() : {fork, _Fork}) {
        std::string which = makeChild == fork ? "fork" : "_Fork";
        win::HANDLE held = win::CreateMutexA(nullptr, FALSE, UniqueName("held." + which).c_str());
        win::HANDLE free = win::CreateMutexA(nullptr, FALSE, UniqueName("free." + which).c_str());
        ASSERT_EQ(win::WaitForSingleObject(held, INFINITE), WAIT_OBJECT_0);
        pid_t child = makeChild();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = win::WaitForSingleObject(held, 0) == WAIT_TIMEOUT &&
                      !win::ReleaseMutex(held) && win::GetLastError() == ERROR_NOT_OWNER &&
                      win::WaitForSingleObject(free, 0) == WAIT_OBJECT_0 && win::ReleaseMutex(free);
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << which << " " << status;
        EXPECT_TRUE(win::ReleaseMutex(held));
        EXPECT_EQ(WaitElsewhere(held, 0), WAIT_OBJECT_0) << "released by one release";
        win::CloseHandle(held);
        win::CloseHandle(free);
    }
}

}  // namespace
}  // namespace halcyon::test

#else
TEST(RobustLock, IsTheLinuxStandIns) {
    GTEST_SKIP() << "the robust futex lock is the Linux stand-in's";
}
#endif
