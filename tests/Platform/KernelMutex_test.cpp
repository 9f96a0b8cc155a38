// SPDX-License-Identifier: Apache-2.0
// Mutexes: names, lifetime, access rights, bad handles, recursion and abandonment by an ending
// thread or a killed process (the KernelMutexThreads tests run under ThreadSanitizer too; threads
// and processes contending for a mutex are the wrappers' and the queues' tests).
#include "Platform/KernelTestSupport.h"

#include <cstdint>
#include <vector>

namespace halcyon::test {
namespace {

// Which names meet: "Local\" is the session's own namespace, "Global\" another; names are checked
// as Windows checks them.
TEST(KernelMutex, NamesMeetOnlyWhenExactlyTheSame) {
    std::string name = UniqueName("m");
    const struct {
        std::string name;
        win::DWORD error;  // ERROR_SUCCESS or ERROR_ALREADY_EXISTS: made
    } cases[] = {
        {name, ERROR_SUCCESS},
        {"Local\\" + name, ERROR_ALREADY_EXISTS},
        {"Global\\" + name, ERROR_SUCCESS},
        {name + std::string(259 - name.size(), 'x'), ERROR_SUCCESS},
        {name + std::string(260 - name.size(), 'x'), ERROR_FILENAME_EXCED_RANGE},
        // Below a name that names no object: Wine says ERROR_INVALID_HANDLE below a mutex's.
        {UniqueName("n") + "\\sub", ERROR_PATH_NOT_FOUND},
    };
    std::vector<win::HANDLE> handles;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Windows' A functions take names of up to MAX_PATH - 1 characters; Wine's take more.
        if (c.error == ERROR_FILENAME_EXCED_RANGE && UnderWine()) continue;
        win::SetLastError(1234);
        win::HANDLE h = win::CreateMutexA(nullptr, FALSE, c.name.c_str());
        EXPECT_EQ(h != nullptr, c.error == ERROR_SUCCESS || c.error == ERROR_ALREADY_EXISTS);
        EXPECT_EQ(win::GetLastError(), c.error);
        if (h != nullptr) handles.push_back(h);
    }
    for (win::HANDLE h : handles) EXPECT_TRUE(win::CloseHandle(h));
}

// Bad handles, handles of another kind and handles without the right fail with their own error;
// the name lives until its last handle closes.
TEST(KernelMutex, BadHandlesAndMissingRightsFailWithoutHarm) {
    win::HANDLE closed = win::CreateMutexA(nullptr, FALSE, UniqueName("closed").c_str());
    ASSERT_TRUE(win::CloseHandle(closed));
    std::string name = UniqueName("section");
    win::HANDLE section =
        win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, name.c_str());
    EXPECT_EQ(ErrorOf(win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())), ERROR_INVALID_HANDLE)
        << "a mapping's name names no mutex";
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, "")), ERROR_INVALID_HANDLE);
    const win::HANDLE bad[] = {
        nullptr,
#if HALCYON_STAND_IN
        // On Windows a closed handle's value goes to the next handle that any thread of the
        // process makes. (INVALID_HANDLE_VALUE is the current process, on both systems.)
        closed,
#endif
        // Past every handle table; in a 64-bit process also a value whose low half is a handle.
        reinterpret_cast<win::HANDLE>(
            static_cast<std::uintptr_t>(sizeof(void*) == 8 ? 0x7FFFFFFF00000004ULL : 0x7FFFFFF4U)),
        section,
    };
    for (win::HANDLE h : bad) {
        SCOPED_TRACE(testing::Message() << h);
        EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_FAILED);
        EXPECT_FALSE(win::ReleaseMutex(h));
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(win::CloseHandle(h), h == section);
    }

    win::HANDLE full = win::CreateMutexA(nullptr, FALSE, name.c_str());
    win::HANDLE waitOnly = win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    win::HANDLE releaseOnly = win::OpenMutexA(MUTEX_MODIFY_STATE, FALSE, name.c_str());
    ASSERT_EQ(win::WaitForSingleObject(waitOnly, 0), WAIT_OBJECT_0);
    EXPECT_EQ(win::WaitForSingleObject(releaseOnly, 0), WAIT_FAILED);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(win::ReleaseMutex(releaseOnly));
    win::CloseHandle(full);
    win::CloseHandle(waitOnly);
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_SUCCESS)
        << "one handle still holds it";
    win::CloseHandle(releaseOnly);
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
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
