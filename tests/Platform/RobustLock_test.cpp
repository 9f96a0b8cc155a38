// The mutexes' robust locks share each thread's robust list with the C library's own robust
// mutexes: both must come through in any order of release, and a thread's end must mark every
// lock it still owns, of either kind.
#include "Platform/KernelTestSupport.h"

#ifndef _WIN32
#include "posix/RobustLock.h"

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

// A robust pthread mutex.
struct PthreadRobust {
    PthreadRobust() {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(&mutex, &attr);
        pthread_mutexattr_destroy(&attr);
    }
    ~PthreadRobust() { pthread_mutex_destroy(&mutex); }
    pthread_mutex_t* get() { return &mutex; }
    pthread_mutex_t mutex;
};

// Four locks taken by one thread in this order: pthread, ours, pthread, ours.
struct Locks {
    PthreadRobust pthreads[2];
    win::HANDLE ours[2] = {};

    bool IsOurs(int i) const { return i % 2 == 1; }
    void Take(int i) {
        if (IsOurs(i)) {
            ASSERT_EQ(win::WaitForSingleObject(ours[i / 2], INFINITE), WAIT_OBJECT_0);
        } else {
            ASSERT_EQ(pthread_mutex_lock(pthreads[i / 2].get()), 0);
        }
    }
    void Give(int i) {
        if (IsOurs(i)) {
            ASSERT_TRUE(win::ReleaseMutex(ours[i / 2]));
        } else {
            ASSERT_EQ(pthread_mutex_unlock(pthreads[i / 2].get()), 0);
        }
    }
    // Takes lock i from another thread: true when it was abandoned.
    bool TakeBack(int i) {
        if (IsOurs(i)) {
            win::DWORD result = win::WaitForSingleObject(ours[i / 2], 0);
            EXPECT_TRUE(result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) << result;
            win::ReleaseMutex(ours[i / 2]);
            return result == WAIT_ABANDONED;
        }
        int rc = pthread_mutex_trylock(pthreads[i / 2].get());
        EXPECT_TRUE(rc == 0 || rc == EOWNERDEAD) << rc;
        if (rc == EOWNERDEAD) pthread_mutex_consistent(pthreads[i / 2].get());
        pthread_mutex_unlock(pthreads[i / 2].get());
        return rc == EOWNERDEAD;
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
        for (win::HANDLE& h : locks.ours) h = win::CreateMutexA(nullptr, FALSE, nullptr);
        std::atomic<int> stage{0};
        std::thread owner([&] {
            for (int i = 0; i < 4; ++i) locks.Take(i);
            for (int i : released) locks.Give(i);
            stage = 1;
            WaitUntil([&] { return stage == 2; });
        });
        // While the owner lives, this thread takes what it released into its own list: a lock
        // left linked in the owner's list would lead the kernel's walk astray.
        ASSERT_TRUE(WaitUntil([&] { return stage == 1; }));
        std::vector<int> retaken = released;  // in the owner's order: no lock-order inversion
        std::sort(retaken.begin(), retaken.end());
        for (int i : retaken) locks.Take(i);
        stage = 2;
        owner.join();
        for (int i : retaken) locks.Give(i);
        for (int i = 0; i < 4; ++i) {
            bool stillHeld = std::find(released.begin(), released.end(), i) == released.end();
            EXPECT_EQ(locks.TakeBack(i), stillHeld)
                << "lock " << i << ", " << released.size() << " released first";
        }
        for (win::HANDLE h : locks.ours) win::CloseHandle(h);
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
