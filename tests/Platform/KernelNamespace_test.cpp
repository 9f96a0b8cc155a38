// SPDX-License-Identifier: Apache-2.0
// The namespace folder on Linux: listing (also through `halcyon objects`) and collection after
// crashes, stale and damaged names; and the namespace under failure: system calls that fail while a
// delete-on-close file is recorded or a mapping grows its file, processes killed in the middle of
// making a shared block, and a large mapping's reservation that must not keep other processes
// waiting.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"

#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/SharedMemory.h>
#include <Platform/Host.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace halcyon::test {
namespace {

using win::posix::RealSysCalls;
using win::posix::Sys;
using win::posix::SysCalls;

// Objects in the namespace folder and files in use, without the note of the PID namespace that
// the folder gains with its first object.
std::size_t FolderEntryCount() {
    std::vector<std::string> names = FolderEntries(win::posix::KernelDirectory());
    return names.size() - std::count(names.begin(), names.end(), ".pidns");
}

const win::posix::KernelObjectInfo* Find(const std::vector<win::posix::KernelObjectInfo>& list,
                                         const std::string& name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& i) { return i.name == name; });
    return it == list.end() ? nullptr : &*it;
}

// Child: creates a mutex (owned), a paging-file mapping and a delete-on-close file mapping over
// args[2], all named from args[0], raises marker args[1] and idles until killed.
int CreateObjectsAndIdle(const std::vector<std::string>& args) {
    std::string base = args.at(0);
    win::CreateMutexA(nullptr, TRUE, (base + ".m").c_str());
    win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100,
                            (base + ".s").c_str());
    win::HANDLE file = win::CreateFileA(args.at(2).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    win::HANDLE map =
        win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 100, (base + ".f").c_str());
    if (map == nullptr || win::MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0) == nullptr) return 10;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kCreateObjects("kernel-create-objects", CreateObjectsAndIdle);

// The listing, through the library and as `halcyon objects` shows it, of what a process holds
// while it lives and after it was killed; the collection removes it all.
TEST(KernelNamespace, ListingAndCollectionOfWhatAKilledProcessLeaves) {
    std::string base = UniqueName("o");
    std::string ready = UniqueName("ready");
    MakeScratchFolder("TEMP");
    std::string file = RootWindowsPath() + "\\scratch\\TEMP\\backing.tmp";
    std::size_t before = FolderEntryCount();
    int child = StartChild("kernel-create-objects", {base, ready, file});
    ASSERT_TRUE(WaitForMarker(ready));
    win::HANDLE m2 = win::OpenMutexA(SYNCHRONIZE, FALSE, (base + ".m").c_str());
    std::vector<win::posix::KernelObjectInfo> list;
    ASSERT_TRUE(win::posix::ListKernelObjects(list));
    const auto* mi = Find(list, base + ".m");
    const auto* si = Find(list, base + ".s");
    ASSERT_TRUE(mi != nullptr && si != nullptr && Find(list, base + ".f") != nullptr);
    EXPECT_EQ(mi->holders, 2) << "two processes";
    EXPECT_EQ(mi->ownerPid, child);
    EXPECT_EQ(si->size, 100U);
    EXPECT_EQ(si->backing, "paging file");
    EXPECT_EQ(Find(list, base + ".f")->backing, HostPath(file.c_str()));
    std::string out;
    ASSERT_EQ(RunCommand(ToolCommand("objects"), out), 0) << out;
    EXPECT_NE(out.find(base + ".m"), std::string::npos) << out;
    EXPECT_NE(out.find(" " + std::to_string(child) + "/"), std::string::npos) << "the owner";
    win::CloseHandle(m2);
    KillChild(child);

    ASSERT_TRUE(win::posix::ListKernelObjects(list));
    ASSERT_NE(Find(list, base + ".m"), nullptr);
    EXPECT_TRUE(Find(list, base + ".m")->stale);
    EXPECT_EQ(Find(list, base + ".m")->holders, 0);
    EXPECT_TRUE(FileExists(HostPath(file.c_str())));
    // Three objects and the backing file with its record (the marker died with the child too).
    EXPECT_EQ(win::posix::CollectKernelObjects(), 6);
    EXPECT_EQ(FolderEntryCount(), before);
    EXPECT_FALSE(FileExists(HostPath(file.c_str())));
}

