// SPDX-License-Identifier: Apache-2.0
// Share modes of CreateFileA: threads racing for one file, the refusal to empty a file mapped in
// another process, and another user who may only read a file. (Which opens clash, within one
// process or with one another process holds, and a killed holder's claims: the conformance table
// Files.)
#include "Platform/KernelTestSupport.h"
#include "support/OtherUser.h"
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include <fcntl.h>
#endif

#include <cstdio>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

constexpr win::DWORD R = GENERIC_READ, W = GENERIC_WRITE;
constexpr win::DWORD SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;

win::HANDLE Open(const std::string& path, win::DWORD access, win::DWORD share,
                 win::DWORD disposition = OPEN_ALWAYS) {
    return win::CreateFileA(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
}

// Child: maps file args[0], closes the file's handle, raises marker args[1], idles.
int MapFile(const std::vector<std::string>& args) {
    win::HANDLE file = Open(args.at(0), R | W, SR | SW);
    win::HANDLE map = win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 4096, nullptr);
    if (map == nullptr || win::MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0) == nullptr) return 10;
    win::CloseHandle(file);
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kMapFile("share-map-file", MapFile);

// Threads opening one file to write it, denying writes: exactly one gets it, every round.
TEST(ShareModes, ThreadsRacingToWriteAloneOneWinsEachRound) {
    std::string path = WindowsPath(MakeScratchFolder("race")) + "\\log";
    for (int round = 0; round < 100; ++round) {
        win::HANDLE got[4];
        std::vector<std::thread> threads;
        for (auto& h : got) threads.emplace_back([&h, &path] { h = Open(path, W, SR); });
        for (auto& t : threads) t.join();
        int winners = 0;
        for (win::HANDLE h : got) winners += h != INVALID_HANDLE_VALUE && win::CloseHandle(h);
        ASSERT_EQ(winners, 1) << "round " << round;
    }
}

TEST(ShareModes, AFileMappedInAnotherProcessIsNotEmptied) {
    std::string path = WindowsPath(MakeScratchFolder("mapped")) + "\\file";
    std::string ready = UniqueName("ready");
    int child = StartChild("share-map-file", {path, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    for (win::DWORD disposition : {CREATE_ALWAYS, TRUNCATE_EXISTING})
        EXPECT_EQ(ErrorOf(Open(path, W, SR | SW | SD, disposition)), ERROR_USER_MAPPED_FILE);
    win::HANDLE h = Open(path, R, SR | SW, OPEN_EXISTING);
    win::HANDLE map = win::CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    EXPECT_NE(map, nullptr) << "an emptied file cannot be mapped whole";
    win::CloseHandle(map);
    win::CloseHandle(h);
    KillAndCollect(child);
    EXPECT_EQ(ErrorOf(Open(path, W, SR | SW, TRUNCATE_EXISTING)), ERROR_SUCCESS);
}

#if HALCYON_STAND_IN
// Child: as the other user, opens file args[0] for reading only and read-locks every byte where an
// open records its writing or deleting (the one-byte slots of old, the ranges of today), so as to
// pass for a writer; creates file args[1] when done, then idles. Exits 20 when it could take a
// write lock, which would be a writer's mark.
int PoseAsWriter(const std::vector<std::string>& args) {
    if (!BecomeOtherUser()) return 10;
    int fd = open(args.at(0).c_str(), O_RDONLY);
    auto lock = [fd](short type, off_t at, off_t length) {
        struct flock l = {};
        l.l_type = type;
        l.l_whence = SEEK_SET;
        l.l_start = 0x7FFFFFFFFFFF0000LL + at;
        l.l_len = length;
        return fcntl(fd, F_OFD_SETLK, &l);
    };
    if (fd < 0 || lock(F_RDLCK, 1, 2) != 0 || lock(F_RDLCK, 9, 2) != 0 ||
        lock(F_RDLCK, 0x1000, 0x4000) != 0)
        return 11;
    if (lock(F_WRLCK, 0x1000, 1) == 0) return 20;
    WriteFile(args.at(1), "");
    return IdleUntilKilled();
}
const ChildRole kPoseAsWriter("share-pose-as-writer", PoseAsWriter);

// Another user who may only read a file cannot claim writing or deleting it, so the owner's log
// writes (which deny other writers) still open. Denying is open to readers, as on Windows.
TEST(ShareModes, AReaderCannotPassForAWriter) {
    if (!CanBeOtherUser()) GTEST_SKIP() << "another user's process needs root to start";
    MeetingFolder meet(01777);
    ASSERT_FALSE(meet.path.empty());
    const std::string log = meet.path + "/Sorders_20260101.log", ready = meet.path + "/ready";
    WriteFile(log, "line\r\n");
    ASSERT_EQ(chmod(log.c_str(), 0644), 0);  // readable by everyone, as a log made elsewhere
    int child = StartChild("share-pose-as-writer", {log, ready});
    ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); }));
    std::FILE* day = win::_fsopen(WindowsPath(log).c_str(), "ab", _SH_DENYWR);
    EXPECT_NE(day, nullptr) << "the reader passed for a writer";
    if (day != nullptr) std::fclose(day);
    EXPECT_EQ(ErrorOf(Open(WindowsPath(log), R | W, SR)), ERROR_SUCCESS);
    KillAndCollect(child);
}
#endif

}  // namespace
}  // namespace halcyon::test
