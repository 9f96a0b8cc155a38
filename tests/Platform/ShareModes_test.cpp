// Share modes of CreateFileA between handles of one process and of two, the C runtime's share
// flags, and the refusal to empty a mapped file. In the Windows build the same table runs against
// Windows' own CreateFileA.
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
constexpr win::DWORD kClash = ERROR_SHARING_VIOLATION;

// A first open of a file (access, share mode), then a second one: allowed (0) or refused.
const win::DWORD kCases[][5] = {
    {R, SR, R, SR, 0},
    {R, SR, W, SR | SW, kClash},  // the first shares no writing
    {R, SR | SW, W, SW, kClash},  // the second denies reading
    {W, SR, R, SR | SW, 0},
    {W, SR, R, SR, kClash},
    {W, SW, W, SW, 0},
    {R | W, 0, 0, 0, 0},
    {0, 0, R | W, 0, 0},  // no data access, no share check
    {R | W, 0, R, SR | SW | SD, kClash},
    {R, SR | SW | SD, D, SR | SW | SD, 0},
    {R, SR | SW, D, SR | SW | SD, kClash},
    {D, SR | SW | SD, R, SR | SW, kClash},
};
constexpr int kCount = sizeof kCases / sizeof kCases[0];

win::HANDLE Open(const std::string& path, win::DWORD access, win::DWORD share,
                 win::DWORD disposition = OPEN_ALWAYS) {
    return win::CreateFileA(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
}

std::string Folder(const std::string& name) {
    MakeScratchFolder(name);
    return RootWindowsPath() + "\\scratch\\" + name + "\\";
}

// Child: makes the first opens of the table in folder args[0], raises marker args[1], idles.
int HoldFirsts(const std::vector<std::string>& args) {
    for (int i = 0; i < kCount; ++i)
        if (Open(args.at(0) + std::to_string(i), kCases[i][0], kCases[i][1]) ==
            INVALID_HANDLE_VALUE)
            return 10;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHoldFirsts("share-hold-firsts", HoldFirsts);

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

void CheckSecondOpens(const std::string& folder, const char* where) {
    for (int i = 0; i < kCount; ++i) {
        win::HANDLE h = Open(folder + std::to_string(i), kCases[i][2], kCases[i][3]);
        EXPECT_EQ(ErrorOf(h), kCases[i][4]) << where << " case " << i;
    }
}

TEST(ShareModes, OpensOfOneProcessAndOfAnotherFollowTheTable) {
    std::string folder = Folder("table");
    std::vector<win::HANDLE> firsts;
    for (int i = 0; i < kCount; ++i)
        firsts.push_back(Open(folder + std::to_string(i), kCases[i][0], kCases[i][1]));
    CheckSecondOpens(folder, "in-process");
    EXPECT_FALSE(win::DeleteFileA((folder + "0").c_str())) << "open without share-delete";
    EXPECT_EQ(win::GetLastError(), ERROR_SHARING_VIOLATION);
    for (win::HANDLE h : firsts) win::CloseHandle(h);

    std::string ready = UniqueName("ready");
    int child = StartChild("share-hold-firsts", {folder, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    CheckSecondOpens(folder, "cross-process");
    KillAndCollect(child);
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(ErrorOf(Open(folder + std::to_string(i), R | W | D, 0)), 0U) << "killed " << i;
}

// Threads opening one file to write it, denying writes: exactly one gets it, every round.
TEST(ShareModes, ThreadsRacingToWriteAloneOneWinsEachRound) {
    std::string path = Folder("race") + "log";
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

TEST(ShareModes, RuntimeStreamsMeetTheShareFlagsAndRefuseFolders) {
    std::string folder = Folder("crt");
    std::string path = folder + "day.log";
    std::FILE* log = win::_fsopen(path.c_str(), "ab", _SH_DENYWR);
    ASSERT_NE(log, nullptr);
    const std::pair<const char*, int> refused[] = {
        {"ab", _SH_DENYWR}, {"ab", _SH_DENYNO}, {"rb", _SH_DENYWR}, {"r+b", _SH_DENYNO}};
    for (const auto& [mode, flag] : refused) {
        EXPECT_EQ(win::_fsopen(path.c_str(), mode, flag), nullptr) << mode << " " << flag;
        EXPECT_EQ(errno, EACCES) << mode << " " << flag;
    }
    for (int flag : {_SH_DENYNO, _SH_DENYRD}) {
        std::FILE* reader = win::_fsopen(path.c_str(), "rb", flag);
        EXPECT_NE(reader, nullptr) << flag;
        if (reader != nullptr) std::fclose(reader);
    }
    EXPECT_EQ(ErrorOf(Open(path, W, SR | SW)), ERROR_SHARING_VIOLATION);
    std::fclose(log);
    for (const char* mode : {"r", "a"}) {
        EXPECT_EQ(win::fopen(folder.c_str(), mode), nullptr) << mode;
        EXPECT_EQ(errno, EACCES) << mode;
    }
}

TEST(ShareModes, AFileMappedInAnotherProcessIsNotEmptied) {
    std::string path = Folder("mapped") + "file";
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

}  // namespace
}  // namespace halcyon::test
