// Writing INI files: the bytes each write leaves, error codes, and failures mid-write.
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
#include <cstdio>
#include <cstring>
#include <string>

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

TEST(ProfileWrite, NewFilesSectionsAndKeys) {
    const WriteCase cases[] = {
        {kMissing, "App1", "key1", "string1", "[App1]\r\nkey1=string1\r\n", Where::kAll},
        {"[App1]\r\nkey1=string1\r\n", "App1", "key2", "string2",
         "[App1]\r\nkey1=string1\r\nkey2=string2\r\n", Where::kAll},
        {"[App1]\r\nkey1=string1\r\nkey2=string2\r\n", "App2", "key4", "string4",
         "[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App2]\r\nkey4=string4\r\n", Where::kAll},
        {kMissing, " S ", "\tK ", "v", "[S]\r\nK=v\r\n"},  // names written trimmed
        {kMissing, "S", "multi", "a\r\nb", "[S]\r\nmulti=a\r\nb\r\n",
         Where::kAll},  // raw, as Windows does
        // A new key follows the section's last entry, before blank lines and comments.
        {"; top\r\n\r\n[S]\r\n  a = 1 \r\n\r\n; about T\r\n[T]\r\n", "s", "b", "2",
         "; top\r\n\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n; about T\r\n[T]\r\n"},
        {"[S]\r\ntext line\r\n;c\r\n", "S", "K", "v", "[S]\r\ntext line\r\nK=v\r\n;c\r\n"},
        // The first of two sections of one name is the one edited.
        {"[S]\r\nK=1\r\n[S]\r\nL=2\r\n", "S", "L", "3", "[S]\r\nK=1\r\nL=3\r\n[S]\r\nL=2\r\n",
         Where::kAll},
        // Keys before the first header belong to no section.
        {"K=1\r\n", "", "K", "2", "K=1\r\n[]\r\nK=2\r\n", Where::kNotWine},
        {"K=1\r\n[S]\r\n", "S", "K", "2", "K=1\r\n[S]\r\nK=2\r\n", Where::kAll},
        // Added lines take the file's own line end; a last line without one gets one.
        {"[S]\na=1\n", "S", "b", "2", "[S]\na=1\nb=2\n"},
        {"[S]\ra=1\r", "S", "b", "2", "[S]\ra=1\rb=2\r"},
        {"[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"[S]\na=1", "T", "x", "1", "[S]\na=1\n[T]\nx=1\n"},
        {"junk", "S", "K", "V", "junk\r\n[S]\r\nK=V\r\n", Where::kAll},
    };
    CheckWrites("write-new", cases, std::size(cases));
}

TEST(ProfileWrite, ChangesAndDeletionsKeepEveryOtherByte) {
    const std::string odd = "\xEF\xBB\xBF; odd file\r\n\r\n  [ S ]  junk\n\tA = 1 \r\n\x01\x02\r";
    const WriteCase cases[] = {
        // Replaced in place: the key's spelling and layout up to '=' stay.
        {"[Sec]\r\n  MyKey = old  \r\nOther=1\r\n", "sec", " mykey ", "new",
         "[Sec]\r\n  MyKey =new\r\nOther=1\r\n"},
        {"[S]\r\nK=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nK=3\r\nk=2\r\n", Where::kAll},
        {"[S]\r\n;c=1\r\n", "S", ";c", "2", "[S]\r\n;c=2\r\n"},  // found by exact lookup
        {odd, "s", "a", "2", "\xEF\xBB\xBF; odd file\r\n\r\n  [ S ]  junk\n\tA =2\r\n\x01\x02\r"},
        {odd, "S", "B", "3",
         "\xEF\xBB\xBF; odd file\r\n\r\n  [ S ]  junk\n\tA = 1 \r\n\x01\x02\rB=3\r\n"},
        // Deleting a key removes its line; a missing one changes nothing.
        {"[S]\r\nA=1\r\nB=2\r\n", "S", "a", nullptr, "[S]\r\nB=2\r\n", Where::kAll},
        {"[S]\r\nA=1\r\nB=2", "S", "B", nullptr, "[S]\r\nA=1\r\n", Where::kAll},
        {"[S]\r\nA=1\r\n", "S", "X", nullptr, "[S]\r\nA=1\r\n", Where::kAll},
        {"[S]\r\nK=1\r\nK=2\r\n", "S", "K", nullptr, "[S]\r\nK=2\r\n", Where::kAll},
        // Deleting a section removes its header and every line up to the next header.
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n\r\n;c\r\n[C]\r\n", "b", nullptr, "ignored",
         "[A]\r\na=1\r\n[C]\r\n"},
        {"[A]\r\na=1\r\n[B]\r\nb=2", "B", nullptr, nullptr, "[A]\r\na=1\r\n", Where::kAll},
        {"[A]\r\n[A]\r\nx=1\r\n", "A", nullptr, nullptr, "[A]\r\nx=1\r\n", Where::kAll},
        // Deleting in a missing file creates it empty, as Windows does.
        {kMissing, "S", "K", nullptr, "", Where::kNotWine},
        // Bytes that are not text pass through untouched.
        {"[S]\r\nK=\x80\xff\0\x01\r\n"s, "S", "L", "\xfe",
         "[S]\r\nK=\x80\xff\0\x01\r\nL=\xfe\r\n"s},
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
    EXPECT_FALSE(FileExists(folder + "/Missing"));
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
    struct Case {
        const char* what;
        void (*inject)(win::posix::SysCalls&);
        int err;
        win::DWORD error;
        bool readsFail = false;  // a read meanwhile finds the default
    } cases[] = {
        {"disk full", [](win::posix::SysCalls& s) { s.write = FailingWrite; }, ENOSPC,
         ERROR_DISK_FULL},
        {"full midway", [](win::posix::SysCalls& s) { s.write = HalfWrite; }, ENOSPC,
         ERROR_DISK_FULL},
        {"flush", [](win::posix::SysCalls& s) { s.fsync = FailingFsync; }, ENOSPC, ERROR_DISK_FULL},
        {"close", [](win::posix::SysCalls& s) { s.close = FailingClose; }, ENOSPC, ERROR_DISK_FULL},
        {"rename", [](win::posix::SysCalls& s) { s.rename = FailingRename; }, EACCES,
         ERROR_ACCESS_DENIED},
        {"no handles", [](win::posix::SysCalls& s) { s.open = FailingOpen; }, EMFILE,
         ERROR_TOO_MANY_OPEN_FILES},
        {"read", [](win::posix::SysCalls& s) { s.read = FailingRead; }, EACCES, ERROR_ACCESS_DENIED,
         true},
    };
    for (const Case& c : cases) {
        WriteFile(host, before);
        {
            SysCallsGuard restore;
            g_failErrno = c.err;
            c.inject(win::posix::Sys());
            win::SetLastError(0);
            EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "a much longer value", ini.c_str()),
                      FALSE)
                << c.what;
            EXPECT_EQ(win::GetLastError(), c.error) << c.what;
            char buf[8];
            win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, ini.c_str());
            EXPECT_STREQ(buf, c.readsFail ? "d" : "1") << c.what;
        }
        EXPECT_EQ(ReadFile(host), before) << c.what;
        EXPECT_FALSE(FileExists(host + ".halcyon-new")) << c.what;
    }
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(ReadFile(host), "; keep me\r\n[S]\r\nK=2\r\n\r\n");
#else
    GTEST_SKIP() << "the stand-in's own way of keeping files whole";
#endif
}

TEST(ProfileWrite, ShortReadsStillReadTheWholeFile) {
#if HALCYON_STAND_IN
    std::string host = MakeScratchFolder("write-reads") + "/x.ini";
    std::string ini = WindowsPath(host);
    const std::string tail = "\r\n[T]\r\nLong=" + std::string(100, 'v') + "\r\n";
    WriteFile(host, "[S]\r\nK=1" + tail);
    SysCallsGuard restore;
    // Three bytes at a time.
    win::posix::Sys().read = [](int fd, void* buf, size_t count) {
        return win::posix::RealSysCalls().read(fd, buf, count < 3 ? count : 3);
    };
    char buf[128];
    EXPECT_EQ(win::GetPrivateProfileStringA("T", "Long", "", buf, sizeof buf, ini.c_str()), 100u);
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(ReadFile(host), "[S]\r\nK=2" + tail);
#else
    GTEST_SKIP() << "the stand-in's own way of keeping files whole";
#endif
}

}  // namespace
