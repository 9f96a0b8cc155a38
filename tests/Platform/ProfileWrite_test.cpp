// Writing INI files: the bytes each write leaves, error codes, failures mid-write, and concurrent
// writers of one file, in threads and in processes, and writers killed mid-write.
//
// Windows edits only the lines a write concerns; Wine rewrites the whole file from what it parsed.
// Cases whose file is already in that form (CR LF, no blank lines, no padding) run everywhere;
// the others, and the failure handling, check the stand-in (kStandIn), or meet a known difference
// of Wine (kNotWine).
#include "Platform/KernelTestSupport.h"
#include "Platform/ProfileTestSupport.h"
#if HALCYON_STAND_IN

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;

const char kMissing[] = "<no file>";

struct WriteCase {
    std::string before;  // kMissing: no file
    const char* section;
    const char* key;
    const char* value;
    std::string after;
    Where where = Where::kStandIn;
};

// Runs each write on a file holding `before` and compares the whole file with `after`.
void CheckWrites(const char* folder, const WriteCase* cases, size_t count) {
    std::string host = MakeScratchFolder(folder) + "/test.ini";
    std::string ini = WindowsPath(host);
    for (size_t i = 0; i < count; ++i) {
        const WriteCase& c = cases[i];
        if (!Runs(c.where)) continue;
        std::remove(host.c_str());
        if (c.before != kMissing) WriteFile(host, c.before);
        EXPECT_EQ(win::WritePrivateProfileStringA(c.section, c.key, c.value, ini.c_str()), TRUE)
            << "case " << i;
        EXPECT_EQ(ReadFile(host), c.after) << "case " << i;
        EXPECT_FALSE(FileExists(host + ".halcyon-new")) << "case " << i;
    }
}

