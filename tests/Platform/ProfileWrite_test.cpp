// SPDX-License-Identifier: Apache-2.0
// Writing INI files: the bytes each write leaves (beyond the conformance table Profiles), failures
// mid-write, and a writer in another process racing this one's writes and killed mid-write.
//
// Windows edits only the lines a write concerns; Wine rewrites the whole file from what it parsed,
// so these check the stand-in (writes whose file is already in Wine's form, CR LF and no blank
// lines or padding: the conformance table Profiles).
#include "Platform/KernelTestSupport.h"
#include "support/OtherUser.h"
#if HALCYON_STAND_IN

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;

// A write on a file holding `before`, and the whole file after it.
struct WriteCase {
    const char* before;  // null: no file
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileWrite, WritesEditOnlyTheLinesTheyConcern) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << "Wine rewrites the whole file";
    const std::string odd = "\xEF\xBB\xBF; odd\r\n\r\n  [ S ]  junk\n\tA = 1 \r\n\x01\x02\r";
    const WriteCase cases[] = {
        {nullptr, " S ", "\tK ", "v", "[S]\r\nK=v\r\n"},  // names written trimmed
        // A new key follows the section's last entry or text line, before blanks and comments.
        {"; top\r\n\r\n[S]\r\n  a = 1 \r\n\r\n; about T\r\n[T]\r\n", "s", "b", "2",
         "; top\r\n\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n; about T\r\n[T]\r\n"},
        {"[S]\r\ntext line\r\n;c\r\n", "S", "K", "v", "[S]\r\ntext line\r\nK=v\r\n;c\r\n"},
        // Added lines take the file's own line end; a last line without one gets one.
        {"[S]\ra=1\r", "S", "b", "2", "[S]\ra=1\rb=2\r"},
        {"[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        // Replaced in place: the key's spelling and layout up to '=' stay, and every other byte.
        {odd.c_str(), "s", "a", "2",
         "\xEF\xBB\xBF; odd\r\n\r\n  [ S ]  junk\n\tA =2\r\n\x01\x02\r"},
        // Deleting a section removes its header and every line up to the next header.
        {"[A]\r\n[B]\r\nb=2\r\n\r\n;c\r\n[C]\r\n", "b", nullptr, "ignored", "[A]\r\n[C]\r\n"},
    };
    std::string host = MakeScratchFolder("write-edit") + "/test.ini", ini = WindowsPath(host);
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::remove(host.c_str());
        if (c.before != nullptr) WriteFile(host, c.before);
        EXPECT_TRUE(win::WritePrivateProfileStringA(c.section, c.key, c.value, ini.c_str()));
        EXPECT_EQ(ReadFile(host), c.after);
        EXPECT_FALSE(FileExists(host + ".halcyon-new"));
    }
}

#if HALCYON_STAND_IN
// Child: as another user, writes key K of section S of file args[0]; exits with the error.
int WriteAsOtherUser(const std::vector<std::string>& args) {
    if (!BecomeOtherUser()) return 100;
    if (win::WritePrivateProfileStringA("S", "K", "2", args.at(0).c_str())) return 0;
    return static_cast<int>(win::GetLastError());
}
const ChildRole kWriteAsOtherUser("ini-write-as-other", WriteAsOtherUser);
#endif

