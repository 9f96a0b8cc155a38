// Mutexes within one process: names, lifetime, access rights, bad handles, abandonment.
#include "Platform/KernelTestSupport.h"

#include <thread>

namespace halcyon::test {
namespace {

// Runs `body` on a thread of its own and waits for it.
template <typename Body>
void OnOtherThread(Body body) {
    std::thread thread(body);
    thread.join();
}

win::DWORD WaitElsewhere(win::HANDLE h, win::DWORD ms) {
    win::DWORD result = 0;
    OnOtherThread([&] {
        result = win::WaitForSingleObject(h, ms);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) win::ReleaseMutex(h);
    });
    return result;
}

TEST(KernelMutex, CreateOpensAnExistingNameAndOpenFailsForAMissingOne) {
    std::string name = UniqueName("m");
    win::SetLastError(1234);
    win::HANDLE first = win::CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    win::HANDLE second = win::CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(first, second);
    // bInitialOwner does not apply to an existing mutex: the caller does not own it.
    EXPECT_FALSE(win::ReleaseMutex(second));
    EXPECT_EQ(win::GetLastError(), ERROR_NOT_OWNER);

    ASSERT_EQ(win::WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitElsewhere(second, 0), WAIT_TIMEOUT);  // one mutex behind both handles
    EXPECT_TRUE(win::ReleaseMutex(second));  // ownership is the object's, not the handle's
    EXPECT_EQ(WaitElsewhere(second, 0), WAIT_OBJECT_0);

    win::SetLastError(0);
    EXPECT_EQ(win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, UniqueName("missing").c_str()), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(win::CloseHandle(first));
    EXPECT_TRUE(win::CloseHandle(second));
}

TEST(KernelMutex, InitialOwnerOwnsANewMutex) {
    std::string name = UniqueName("m");
    win::HANDLE h = win::CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitElsewhere(h, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(win::ReleaseMutex(h));
    EXPECT_EQ(WaitElsewhere(h, 0), WAIT_OBJECT_0);
    win::CloseHandle(h);
}

TEST(KernelMutex, NamesAreExactAndCheckedAsWindowsChecksThem) {
    struct Case {
        std::string name;
        win::DWORD error;  // ERROR_SUCCESS: accepted
    };
    std::string base = UniqueName("n");
    const Case cases[] = {
        {base + std::string(259 - base.size(), 'x'), ERROR_SUCCESS},
        {base + std::string(260 - base.size(), 'x'), ERROR_FILENAME_EXCED_RANGE},
        {base + "\\sub", ERROR_PATH_NOT_FOUND},
        {"C:\\x\\" + base, ERROR_PATH_NOT_FOUND},
        {"Local\\", ERROR_INVALID_NAME},
        {"Global\\" + base + "\\x", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Windows' A functions take names of up to MAX_PATH - 1 characters; Wine's take more.
        if (c.error == ERROR_FILENAME_EXCED_RANGE && UnderWine()) continue;
        win::SetLastError(0);
        win::HANDLE h = win::CreateMutexA(nullptr, FALSE, c.name.c_str());
        EXPECT_EQ(h != nullptr, c.error == ERROR_SUCCESS);
        if (h == nullptr) {
            EXPECT_EQ(win::GetLastError(), c.error);
        } else {
            win::CloseHandle(h);
        }
    }
}

TEST(KernelMutex, LocalPrefixIsTheSameObjectGlobalAndOtherCaseAreNot) {
    std::string name = UniqueName("m");
    win::HANDLE bare = win::CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(bare, nullptr);
    win::HANDLE local = win::CreateMutexA(nullptr, FALSE, ("Local\\" + name).c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_ALREADY_EXISTS);
    win::HANDLE global = win::CreateMutexA(nullptr, FALSE, ("Global\\" + name).c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    std::string upper = name;
    upper[0] = upper[0] == 'K' ? 'k' : 'K';
    win::HANDLE other = win::CreateMutexA(nullptr, FALSE, upper.c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    for (win::HANDLE h : {bare, local, global, other}) EXPECT_TRUE(win::CloseHandle(h));
}

TEST(KernelMutex, UnnamedMutexesAreNewEachTime) {
    win::HANDLE a = win::CreateMutexA(nullptr, FALSE, "");
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    win::HANDLE b = win::CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(win::WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitElsewhere(b, 0), WAIT_OBJECT_0);  // b is another mutex
    win::ReleaseMutex(a);
    win::CloseHandle(a);
    win::CloseHandle(b);
}

TEST(KernelMutex, NameDiesWithTheLastHandleEvenWhenOwned) {
    std::string name = UniqueName("m");
    win::HANDLE a = win::CreateMutexA(nullptr, FALSE, name.c_str());
    win::HANDLE b = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(win::WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
    win::CloseHandle(a);
    win::HANDLE c = win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_NE(c, nullptr) << "b still holds it";
    win::CloseHandle(c);
    win::CloseHandle(b);
    EXPECT_EQ(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
    // A new mutex of the name starts free.
    win::HANDLE fresh = win::CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitElsewhere(fresh, 0), WAIT_OBJECT_0);
    win::CloseHandle(fresh);
}

TEST(KernelMutex, NameOfAMappingIsNoMutexAndTheOtherWayRound) {
    std::string section = UniqueName("section");
    std::string mutex = UniqueName("mutex");
    win::HANDLE s = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                            section.c_str());
    win::HANDLE m = win::CreateMutexA(nullptr, FALSE, mutex.c_str());
    ASSERT_NE(s, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(win::CreateMutexA(nullptr, FALSE, section.c_str()), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, section.c_str()), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                      mutex.c_str()),
              nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::OpenFileMappingA(FILE_MAP_READ, FALSE, mutex.c_str()), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
    win::CloseHandle(s);
    win::CloseHandle(m);
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
        reinterpret_cast<win::HANDLE>(0x1234),
        reinterpret_cast<win::HANDLE>(0x7FFFFFFF00000004ULL),
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
    // A mapping is no mutex.
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

TEST(KernelMutexAbandon, OfTwoBlockedWaitersOneSeesItAbandoned) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, UniqueName("m").c_str());
    std::atomic<bool> owned{false};
    std::atomic<bool> finish{false};
    std::thread owner([&] {
        win::WaitForSingleObject(h, INFINITE);
        owned = true;
        while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(WaitUntil([&] { return owned.load(); }));
    win::DWORD results[2] = {};
    std::thread waiters[2];
    for (int i = 0; i < 2; ++i) {
        waiters[i] = std::thread([&, i] {
            results[i] = win::WaitForSingleObject(h, INFINITE);
            win::ReleaseMutex(h);
        });
    }
    finish = true;  // the owner ends without releasing
    owner.join();
    for (auto& w : waiters) w.join();
    EXPECT_EQ((results[0] == WAIT_ABANDONED) + (results[1] == WAIT_ABANDONED), 1);
    EXPECT_EQ((results[0] == WAIT_OBJECT_0) + (results[1] == WAIT_OBJECT_0), 1);
    win::CloseHandle(h);
}

}  // namespace
}  // namespace halcyon::test