TEST(ProfileWrite, WritesEditOnlyTheLinesTheyConcern) {
    const std::string odd = "\xEF\xBB\xBF; odd\r\n\r\n  [ S ]  junk\n\tA = 1 \r\n\x01\x02\r";
    const WriteCase cases[] = {
        {kMissing, "A", "k", "v", "[A]\r\nk=v\r\n", Where::kAll},
        {"[A]\r\nk=v\r\n", "B", "k", "w", "[A]\r\nk=v\r\n[B]\r\nk=w\r\n", Where::kAll},
        {kMissing, " S ", "\tK ", "v", "[S]\r\nK=v\r\n"},  // names written trimmed
        // A new key follows the section's last entry or text line, before blanks and comments.
        {"; top\r\n\r\n[S]\r\n  a = 1 \r\n\r\n; about T\r\n[T]\r\n", "s", "b", "2",
         "; top\r\n\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n; about T\r\n[T]\r\n"},
        {"[S]\r\ntext line\r\n;c\r\n", "S", "K", "v", "[S]\r\ntext line\r\nK=v\r\n;c\r\n"},
        // The first of two sections of one name is the one edited; keys before the first header
        // belong to no section.
        {"[S]\r\n[S]\r\nL=2\r\n", "S", "L", "3", "[S]\r\nL=3\r\n[S]\r\nL=2\r\n", Where::kAll},
        {"K=1\r\n[S]\r\n", "S", "K", "2", "K=1\r\n[S]\r\nK=2\r\n", Where::kAll},
        // Added lines take the file's own line end; a last line without one gets one.
        {"[S]\ra=1\r", "S", "b", "2", "[S]\ra=1\rb=2\r"},
        {"[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"[S]\na=1", "T", "x", "1", "[S]\na=1\n[T]\nx=1\n"},
        // Replaced in place: the key's spelling and layout up to '=' stay, and every other byte.
        {"[S]\r\nK=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nK=3\r\nk=2\r\n", Where::kAll},
        {odd, "s", "a", "2", "\xEF\xBB\xBF; odd\r\n\r\n  [ S ]  junk\n\tA =2\r\n\x01\x02\r"},
        // Deleting a key removes its first line; deleting a section removes its header and every
        // line up to the next header.
        {"[S]\r\nA=1\r\nB=2\r\n", "S", "a", nullptr, "[S]\r\nB=2\r\n", Where::kAll},
        {"[S]\r\nA=1\r\nB=2", "S", "B", nullptr, "[S]\r\nA=1\r\n", Where::kAll},
        {"[S]\r\nK=1\r\nK=2\r\n", "S", "K", nullptr, "[S]\r\nK=2\r\n", Where::kAll},
        {"[A]\r\n[B]\r\nb=2\r\n\r\n;c\r\n[C]\r\n", "b", nullptr, "ignored", "[A]\r\n[C]\r\n"},
        {"[A]\r\n[A]\r\nx=1\r\n", "A", nullptr, nullptr, "[A]\r\nx=1\r\n", Where::kAll},
        // Deleting in a missing file creates it empty, as Windows does.
        {kMissing, "S", "K", nullptr, "", Where::kNotWine},
    };
    CheckWrites("write-edit", cases, std::size(cases));
}

TEST(ProfileWrite, RefusedWritesReportWindowsErrors) {
    std::string folder = MakeScratchFolder("write-errors");
    std::string w = WindowsPath(folder);
    ASSERT_TRUE(MakeFolder(folder + "/dir.ini"));
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        std::string file;
        win::DWORD error;
        Where where = Where::kAll;
    } cases[] = {
        {nullptr, "K", "V", w + "\\a.ini", ERROR_FILE_NOT_FOUND},
        {"S", "K", "V", w + "\\Missing\\a.ini", ERROR_PATH_NOT_FOUND},
        {"S", "K", "V", "", ERROR_ACCESS_DENIED},
        {"S", "K", "V", w + "\\dir.ini", ERROR_ACCESS_DENIED, Where::kStandIn},
        {"S", "K", "V", w + "\\bad|name.ini", ERROR_INVALID_NAME, Where::kStandIn},
    };
    for (const Case& c : cases) {
        if (!Runs(c.where)) continue;
        win::SetLastError(0);
        EXPECT_EQ(win::WritePrivateProfileStringA(c.section, c.key, c.value, c.file.c_str()), FALSE)
            << c.file;
        EXPECT_EQ(win::GetLastError(), c.error) << c.file;
    }
    EXPECT_FALSE(FileExists(folder + "/a.ini"));
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
int g_failErrno = 0;
ssize_t FailingWrite(int, const void*, size_t) { return errno = g_failErrno, -1; }
ssize_t HalfWrite(int fd, const void* buf, size_t count) {
    // Half of the bytes go through, then the disk is full.
    static bool half = false;
    half = !half;
    if (!half) return errno = ENOSPC, -1;
    return win::posix::RealSysCalls().write(fd, buf, count / 2 + 1);
}
int FailingFsync(int) { return errno = g_failErrno, -1; }
int FailingRename(const char*, const char*) { return errno = g_failErrno, -1; }
int FailingOpen(const char* path, int flags, mode_t mode) {
    if (std::strstr(path, ".halcyon-new") != nullptr) return errno = g_failErrno, -1;
    return win::posix::RealSysCalls().open(path, flags, mode);
}
ssize_t FailingRead(int, void*, size_t) { return errno = g_failErrno, -1; }
int FailingClose(int fd) {
    win::posix::RealSysCalls().close(fd);
    return errno = g_failErrno, -1;
}
#endif

TEST(ProfileWrite, AFailedWriteLeavesTheOldFileWhole) {
#if HALCYON_STAND_IN
    std::string host = MakeScratchFolder("write-fail") + "/x.ini";
    std::string ini = WindowsPath(host);
    const std::string before = "; keep me\r\n[S]\r\nK=1\r\n\r\n";
    using win::posix::SysCalls;
    struct Case {
        void (*inject)(SysCalls&);
        int err;
        win::DWORD error;
        bool readsFail = false;  // a read meanwhile finds the default
    } cases[] = {
        {[](SysCalls& s) { s.write = FailingWrite; }, ENOSPC, ERROR_DISK_FULL},
        {[](SysCalls& s) { s.write = HalfWrite; }, ENOSPC, ERROR_DISK_FULL},
        {[](SysCalls& s) { s.fsync = FailingFsync; }, ENOSPC, ERROR_DISK_FULL},
        {[](SysCalls& s) { s.close = FailingClose; }, ENOSPC, ERROR_DISK_FULL},
        {[](SysCalls& s) { s.rename = FailingRename; }, EACCES, ERROR_ACCESS_DENIED},
        {[](SysCalls& s) { s.open = FailingOpen; }, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {[](SysCalls& s) { s.read = FailingRead; }, EACCES, ERROR_ACCESS_DENIED, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        WriteFile(host, before);
        {
            SysCallsGuard restore;
            g_failErrno = c.err;
            c.inject(win::posix::Sys());
            win::SetLastError(0);
            EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "a much longer value", ini.c_str()),
                      FALSE);
            EXPECT_EQ(win::GetLastError(), c.error);
            char buf[8];
            win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, ini.c_str());
            EXPECT_STREQ(buf, c.readsFail ? "d" : "1");
        }
        EXPECT_EQ(ReadFile(host), before);
        EXPECT_FALSE(FileExists(host + ".halcyon-new"));
    }
    // Reads that return three bytes at a time still read the whole file.
    SysCallsGuard restore;
    win::posix::Sys().read = [](int fd, void* buf, size_t count) {
        return win::posix::RealSysCalls().read(fd, buf, count < 3 ? count : 3);
    };
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(ReadFile(host), "; keep me\r\n[S]\r\nK=2\r\n\r\n");
#else
    GTEST_SKIP() << "the stand-in's own way of keeping files whole";
#endif
}

