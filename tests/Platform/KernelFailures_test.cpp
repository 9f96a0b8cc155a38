// The namespace under failure: system calls that fail while a delete-on-close file is recorded or
// a mapping grows its file, processes killed in the middle of making a shared block, and a large
// mapping's reservation that must not keep other processes waiting.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"

#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/SharedMemory.h>
#include <Platform/Host.h>

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

// The exit status of child `pid` once it ends within `limitMs`; -1 (the child killed) otherwise.
int WaitChildWithin(int pid, int limitMs) {
    int status = 0;
    bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limitMs);
    if (!ended) {
        KillChild(pid);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
                Sys().open = [](const char* p, int f, mode_t m) {
                    return IsRecordName(p) ? (errno = EMFILE, -1) : RealSysCalls().open(p, f, m);
                };
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

// Child: creates mutex args[0] (exit 0 once made).
int CreateMutexAndExit(const std::vector<std::string>& args) {
    win::HANDLE h = win::CreateMutexA(nullptr, FALSE, args.at(0).c_str());
    return h == nullptr ? static_cast<int>(win::GetLastError() & 0x7F) : 0;
}
const ChildRole kCreateMutex("kernel-create-mutex", CreateMutexAndExit);

TEST(KernelFailures, ALargeMappingIsReservedWithoutHoldingTheFolder) {
    constexpr off_t kLarge = 64 << 20;
    static std::string s_mutex;
    static int s_otherExit;
    s_mutex = UniqueName("m");
    s_otherExit = -2;
    win::HANDLE map;
    {
        SysCallsGuard guard;
        // While the pages are reserved, another process creates a mutex; the file is only sized.
        Sys().fallocate = [](int fd, int mode, off_t at, off_t length) {
            if (length < kLarge) return RealSysCalls().fallocate(fd, mode, at, length);
            s_otherExit = WaitChildWithin(StartChild("kernel-create-mutex", {s_mutex}), 10000);
            return RealSysCalls().ftruncate(fd, length);
        };
        map = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kLarge,
                                      UniqueName("s").c_str());
    }
    EXPECT_NE(map, nullptr);
    EXPECT_EQ(s_otherExit, 0) << "-1: the other process waited for the reservation";
    win::CloseHandle(map);
}

}  // namespace
}  // namespace halcyon::test

#else
#include <gtest/gtest.h>

TEST(KernelFailures, LinuxStandInOnly) { GTEST_SKIP() << "failure injection is the stand-in's"; }

#endif
