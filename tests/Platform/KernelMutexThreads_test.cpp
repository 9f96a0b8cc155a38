// Mutexes between the threads of one process (run under ThreadSanitizer too).
#include "Platform/KernelTestSupport.h"

#include <atomic>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

TEST(KernelMutexThreads, ContendingThreadsExcludeEachOther) {
    std::string name = UniqueName("m");
    win::HANDLE creator = win::CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(creator, nullptr);
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    long counter = 0;  // guarded by the mutex alone
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Each thread through a handle of its own: one mutex behind all of them.
            win::HANDLE h = t % 2 == 0 ? win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())
                                       : win::CreateMutexA(nullptr, FALSE, name.c_str());
            for (int i = 0; i < kRounds; ++i) {
                ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
                long seen = counter;
                if (i % 64 == 0) std::this_thread::yield();
                counter = seen + 1;
                ASSERT_TRUE(win::ReleaseMutex(h));
            }
            win::CloseHandle(h);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, kThreads * kRounds);
    win::CloseHandle(creator);
}

TEST(KernelMutexThreads, RecursionNeedsOneReleasePerAcquisition) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    std::atomic<int> step{0};
    std::vector<win::DWORD> seen;
    std::thread other([&] {
        for (int expected = 1; expected <= 4; ++expected) {
            while (step.load() != expected) std::this_thread::yield();
            win::DWORD r = win::WaitForSingleObject(h, 0);
            seen.push_back(r);
            if (r == WAIT_OBJECT_0) win::ReleaseMutex(h);
            step = expected + 10;
        }
    });
    auto probe = [&](int n) {
        step = n;
        while (step.load() != n + 10) std::this_thread::yield();
    };
    for (int i = 0; i < 3; ++i) ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    probe(1);
    EXPECT_TRUE(win::ReleaseMutex(h));
    probe(2);
    EXPECT_TRUE(win::ReleaseMutex(h));
    probe(3);
    EXPECT_TRUE(win::ReleaseMutex(h));
    probe(4);
    other.join();
    EXPECT_EQ(seen,
              (std::vector<win::DWORD>{WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_OBJECT_0}));
    EXPECT_FALSE(win::ReleaseMutex(h)) << "one release too many";
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
    win::CloseHandle(h);
}

TEST(KernelMutexThreads, ReleaseByANonOwnerFails) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    EXPECT_FALSE(win::ReleaseMutex(h)) << "nobody owns it";
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
    std::atomic<int> phase{0};
    std::thread owner([&] {
        win::WaitForSingleObject(h, INFINITE);
        phase = 1;
        while (phase.load() != 2) std::this_thread::yield();
        win::ReleaseMutex(h);
        phase = 3;
    });
    while (phase.load() != 1) std::this_thread::yield();
    win::SetLastError(0);
    EXPECT_FALSE(win::ReleaseMutex(h));
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_TIMEOUT) << "still the other thread's";
    phase = 2;
    owner.join();
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    win::ReleaseMutex(h);
    win::CloseHandle(h);
}

TEST(KernelMutexThreads, FiniteWaitTimesOutWhileAnotherThreadOwnsIt) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    std::atomic<int> phase{0};
    std::thread owner([&] {
        win::WaitForSingleObject(h, INFINITE);
        phase = 1;
        while (phase.load() != 2) std::this_thread::yield();
        win::ReleaseMutex(h);
    });
    while (phase.load() != 1) std::this_thread::yield();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(win::WaitForSingleObject(h, 30), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25))
        << "a finite wait must wait";
    phase = 2;
    EXPECT_EQ(win::WaitForSingleObject(h, 20000), WAIT_OBJECT_0);
    owner.join();
    win::ReleaseMutex(h);
    win::CloseHandle(h);
}

TEST(KernelMutexThreads, HandleClosedWhileAnotherThreadWaitsOnIt) {
    std::string name = UniqueName("m");
    win::HANDLE mine = win::CreateMutexA(nullptr, FALSE, name.c_str());
    win::HANDLE theirs = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
    ASSERT_EQ(win::WaitForSingleObject(mine, INFINITE), WAIT_OBJECT_0);
    std::atomic<bool> started{false};
    win::DWORD result = 0;
    std::thread waiter([&] {
        started = true;
        result = win::WaitForSingleObject(theirs, INFINITE);
        // Its handle is gone, but the mutex is the same: released through the other one.
        win::ReleaseMutex(mine);
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    win::CloseHandle(theirs);
    win::ReleaseMutex(mine);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(win::WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
    win::ReleaseMutex(mine);
    win::CloseHandle(mine);
}

TEST(KernelMutexThreads, ManyThreadsCreateAndCloseNamesAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                std::string name = UniqueName("m" + std::to_string(i % 5));
                win::HANDLE h = win::CreateMutexA(nullptr, FALSE, name.c_str());
                if (h == nullptr || win::WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) {
                    ++failures;
                    continue;
                }
                win::ReleaseMutex(h);
                win::CloseHandle(h);
                (void)t;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace halcyon::test