const char kStandInOnly[] = "atomic, serialised writes are the stand-in's promise";

// Writes keys <prefix>0 … <prefix><count-1> of section S, each to its number, or (`check`) counts
// the keys that do not hold their number.
int WriteOrCheckKeys(const std::string& ini, const std::string& prefix, int count, bool check) {
    int bad = 0;
    for (int i = 0; i < count; ++i) {
        std::string key = prefix + std::to_string(i), value = std::to_string(i);
        if (check) {
            bad += win::GetPrivateProfileIntA("S", key.c_str(), -1, ini.c_str()) != unsigned(i);
        } else {
            bad += !win::WritePrivateProfileStringA("S", key.c_str(), value.c_str(), ini.c_str());
        }
    }
    return bad;
}

// Child: writes args[2] keys named after args[1] into file args[0].
int WriterRole(const std::vector<std::string>& args) {
    return WriteOrCheckKeys(args.at(0), args.at(1), std::stoi(args.at(2)), false) == 0 ? 0 : 1;
}
const ChildRole kWriter("profile-writer", WriterRole);

// Writers in threads of this process and in two other processes at once.
TEST(ProfileConcurrency, ThreadsAndProcessesNeverLoseAnUpdate) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << kStandInOnly;
    std::string ini = WindowsPath(MakeScratchFolder("ini-writers") + "/shared.ini");
    const int kWrites = 40;
    std::vector<std::string> prefixes = {"A", "B", "T0", "T1", "T2"};
    std::vector<int> children;
    for (const char* p : {"A", "B"})
        children.push_back(StartChild("profile-writer", {ini, p, std::to_string(kWrites)}));
    std::vector<std::thread> writers;
    for (size_t t = 2; t < prefixes.size(); ++t)
        writers.emplace_back(
            [&, t] { EXPECT_EQ(WriteOrCheckKeys(ini, prefixes[t], kWrites, false), 0); });
    for (auto& w : writers) w.join();
    for (int pid : children) EXPECT_EQ(WaitChild(pid), 0);
    for (const std::string& p : prefixes) EXPECT_EQ(WriteOrCheckKeys(ini, p, kWrites, true), 0);
}

// Child: rewrites a large file's counter for ever (until it is killed).
int EndlessWriterRole(const std::vector<std::string>& args) {
    for (long i = 0;; ++i) {
        std::string value = std::to_string(i);
        win::WritePrivateProfileStringA("S", "Counter", value.c_str(), args.at(0).c_str());
    }
}
const ChildRole kEndless("profile-endless-writer", EndlessWriterRole);

// A reader meanwhile sees the old file or the new one, never a part, and so does one after the
// writer was killed.
TEST(ProfileConcurrency, AWriterKilledMidWriteLeavesAWholeFile) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << kStandInOnly;
    std::string host = MakeScratchFolder("ini-killed") + "/big.ini";
    std::string ini = WindowsPath(host);
    std::string filler(256 * 1024, 'f');  // long enough that kills land inside writes
    WriteFile(host, "[Fixed]\r\nSentinel=present\r\n[Pad]\r\nFiller=" + filler + "\r\n");
    std::mt19937 random(12345);
    char buf[16];
    for (int round = 0; round < 12; ++round) {
        int pid = StartChild("profile-endless-writer", {ini});
        for (int read = 0; read < 2; ++read) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 20));
            win::GetPrivateProfileStringA("Fixed", "Sentinel", "gone", buf, sizeof buf,
                                          ini.c_str());
            EXPECT_STREQ(buf, "present") << round;
            if (read == 0) KillChild(pid);
        }
    }
    // The dead writers hold no lock: a write still goes through, and it keeps the file whole.
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "Counter", "done", ini.c_str()));
    std::vector<char> big(filler.size() + 8);
    EXPECT_EQ(win::GetPrivateProfileStringA("Pad", "Filler", "", big.data(),
                                            static_cast<win::DWORD>(big.size()), ini.c_str()),
              filler.size());
}

}  // namespace