// A file its writer may not write is refused (ERROR_ACCESS_DENIED), also when the value is the
// one it holds, and stays the same file with the same bytes: a read-only file (for root too), and
// another user's file in a folder open to everybody.
TEST(ProfileWrite, AFileTheWriterMayNotWriteIsRefusedAndKept) {
#if HALCYON_STAND_IN
    MeetingFolder meet(0777);
    ASSERT_FALSE(meet.path.empty());
    const struct {
        const char* name;
        mode_t mode;
        const char* value;
        bool otherUser;
    } cases[] = {{"ro.ini", 0444, "2", false},
                 {"same.ini", 0444, "1", false},
                 {"others.ini", 0644, "2", true}};
    for (const auto& c : cases) {
        if (c.otherUser && !CanBeOtherUser()) continue;
        const std::string host = meet.path + "/" + c.name, file = WindowsPath(host);
        WriteFile(host, "[S]\r\nK=1\r\n");
        ASSERT_EQ(chmod(host.c_str(), c.mode), 0);
        struct stat before, after;
        ASSERT_EQ(stat(host.c_str(), &before), 0);
        win::DWORD error = 0;
        if (c.otherUser) {
            error = static_cast<win::DWORD>(WaitChild(StartChild("ini-write-as-other", {file})));
        } else if (!win::WritePrivateProfileStringA("S", "K", c.value, file.c_str())) {
            error = win::GetLastError();
        }
        EXPECT_EQ(error, ERROR_ACCESS_DENIED) << c.name;
        EXPECT_EQ(ReadFile(host), "[S]\r\nK=1\r\n") << c.name;
        ASSERT_EQ(stat(host.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
    }
#else
    GTEST_SKIP() << "file modes and other users of the Linux stand-in";
#endif
}

// The rest checks how the stand-in keeps files whole: its own files, links, permissions and
// failures injected through its system-call table.

TEST(ProfileWrite, PermissionsLinksAndALeftoverFromACrashedWriter) {
#if HALCYON_STAND_IN
    std::string folder = MakeScratchFolder("write-mode");
    std::string host = folder + "/secret.ini";
    WriteFile(host, "[S]\r\nK=1\r\n");
    WriteFile(host + ".halcyon-new", "half a fi");
    ASSERT_EQ(chmod(host.c_str(), 0604), 0);
    ASSERT_EQ(symlink("secret.ini", (folder + "/link.ini").c_str()), 0);
    std::string link = WindowsPath(folder + "/link.ini");
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", link.c_str()));
    struct stat st;
    ASSERT_EQ(lstat((folder + "/link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadFile(host), "[S]\r\nK=2\r\n");
    EXPECT_FALSE(FileExists(host + ".halcyon-new"));
    // A write that changes nothing leaves the file itself alone, not a copy of it in its place
    // (held open meanwhile, so that a copy cannot get its inode number).
    int held = open(host.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "Absent", nullptr, link.c_str()));
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", link.c_str()));
    struct stat after;
    ASSERT_EQ(stat(host.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, st.st_ino);
    close(held);
#else
    GTEST_SKIP() << "the stand-in's own way of keeping files whole";
#endif
}

#if HALCYON_STAND_IN
using win::posix::RealSysCalls;

ssize_t HalfWrite(int fd, const void* buf, size_t count) {
    // Half of the bytes go through, then the disk is full.
    static bool half = false;
    half = !half;
    if (!half) return errno = ENOSPC, -1;
    return RealSysCalls().write(fd, buf, count / 2 + 1);
}
int Full() { return errno = ENOSPC, -1; }
#endif

TEST(ProfileWrite, AFailedWriteLeavesTheOldFileWhole) {
#if HALCYON_STAND_IN
    std::string host = MakeScratchFolder("write-fail") + "/x.ini";
    std::string ini = WindowsPath(host);
    const std::string before = "; keep me\r\n[S]\r\nK=1\r\n\r\n";
    using win::posix::SysCalls;
    // Each failure injected, and whether a read meanwhile fails too (and finds the default).
    const std::pair<void (*)(SysCalls&), bool> cases[] = {
        {[](SysCalls& s) { s.write = HalfWrite; }, false},
        {[](SysCalls& s) { s.fsync = [](int) { return Full(); }; }, false},
        {[](SysCalls& s) { s.close = [](int fd) { return RealSysCalls().close(fd), Full(); }; },
         false},
        {[](SysCalls& s) { s.rename = [](const char*, const char*) { return Full(); }; }, false},
        {[](SysCalls& s) {
             s.open = [](const char* p, int f, mode_t m) {  // only the new file's
                 return std::strstr(p, ".halcyon-new") ? Full() : RealSysCalls().open(p, f, m);
             };
         },
         false},
        {[](SysCalls& s) { s.read = [](int, void*, size_t) -> ssize_t { return Full(); }; }, true},
    };
    int row = 0;
    for (const auto& [inject, readsFail] : cases) {
        SCOPED_TRACE(row++);
        WriteFile(host, before);
        {
            SysCallsGuard restore;
            inject(win::posix::Sys());
            win::SetLastError(0);
            EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "a much longer value", ini.c_str()),
                      FALSE);
            EXPECT_EQ(win::GetLastError(), ERROR_DISK_FULL);
            char buf[8];
            win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, ini.c_str());
            EXPECT_STREQ(buf, readsFail ? "d" : "1");
        }
        EXPECT_EQ(ReadFile(host), before);
        EXPECT_FALSE(FileExists(host + ".halcyon-new"));
    }
    // Reads that return three bytes at a time still read the whole file.
    SysCallsGuard restore;
    win::posix::Sys().read = [](int fd, void* buf, size_t count) {
        return RealSysCalls().read(fd, buf, count < 3 ? count : 3);
    };
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(ReadFile(host), "; keep me\r\n[S]\r\nK=2\r\n\r\n");
#else
    GTEST_SKIP() << "the stand-in's own way of keeping files whole";
#endif
}

// Child: rewrites a large file's counter for ever (until it is killed).
int EndlessWriterRole(const std::vector<std::string>& args) {
    for (long i = 0;; ++i) {
        std::string value = std::to_string(i);
        win::WritePrivateProfileStringA("S", "Counter", value.c_str(), args.at(0).c_str());
    }
}
const ChildRole kEndless("profile-endless-writer", EndlessWriterRole);

// A writer in another process, killed at random moments: a reader meanwhile and afterwards sees the
// old file or the new one, never a part, and no write of this process that raced it is lost.
TEST(ProfileConcurrency, AWriterKilledMidWriteLeavesAWholeFileAndLosesNoUpdate) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << "atomic, serialised writes are the stand-in's promise";
    std::string host = MakeScratchFolder("ini-killed") + "/big.ini";
    std::string ini = WindowsPath(host);
    std::string filler(256 * 1024, 'f');  // long enough that kills land inside writes
    WriteFile(host, "[Fixed]\r\nSentinel=present\r\n[Pad]\r\nFiller=" + filler + "\r\n");
    std::mt19937 random(12345);
    const int kRounds = 12, kRacingWrites = 4;
    char buf[16];
    for (int round = 0; round < kRounds; ++round) {
        int pid = StartChild("profile-endless-writer", {ini});
        for (int read = 0; read < 2; ++read) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 20));
            win::GetPrivateProfileStringA("Fixed", "Sentinel", "gone", buf, sizeof buf,
                                          ini.c_str());
            EXPECT_STREQ(buf, "present") << round;
            for (int i = 0; read == 0 && i < kRacingWrites; ++i) {
                std::string key = std::to_string(round * kRacingWrites + i);
                EXPECT_TRUE(
                    win::WritePrivateProfileStringA("Mine", key.c_str(), key.c_str(), ini.c_str()));
            }
            if (read == 0) KillChild(pid);
        }
    }
    // The dead writers hold no lock: a write still goes through, and it keeps the file whole.
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "Counter", "done", ini.c_str()));
    for (int n = 0; n < kRounds * kRacingWrites; ++n) {
        std::string key = std::to_string(n);
        EXPECT_EQ(win::GetPrivateProfileIntA("Mine", key.c_str(), -1, ini.c_str()), unsigned(n));
    }
    std::vector<char> big(filler.size() + 8);
    EXPECT_EQ(win::GetPrivateProfileStringA("Pad", "Filler", "", big.data(),
                                            static_cast<win::DWORD>(big.size()), ini.c_str()),
              filler.size());
}

