// Mutexes within one process: names, lifetime, access rights, bad handles, abandonment, and
// contention between threads (the KernelMutexThreads tests run under ThreadSanitizer too).
#include "Platform/KernelTestSupport.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

// Which names meet: "Local\" is the session's own namespace, "Global\", another case and no name
// are other objects; names are checked as Windows checks them.
TEST(KernelMutex, NamesMeetOnlyWhenExactlyTheSame) {
    std::string name = UniqueName("m");
    std::string upper = name;
    upper[0] = upper[0] == 'K' ? 'k' : 'K';
    struct Case {
        std::string name;
        bool unnamed;      // null instead of the name
        win::DWORD error;  // ERROR_SUCCESS or ERROR_ALREADY_EXISTS: made
    } cases[] = {
        {name, false, ERROR_SUCCESS},
        {"Local\\" + name, false, ERROR_ALREADY_EXISTS},
        {"Global\\" + name, false, ERROR_SUCCESS},
        {upper, false, ERROR_SUCCESS},
        {"", false, ERROR_SUCCESS},
        {"", true, ERROR_SUCCESS},
        {name + std::string(259 - name.size(), 'x'), false, ERROR_SUCCESS},
        {name + std::string(260 - name.size(), 'x'), false, ERROR_FILENAME_EXCED_RANGE},
        // Below a name that names no object: Wine says ERROR_INVALID_HANDLE below a mutex's.
        {UniqueName("n") + "\\sub", false, ERROR_PATH_NOT_FOUND},
        {"Local\\", false, ERROR_INVALID_NAME},
    };
    std::vector<win::HANDLE> handles;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (c.unnamed ? " (null)" : ""));
        // Windows' A functions take names of up to MAX_PATH - 1 characters; Wine's take more.
        if (c.error == ERROR_FILENAME_EXCED_RANGE && UnderWine()) continue;
        win::SetLastError(1234);
        win::HANDLE h = win::CreateMutexA(nullptr, FALSE, c.unnamed ? nullptr : c.name.c_str());
        bool made = c.error == ERROR_SUCCESS || c.error == ERROR_ALREADY_EXISTS;
        EXPECT_EQ(h != nullptr, made);
        EXPECT_EQ(win::GetLastError(), c.error);
        if (h != nullptr) handles.push_back(h);
    }
    // The unnamed ones are two mutexes.
    ASSERT_EQ(win::WaitForSingleObject(handles[4], 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitElsewhere(handles[5], 0), WAIT_OBJECT_0);
    win::ReleaseMutex(handles[4]);
    for (win::HANDLE h : handles) EXPECT_TRUE(win::CloseHandle(h));
}

