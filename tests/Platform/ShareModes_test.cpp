// Share modes of CreateFileA between handles of one process and of two, and the refusal to empty a
// mapped file. The same table runs against Windows' own CreateFileA in the Windows build.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <cerrno>
#include <cstdio>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

constexpr win::DWORD R = GENERIC_READ, W = GENERIC_WRITE, D = DELETE;
constexpr win::DWORD SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;

// A first open of a file, then a second one: allowed (0) or ERROR_SHARING_VIOLATION.
struct ShareCase {
    win::DWORD firstAccess, firstShare, secondAccess, secondShare, expected;
};
const ShareCase kCases[] = {
    {R, SR, R, SR, 0},
    {R, SR, W, SR | SW, ERROR_SHARING_VIOLATION},  // the first shares no writing
    {R, SR | SW, W, SW, ERROR_SHARING_VIOLATION},  // the second denies the first's reading
    {R, SR | SW, W, SR | SW, 0},
    {W, SR, R, SR | SW, 0},  // a log open "ab" deny-write and a reader
    {W, SR, R, SR, ERROR_SHARING_VIOLATION},
    {W, SR, W, SR | SW, ERROR_SHARING_VIOLATION},
    {W, SW, W, SW, 0},
    {W, SW, R, SR | SW, ERROR_SHARING_VIOLATION},
    {R | W, 0, 0, 0, 0},  // an open without data access meets no share mode
    {0, 0, R | W, 0, 0},
    {R | W, 0, R, SR | SW | SD, ERROR_SHARING_VIOLATION},
    {R, SR | SW | SD, D, SR | SW | SD, 0},
    {R, SR | SW, D, SR | SW | SD, ERROR_SHARING_VIOLATION},
    {D, SR | SW | SD, R, SR | SW, ERROR_SHARING_VIOLATION},
    {D, SR | SW | SD, R | W, SR | SW | SD, 0},
};
constexpr int kCaseCount = sizeof kCases / sizeof kCases[0];

std::string CaseFile(const std::string& folder, int i) {
    return folder + "\\case" + std::to_string(i);
}