TEST(KernelNamespace, AStaleNameCountsAsAbsentAndADamagedLiveOneIsRefused) {
    std::string name = UniqueName("m");
    std::string path = win::posix::KernelDirectory() + "/" + name;
    // No holder: what a process that died while creating it leaves.
    win::HANDLE first = win::CreateMutexA(nullptr, FALSE, UniqueName("folder").c_str());
    WriteFile(path, "half made");
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(path));
    // With a holder that is no object of ours, the name is refused but left alone.
    WriteFile(path, std::string(8192, 'x'));
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(fd, LOCK_SH), 0);
    EXPECT_EQ(ErrorOf(win::CreateMutexA(nullptr, FALSE, name.c_str())), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FileExists(path));
    close(fd);
    unlink(path.c_str());
    win::CloseHandle(first);
}

bool IsRecordName(const char* path) { return std::strstr(path, ".doc") != nullptr; }

win::HANDLE OpenDeleteOnClose(const std::string& path, win::DWORD disposition) {
    return win::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                            FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// A second delete-on-close open fails when its record cannot be written, without a hang, and the
// first handle still removes the file when closed.
TEST(KernelFailures, AFailedRecordNeitherHangsNorSpoilsTheRecordBefore) {
    for (const char* call : {"write", "open", "rename"}) {
        SCOPED_TRACE(call);
        std::string path = MakeScratchFolder(std::string("record-") + call) + "/file.tmp";
        win::HANDLE first = OpenDeleteOnClose(path, CREATE_ALWAYS);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        {
            SysCallsGuard guard;
            if (call[0] == 'w') {
                Sys().write = [](int, const void*, size_t) -> ssize_t {
                    return errno = ENOSPC, -1;
                };
            } else if (call[0] == 'o') {
                Sys().openat = [](int d, const char* p, int f, mode_t m) {
                    return IsRecordName(p) ? (errno = EMFILE, -1)
                                           : RealSysCalls().openat(d, p, f, m);
                };
            } else {
                Sys().renameat = [](int, const char*, int, const char*) {
                    return errno = ENOSPC, -1;
                };
            }
            EXPECT_EQ(OpenDeleteOnClose(path, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        }
        win::CloseHandle(first);
        EXPECT_FALSE(FileExists(path));
    }
}

TEST(KernelFailures, GrowingAFileOnAFullDiskFailsTheMapping) {
    constexpr off_t kSize = 1 << 20;
    static int s_errno;
    for (int error : {ENOSPC, EOPNOTSUPP}) {
        std::string path = MakeScratchFolder("grow") + "/file";
        win::HANDLE file = win::CreateFileA(WindowsPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                            0, nullptr, CREATE_ALWAYS, 0, nullptr);
        s_errno = error;
        win::HANDLE map;
        {
            SysCallsGuard guard;
            Sys().fallocate = [](int fd, int mode, off_t at, off_t length) {
                return length == kSize ? (errno = s_errno, -1)
                                       : RealSysCalls().fallocate(fd, mode, at, length);
            };
            map = win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, kSize, nullptr);
        }
        // Where the file system cannot reserve, the file is only sized.
        bool full = error == ENOSPC;
        EXPECT_EQ(ErrorOf(map), full ? ERROR_DISK_FULL : ERROR_SUCCESS) << std::strerror(error);
        EXPECT_EQ(ReadFile(path).size(), full ? 0U : std::size_t{kSize}) << std::strerror(error);
        win::CloseHandle(file);
    }
}

// Counts the system calls of the stand-in and kills the process at call `call`.
int s_countdown = 0;

template <auto Call>
struct Counted;
template <typename R, typename... A, R (*SysCalls::*Call)(A...)>
struct Counted<Call> {
    static R Run(A... args) {
        if (--s_countdown == 0) raise(SIGKILL);
        return (RealSysCalls().*Call)(args...);
    }
};

void KillAtCall(int call) {
    s_countdown = call;
    Sys().open = Counted<&SysCalls::open>::Run;
    Sys().openat = Counted<&SysCalls::openat>::Run;
    Sys().write = Counted<&SysCalls::write>::Run;
    Sys().flock = Counted<&SysCalls::flock>::Run;
    Sys().fstat = Counted<&SysCalls::fstat>::Run;
    Sys().renameat = Counted<&SysCalls::renameat>::Run;
    Sys().linkat = Counted<&SysCalls::linkat>::Run;
}

// Child: makes the registry of blocks, then a block in forked processes, each killed at one call
// more, and collects after each. Exit 0 when nothing was ever left in the TEMP folder, 1 when
// something was (the call on standard error), 2 when no process got through.
int KillWhileMakingBlocks(const std::vector<std::string>&) {
    std::string temp = HostPath(s_PathGetTempPath(0));
    MakeFolder(temp);
    s_MapFile_Initialize(true);  // the registry of blocks, which the forked processes share
    const std::vector<std::string> registry = FolderEntries(temp);
    for (int call = 1; call < 2000; ++call) {
        pid_t pid = fork();
        if (pid == 0) {
            KillAtCall(call);
            MEM_MAPFILE map{};
            _exit(s_MapFile_CreateMapFile(&map, "killed-block", 4096) ? 0 : 10);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid) return 3;
        win::posix::CollectKernelObjects();
        std::vector<std::string> left = FolderEntries(temp);
        if (left != registry) {
            std::fprintf(stderr, "killed at call %d: %s left\n", call, left.back().c_str());
            return 1;
        }
        if (WIFEXITED(status)) return call > 20 && WEXITSTATUS(status) == 0 ? 0 : 4;
    }
    return 2;
}
const ChildRole kKillWhileMakingBlocks("kernel-kill-making-blocks", KillWhileMakingBlocks);

TEST(KernelFailures, AProcessKilledAtAnyCallLeavesNoTemporaryFile) {
    EXPECT_EQ(WaitChild(StartChild("kernel-kill-making-blocks")), 0);
}

// Child: creates a mutex (exit 0 once made).
int CreateMutexAndExit(const std::vector<std::string>&) {
    return win::CreateMutexA(nullptr, FALSE, "large-mapping.other") != nullptr ? 0 : 1;
}
const ChildRole kCreateMutex("kernel-create-mutex", CreateMutexAndExit);

TEST(KernelFailures, ALargeMappingIsReservedWithoutHoldingTheFolder) {
    constexpr off_t kLarge = 64 << 20;
    static int s_otherExit;
    s_otherExit = -2;
    win::HANDLE map;
    {
        SysCallsGuard guard;
        // While the pages are reserved, another process creates a mutex; the file is only sized.
        Sys().fallocate = [](int fd, int mode, off_t at, off_t length) {
            if (length < kLarge) return RealSysCalls().fallocate(fd, mode, at, length);
            s_otherExit = WaitChild(StartChild("kernel-create-mutex"));
            return RealSysCalls().ftruncate(fd, length);
        };
        map = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kLarge,
                                      UniqueName("s").c_str());
    }
    EXPECT_NE(map, nullptr);
    EXPECT_EQ(s_otherExit, 0);  // a hang here: the other process waits for the reservation
    win::CloseHandle(map);
}

}  // namespace
}  // namespace halcyon::test

#else
#include <gtest/gtest.h>

TEST(KernelNamespace, IsTheLinuxStandIns) {
    GTEST_SKIP() << "the namespace folder (HALCYON_KERNEL_DIR) is the Linux stand-in's";
}
#endif