#if HALCYON_STAND_IN
// Child: holds what writers of an INI folder might wait for, then creates file args[2] and idles:
// args[0] "folder": as the other user, an exclusive flock of folder args[1] (the writers' lock of
// old); "lockfile": an exclusive lock of the user's own lock file args[1], as a writer stopped in
// the middle of a write would.
int HoldWriters(const std::vector<std::string>& args) {
    bool folder = args.at(0) == "folder";
    if (folder && !BecomeOtherUser()) return 10;
    int fd = open(args.at(1).c_str(), folder ? O_RDONLY | O_DIRECTORY : O_RDWR);
    struct flock byte0 = {};
    byte0.l_type = F_WRLCK;
    byte0.l_len = 1;
    if (fd < 0 || (folder ? flock(fd, LOCK_EX) : fcntl(fd, F_OFD_SETLK, &byte0)) != 0) return 11;
    WriteFile(args.at(2), "");
    return IdleUntilKilled();
}
const ChildRole kHoldWriters("ini-hold-writers", HoldWriters);

// A write waits for nothing another user holds and opens no pipe put where its new text goes; a
// writer of the user's own that never lets go fails the write after a while, never hangs it.
TEST(ProfileWrite, AWriterWaitsForNoOtherUserAndNoPipeAndNotForEver) {
    if (!CanBeOtherUser()) GTEST_SKIP() << "another user's process needs root to start";
    MeetingFolder meet(01777);
    ASSERT_FALSE(meet.path.empty());
    const std::string dir = meet.path + "/SYS", ready = meet.path + "/ready";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string ini = dir + "/System.ini", lockFile = dir + "/.halcyon-ini.0.lock";
    const struct {
        const char* hold;  // "fifo", or a HoldWriters child's kind
        bool written;
        win::DWORD error;
    } cases[] = {
        {"fifo", true, 0}, {"folder", true, 0}, {"lockfile", false, ERROR_SHARING_VIOLATION}};
    for (const auto& c : cases) {
        std::string hold = c.hold;
        int child = -1;
        if (hold == "fifo") {
            ASSERT_EQ(mkfifo((ini + ".halcyon-new").c_str(), 0600), 0);
        } else {
            std::remove(ready.c_str());
            if (hold == "lockfile") {
                ASSERT_TRUE(FileExists(lockFile)) << "made by the writes before";
            }
            child =
                StartChild("ini-hold-writers", {hold, hold == "folder" ? dir : lockFile, ready});
            ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); })) << hold;
        }
        bool written = false;
        win::DWORD error = 0;
        auto write = std::async(std::launch::async, [&] {
            written = win::WritePrivateProfileStringA("S", "K", hold.c_str(),
                                                      WindowsPath(ini).c_str()) != FALSE;
            error = win::GetLastError();
        });
        // After 30 seconds a watchdog frees what holds the write up.
        bool unaided = write.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!unaided && child > 0) kill(child, SIGKILL);
        int reader = unaided ? -1 : open((ini + ".halcyon-new").c_str(), O_RDONLY | O_NONBLOCK);
        write.wait();
        EXPECT_TRUE(unaided) << hold;
        if (reader >= 0) close(reader);  // kept open until the write ended: no SIGPIPE
        EXPECT_EQ(written, c.written) << hold;
        if (!c.written) {
            EXPECT_EQ(error, c.error) << hold;
        }
        if (child > 0) KillChild(child);
    }
}
#endif

}  // namespace