// Ownership is the object's, not the handle's; the name dies with the last handle, owned or not,
// and a new mutex of the name starts free.
TEST(KernelMutex, OneMutexBehindEveryHandleOfTheNameUntilTheLastCloses) {
    std::string name = UniqueName("m");
    win::HANDLE first = win::CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(WaitElsewhere(first, 0), WAIT_TIMEOUT) << "the initial owner owns a new mutex";
    win::HANDLE second = win::CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(first, second);
    // The second bInitialOwner does not apply to an existing mutex, so one release frees it.
    EXPECT_TRUE(win::ReleaseMutex(second));
    EXPECT_EQ(WaitElsewhere(first, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(win::ReleaseMutex(second));
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
    ASSERT_EQ(win::WaitForSingleObject(second, INFINITE), WAIT_OBJECT_0);
    win::CloseHandle(second);
    win::HANDLE third = win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_NE(third, nullptr) << "the first handle still holds it";
    win::CloseHandle(third);
    win::CloseHandle(first);
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
    win::HANDLE fresh = win::CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitElsewhere(fresh, 0), WAIT_OBJECT_0);
    win::CloseHandle(fresh);
}

TEST(KernelMutex, BadHandlesFailWithoutHarm) {
    win::HANDLE closed = win::CreateMutexA(nullptr, FALSE, UniqueName("closed").c_str());
    ASSERT_TRUE(win::CloseHandle(closed));
    win::HANDLE section =
        win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, nullptr);
    int local = 0;
    const win::HANDLE bad[] = {
        nullptr,
#if HALCYON_STAND_IN
        // On Windows this value is the current process (GetCurrentProcess()), and a closed
        // handle's value goes to the next handle that any thread of the process makes.
        INVALID_HANDLE_VALUE,
        closed,
#endif
        // Past every handle table; in a 64-bit process also a value whose low half is a handle.
        reinterpret_cast<win::HANDLE>(
            static_cast<std::uintptr_t>(sizeof(void*) == 8 ? 0x7FFFFFFF00000004ULL : 0x7FFFFFF4U)),
        &local
    };
    for (win::HANDLE h : bad) {
        SCOPED_TRACE(testing::Message() << h);
        win::SetLastError(0);
        EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_FAILED);
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(win::ReleaseMutex(h));
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(win::CloseHandle(h));
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    }
    // A mapping is no mutex, and a mapping's name names no mutex.
    std::string name = UniqueName("section");
    win::HANDLE named =
        win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, name.c_str());
    EXPECT_EQ(ErrorOf(win::CreateMutexA(nullptr, FALSE, name.c_str())), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ErrorOf(win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())),
              ERROR_INVALID_HANDLE);
    win::CloseHandle(named);
    EXPECT_EQ(win::WaitForSingleObject(section, 0), WAIT_FAILED);
    EXPECT_FALSE(win::ReleaseMutex(section));
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(win::CloseHandle(section));
}

TEST(KernelMutex, HandleRightsLimitWaitAndRelease) {
    std::string name = UniqueName("m");
    win::HANDLE full = win::CreateMutexA(nullptr, FALSE, name.c_str());
    win::HANDLE waitOnly = win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    win::HANDLE releaseOnly = win::OpenMutexA(MUTEX_MODIFY_STATE, FALSE, name.c_str());
    ASSERT_EQ(win::WaitForSingleObject(waitOnly, 0), WAIT_OBJECT_0);
    if (UnderWine()) {  // Wine releases through a handle without MUTEX_MODIFY_STATE
        for (win::HANDLE h : {full, waitOnly, releaseOnly}) win::CloseHandle(h);
        GTEST_SKIP() << "Wine does not check the right to release a mutex";
    }
    EXPECT_FALSE(win::ReleaseMutex(waitOnly));
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::WaitForSingleObject(releaseOnly, 0), WAIT_FAILED);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(win::ReleaseMutex(releaseOnly));
    for (win::HANDLE h : {full, waitOnly, releaseOnly}) win::CloseHandle(h);
}

TEST(KernelMutexAbandon, ThreadEndingWhileOwningLeavesItAbandonedOnce) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    OnOtherThread([&] { ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0); });
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_ABANDONED);
    EXPECT_TRUE(win::ReleaseMutex(h));  // abandoned, but ours: it must be released
    EXPECT_EQ(WaitElsewhere(h, 0), WAIT_OBJECT_0);
    win::CloseHandle(h);
}

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

// One release per acquisition; meanwhile another thread can neither release the mutex nor get it
// within a finite wait, which must really wait.
TEST(KernelMutexThreads, RecursionNeedsOneReleasePerAcquisition) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    EXPECT_FALSE(win::ReleaseMutex(h)) << "nobody owns it";
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    OnOtherThread([&] {
        win::SetLastError(0);
        EXPECT_FALSE(win::ReleaseMutex(h));
        EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(win::WaitForSingleObject(h, 30), WAIT_TIMEOUT);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    });
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitElsewhere(h, 0), WAIT_TIMEOUT) << i << " released";
        EXPECT_TRUE(win::ReleaseMutex(h));
    }
    EXPECT_EQ(WaitElsewhere(h, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(win::ReleaseMutex(h)) << "one release too many";
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);
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

}  // namespace
}  // namespace halcyon::test
