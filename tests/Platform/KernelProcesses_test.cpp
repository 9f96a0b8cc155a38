// Mutexes and names between real processes: the test program starts itself in child roles.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <cstdlib>
#include <thread>

namespace halcyon::test {
namespace {

// Child: takes mutex args[0], opens mapping args[1] when it exists, raises marker args[2], then
// idles until killed or, with args[3], ends (exit 0, still owning the mutex) once marker args[3]
// exists.
int HoldMutex(const std::vector<std::string>& args) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, args.at(0).c_str());
    if (h == nullptr || win::WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) return 10;
    win::OpenFileMappingA(FILE_MAP_READ, FALSE, args.at(1).c_str());
    RaiseMarker(args.at(2));
    if (args.size() < 4) return IdleUntilKilled();
    return WaitForMarker(args[3]) ? 0 : 11;
}
const ChildRole kHoldMutex("kernel-hold-mutex", HoldMutex);

// Child: adds 1 to the counter in mapping args[1] args[2] times, each under mutex args[0].
int Count(const std::vector<std::string>& args) {
    win::HANDLE m = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, args.at(0).c_str());
    win::HANDLE s = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, args.at(1).c_str());
    if (m == nullptr || s == nullptr) return 10;
    auto* counter = static_cast<volatile long*>(win::MapViewOfFile(s, FILE_MAP_WRITE, 0, 0, 0));
    if (counter == nullptr) return 11;
    for (int i = 0; i < std::atoi(args.at(2).c_str()); ++i) {
        if (win::WaitForSingleObject(m, INFINITE) != WAIT_OBJECT_0) return 12;
        long seen = *counter;
        if (i % 16 == 0) std::this_thread::yield();
        *counter = seen + 1;
        win::ReleaseMutex(m);
    }
    return 0;
}
const ChildRole kCount("kernel-count", Count);

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
    auto* counter = static_cast<long*>(win::MapViewOfFile(s, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(counter, nullptr);
    int a = StartChild("kernel-count", {mutex, section, "3000"});
    int b = StartChild("kernel-count", {mutex, section, "3000"});
    EXPECT_EQ(WaitChild(a), 0);
    EXPECT_EQ(WaitChild(b), 0);
    EXPECT_EQ(*counter, 6000L);
    win::UnmapViewOfFile(counter);
    win::CloseHandle(s);
    win::CloseHandle(m);
}

// A waiter blocked without limit gets the mutex, abandoned, when its owner is killed; the names
// the owner held go with it.
TEST(KernelProcesses, AKilledOwnerLeavesTheMutexAbandonedAndItsNamesGone) {
    std::string mutex = UniqueName("m");
    std::string section = UniqueName("s");
    std::string ready = UniqueName("ready");
    win::HANDLE s = RaiseMarker(section);
    int child = StartChild("kernel-hold-mutex", {mutex, section, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    win::CloseHandle(s);
    EXPECT_TRUE(MarkerExists(section)) << "the child still holds it";
    win::HANDLE h = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(win::WaitForSingleObject(h, 20), WAIT_TIMEOUT);
    win::DWORD blocked = 0;
    std::thread waiter([&] {
        blocked = win::WaitForSingleObject(h, INFINITE);
        win::ReleaseMutex(h);
    });
    KillChild(child);
    waiter.join();
    EXPECT_EQ(blocked, WAIT_ABANDONED);
    EXPECT_FALSE(MarkerExists(section));
    EXPECT_EQ(win::GetLastError(), ERROR_FILE_NOT_FOUND);
    CollectLeftovers();  // the child's marker
    EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0) << "usable again once released";
    win::ReleaseMutex(h);
    win::CloseHandle(h);
    EXPECT_FALSE(MutexExists(mutex));
}

// A process that ends owning a mutex leaves it abandoned to a handle here, or, with no handle
// left, takes its name along: a new mutex of that name is free, not abandoned.
TEST(KernelProcesses, AProcessEndingWhileOwningLeavesItAbandonedOrItsNameGone) {
    for (bool holdHere : {true, false}) {
        SCOPED_TRACE(holdHere ? "a handle here" : "no handle here");
        std::string mutex = UniqueName(holdHere ? "held" : "free");
        std::string ready = UniqueName(holdHere ? "ready-held" : "ready-free");
        std::string go = UniqueName(holdHere ? "go-held" : "go-free");
        win::HANDLE goMarker = holdHere ? nullptr : RaiseMarker(go);
        int child = StartChild("kernel-hold-mutex", {mutex, "", ready, go});
        win::HANDLE h = nullptr;
        if (holdHere) {
            ASSERT_TRUE(WaitForMarker(ready));
            h = win::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex.c_str());
            goMarker = RaiseMarker(go);
        }
        EXPECT_EQ(WaitChild(child), 0);
        if (!holdHere) {
            h = win::CreateMutexA(nullptr, FALSE, mutex.c_str());
            EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
        }
        EXPECT_EQ(win::WaitForSingleObject(h, 0), holdHere ? WAIT_ABANDONED : WAIT_OBJECT_0);
        win::ReleaseMutex(h);
        win::CloseHandle(h);
        win::CloseHandle(goMarker);
    }
}

}  // namespace
}  // namespace halcyon::test
