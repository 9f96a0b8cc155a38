// Mutexes and names between real processes: the test program starts itself in child roles.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace halcyon::test {
namespace {

// Child: takes mutex args[0], raises marker args[1], then idles until killed or, with args[2],
// ends (exit 0, still owning the mutex) once marker args[2] exists.
int HoldMutex(const std::vector<std::string>& args) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, args.at(0).c_str());
    if (h == nullptr || win::WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) return 10;
    RaiseMarker(args.at(1));
    if (args.size() < 3) return IdleUntilKilled();
    return WaitForMarker(args[2]) ? 0 : 11;
}
const ChildRole kHoldMutex("kernel-hold-mutex", HoldMutex);

// Child: adds 1 to the counter in mapping args[1] args[2] times, each under mutex args[0].
int Count(const std::vector<std::string>& args) {
    win::HANDLE m = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, args.at(0).c_str());
    win::HANDLE s = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, args.at(1).c_str());
    if (m == nullptr || s == nullptr) return 10;
    auto* counter = static_cast<volatile long*>(win::MapViewOfFile(s, FILE_MAP_WRITE, 0, 0, 0));
    if (counter == nullptr) return 11;
    int rounds = std::atoi(args.at(2).c_str());
    for (int i = 0; i < rounds; ++i) {
        if (win::WaitForSingleObject(m, INFINITE) != WAIT_OBJECT_0) return 12;
        long seen = *counter;
        if (i % 16 == 0) std::this_thread::yield();
        *counter = seen + 1;
        win::ReleaseMutex(m);
    }
    return 0;
}
const ChildRole kCount("kernel-count", Count);

// Child: holds handles to objects args[0] (a mutex) and args[1] (a mapping) without owning
// anything, raises marker args[2] and idles until killed.
int HoldNames(const std::vector<std::string>& args) {
    win::HANDLE m = win::OpenMutexA(SYNCHRONIZE, FALSE, args.at(0).c_str());
    win::HANDLE s = win::OpenFileMappingA(FILE_MAP_READ, FALSE, args.at(1).c_str());
    if (m == nullptr || s == nullptr) return 10;
    RaiseMarker(args.at(2));
    return IdleUntilKilled();
}
const ChildRole kHoldNames("kernel-hold-names", HoldNames);

bool MutexExists(const std::string& name) {
    win::HANDLE h = win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (h != nullptr) win::CloseHandle(h);
    return h != nullptr;
}

TEST(KernelProcesses, ProcessesExcludeEachOtherThroughOneNamedMutex) {
    std::string mutex = UniqueName("m");
    std::string section = UniqueName("counter");
    win::HANDLE m = win::CreateMutexA(nullptr, FALSE, mutex.c_str());
    win::HANDLE s = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(long), section.c_str());
    auto* counter =
        static_cast<volatile long*>(win::MapViewOfFile(s, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(counter, nullptr);
    constexpr int kRounds = 3000;
    int a = StartChild("kernel-count", {mutex, section, std::to_string(kRounds)});
    int b = StartChild("kernel-count", {mutex, section, std::to_string(kRounds)});
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(win::WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
        long seen = *counter;
        if (i % 16 == 0) std::this_thread::yield();
        *counter = seen + 1;
        win::ReleaseMutex(m);
    }
    EXPECT_EQ(WaitChild(a), 0);
    EXPECT_EQ(WaitChild(b), 0);
    EXPECT_EQ(*counter, 3L * kRounds);
    win::UnmapViewOfFile(const_cast<long*>(counter));
    win::CloseHandle(s);
    win::CloseHandle(m);
}

TEST(KernelProcesses, ZeroWaitReturnsAtOnceAndAKilledOwnerLeavesTheMutexAbandoned) {
    std::string mutex = UniqueName("m");
    std::string ready = UniqueName("ready");
    int child = StartChild("kernel-hold-mutex", {mutex, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    win::HANDLE h = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex.c_str());
    ASSERT_NE(h, nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(win::WaitForSingleObject(h, 20), WAIT_TIMEOUT);

    // A waiter blocked without limit gets the mutex when its owner is killed.
    win::DWORD blocked = 0;
    std::thread waiter([&] {
        blocked = win::WaitForSingleObject(h, INFINITE);
        win::ReleaseMutex(h);
    });
    KillAndCollect(child);
    waiter.join();
    EXPECT_EQ(blocked, WAIT_ABANDONED);
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0) << "usable again once released";
    win::ReleaseMutex(h);
    win::CloseHandle(h);
}

TEST(KernelProcesses, AProcessEndingWhileOwningLeavesItAbandonedOrItsNameGone) {
    for (bool holdHere : {true, false}) {
        SCOPED_TRACE(holdHere ? "a handle here" : "no handle here");
        std::string mutex = UniqueName(holdHere ? "held" : "free");
        std::string ready = UniqueName(holdHere ? "ready-held" : "ready-free");
        std::string go = UniqueName(holdHere ? "go-held" : "go-free");
        win::HANDLE goMarker = holdHere ? nullptr : RaiseMarker(go);
        int child = StartChild("kernel-hold-mutex", {mutex, ready, go});
        win::HANDLE h = nullptr;
        if (holdHere) {
            ASSERT_TRUE(WaitForMarker(ready));
            h = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex.c_str());
            goMarker = RaiseMarker(go);
        }
        EXPECT_EQ(WaitChild(child), 0);
        EXPECT_FALSE(MarkerExists(ready)) << "the child's mapping ended with it";
        if (holdHere) {
            EXPECT_EQ(win::WaitForSingleObject(h, INFINITE), WAIT_ABANDONED);
            EXPECT_TRUE(win::ReleaseMutex(h));
        } else {
            EXPECT_FALSE(MutexExists(mutex));
            // And a new mutex of that name is new: free, not abandoned.
            h = win::CreateMutexA(nullptr, FALSE, mutex.c_str());
            EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
        }
        EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0);
        win::ReleaseMutex(h);
        win::CloseHandle(h);
        win::CloseHandle(goMarker);
    }
}

TEST(KernelProcesses, NamesLiveWhileAnyProcessHoldsThemAndNoLonger) {
    std::string mutex = UniqueName("m");
    std::string section = UniqueName("s");
    std::string ready = UniqueName("ready");
    win::HANDLE m = win::CreateMutexA(nullptr, FALSE, mutex.c_str());
    win::HANDLE s = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                            section.c_str());
    int child = StartChild("kernel-hold-names", {mutex, section, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    win::CloseHandle(m);
    win::CloseHandle(s);
    EXPECT_TRUE(MutexExists(mutex)) << "the child still holds it";
    EXPECT_TRUE(MarkerExists(section));
    KillChild(child);
    EXPECT_FALSE(MutexExists(mutex));
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MarkerExists(section));
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
    CollectLeftovers();  // the child's marker
}

}  // namespace
}  // namespace halcyon::test