win::HANDLE Open(const std::string& path, win::DWORD access, win::DWORD share,
                 win::DWORD disposition = OPEN_ALWAYS) {
    return win::CreateFileA(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
}

std::vector<win::HANDLE> OpenFirsts(const std::string& folder) {
    std::vector<win::HANDLE> handles;
    for (int i = 0; i < kCaseCount; ++i)
        handles.push_back(Open(CaseFile(folder, i), kCases[i].firstAccess, kCases[i].firstShare));
    return handles;
}

void CheckSeconds(const std::string& folder) {
    for (int i = 0; i < kCaseCount; ++i) {
        const ShareCase& c = kCases[i];
        EXPECT_EQ(ErrorOf(Open(CaseFile(folder, i), c.secondAccess, c.secondShare)), c.expected)
            << "case " << i;
    }
}

// Child: makes the first opens in folder args[0], raises marker args[1], idles until killed.
int HoldFirsts(const std::vector<std::string>& args) {
    for (win::HANDLE h : OpenFirsts(args.at(0)))
        if (h == INVALID_HANDLE_VALUE) return 10;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHoldFirsts("share-hold-firsts", HoldFirsts);

// Child: maps file args[0] (and closes the file handle), raises marker args[1], idles.
int MapFile(const std::vector<std::string>& args) {
    win::HANDLE file = Open(args.at(0), R | W, SR | SW);
    win::HANDLE map = win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 4096, nullptr);
    if (map == nullptr || win::MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0) == nullptr) return 10;
    win::CloseHandle(file);
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kMapFile("share-map-file", MapFile);

std::string Folder(const std::string& name) {
    MakeScratchFolder(name);
    return RootWindowsPath() + "\\scratch\\" + name;
}

TEST(ShareModes, HandlesOfOneProcessFollowTheTable) {
    std::string folder = Folder("share-in-process");
    std::vector<win::HANDLE> firsts = OpenFirsts(folder);
    for (win::HANDLE h : firsts) ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CheckSeconds(folder);
    EXPECT_FALSE(win::DeleteFileA(CaseFile(folder, 0).c_str())) << "open without share-delete";
    EXPECT_EQ(win::GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(win::DeleteFileA(CaseFile(folder, 12).c_str())) << "open with share-delete";
    for (win::HANDLE h : firsts) win::CloseHandle(h);
    EXPECT_EQ(ErrorOf(Open(CaseFile(folder, 11), R | W, 0)), ERROR_SUCCESS) << "closed: no claim";
}

TEST(ShareModes, AnotherProcessFollowsTheTableAndItsDeathEndsItsClaims) {
    std::string folder = Folder("share-across");
    std::string ready = UniqueName("ready");
    int child = StartChild("share-hold-firsts", {folder, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    CheckSeconds(folder);
    KillAndCollect(child);
    for (int i = 0; i < kCaseCount; ++i)
        EXPECT_EQ(ErrorOf(Open(CaseFile(folder, i), R | W | D, 0)), ERROR_SUCCESS) << i;
}

// Threads opening one file to write it, denying writes: exactly one gets it, every round.
TEST(ShareModes, OfRacingExclusiveWritersExactlyOneWins) {
    std::string path = Folder("share-race") + "\\log";
    for (int round = 0; round < 200; ++round) {
        std::vector<win::HANDLE> got(4);
        std::vector<std::thread> threads;
        for (auto& h : got) threads.emplace_back([&h, &path] { h = Open(path, W, SR); });
        for (auto& t : threads) t.join();
        int winners = 0;
        for (win::HANDLE h : got) {
            if (h == INVALID_HANDLE_VALUE) continue;
            ++winners;
            win::CloseHandle(h);
        }
        ASSERT_EQ(winners, 1) << "round " << round;
    }
}

// The C runtime's share flags as the table of the runtime has them; a folder is no file.
TEST(ShareModes, RuntimeStreamsMeetTheShareFlagsAndRefuseFolders) {
    std::string folder = Folder("share-crt");
    std::string path = folder + "\\day.log";
    std::FILE* log = win::_fsopen(path.c_str(), "ab", _SH_DENYWR);
    ASSERT_NE(log, nullptr);
    struct Second {
        const char* mode;
        int shflag;
        bool opens;
    };
    const Second seconds[] = {{"ab", _SH_DENYWR, false}, {"ab", _SH_DENYNO, false},
                              {"rb", _SH_DENYNO, true},  {"rb", _SH_DENYWR, false},
                              {"rb", _SH_DENYRD, true},  {"r+b", _SH_DENYNO, false}};
    for (const Second& s : seconds) {
        errno = 0;
        std::FILE* f = win::_fsopen(path.c_str(), s.mode, s.shflag);
        EXPECT_EQ(f != nullptr, s.opens) << s.mode << " " << s.shflag;
        if (!s.opens) {
            EXPECT_EQ(errno, EACCES) << s.mode << " " << s.shflag;
        }
        if (f != nullptr) std::fclose(f);
    }
    EXPECT_EQ(win::fopen(path.c_str(), "a"), nullptr);
    EXPECT_EQ(ErrorOf(Open(path, W, SR | SW)), ERROR_SHARING_VIOLATION);
    std::fclose(log);
    for (const char* mode : {"r", "rb", "a"}) {
        errno = 0;
        EXPECT_EQ(win::fopen(folder.c_str(), mode), nullptr) << mode;
        EXPECT_EQ(errno, EACCES) << mode;
    }
}

TEST(ShareModes, AFileMappedInAnotherProcessIsNotEmptied) {
    std::string path = Folder("share-mapped") + "\\mapped";
    std::string ready = UniqueName("ready");
    int child = StartChild("share-map-file", {path, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    for (win::DWORD disposition : {CREATE_ALWAYS, TRUNCATE_EXISTING})
        EXPECT_EQ(ErrorOf(Open(path, W, SR | SW | SD, disposition)), ERROR_USER_MAPPED_FILE);
    win::HANDLE h = Open(path, R | W, SR | SW, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the open itself is allowed";
    win::HANDLE map = win::CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    EXPECT_NE(map, nullptr) << "the file kept its 4096 bytes";
    win::CloseHandle(map);
    win::CloseHandle(h);
    KillAndCollect(child);
    EXPECT_EQ(ErrorOf(Open(path, W, SR | SW, TRUNCATE_EXISTING)), ERROR_SUCCESS);
}

}  // namespace
}  // namespace halcyon::test
