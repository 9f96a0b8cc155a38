// SPDX-License-Identifier: Apache-2.0
// File mappings and views, within one process and shared between real processes.
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

namespace halcyon::test {
namespace {

unsigned char* View(win::HANDLE h, win::DWORD access, win::DWORD offset = 0,
                    win::SIZE_T bytes = 0) {
    return static_cast<unsigned char*>(win::MapViewOfFile(h, access, 0, offset, bytes));
}

TEST(KernelMapping, RequestsWindowsRefuses) {
    win::HANDLE big = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              3 * 65536, UniqueName("s").c_str());
    // A read-only mapping, as the single-instance marker is.
    win::HANDLE marker = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0,
                                                 32, UniqueName("task").c_str());
    const struct {
        const char* what;
        win::HANDLE handle;
        win::DWORD access;
        win::DWORD offset;
        win::SIZE_T bytes;
        win::DWORD error;
    } cases[] = {
        {"offset not on 64 KiB", big, FILE_MAP_READ, 4096, 0, ERROR_MAPPED_ALIGNMENT},
        {"offset at the end", big, FILE_MAP_READ, 3 * 65536, 0, ERROR_ACCESS_DENIED},
        {"past the end", big, FILE_MAP_READ, 65536, 2 * 65536 + 1, ERROR_ACCESS_DENIED},
        {"write to a read-only mapping", marker, FILE_MAP_WRITE, 0, 0, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Wine refuses an offset at the end as a bad parameter.
        if (UnderWine() && c.offset == 3 * 65536) continue;
        EXPECT_EQ(View(c.handle, c.access, c.offset, c.bytes), nullptr);
        EXPECT_EQ(win::GetLastError(), c.error);
    }
    for (win::HANDLE h : {marker, big}) win::CloseHandle(h);
}

// Child: maps mapping args[0], lets go of its handle (the view alone keeps the bytes and the file
// in use), raises marker args[1] and idles until killed.
int HoldView(const std::vector<std::string>& args) {
    win::HANDLE h = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, args.at(0).c_str());
    if (View(h, FILE_MAP_ALL_ACCESS) == nullptr) return 10;
    win::CloseHandle(h);
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kHoldView("kernel-hold-view", HoldView);

// A mapping grows its file, a read-only one cannot, one without a size takes the file's; the
// delete-on-close file outlives every handle while a view uses it, here or in another process,
// and goes when that process is killed (on Linux, with the collection).
TEST(KernelMappingProcesses, AFileMappingGrowsItsFileWhichGoesWithItsLastView) {
    std::string path = WindowsPath(MakeScratchFolder("mapped") + "/file.tmp");
    win::HANDLE file = win::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr)),
              ERROR_FILE_INVALID)
        << "an empty file and no size";
    std::string name = UniqueName("s");
    win::HANDLE map =
        win::CreateFileMappingA(file, nullptr, PAGE_READWRITE | SEC_COMMIT, 0, 10000, name.c_str());
    unsigned char* view = View(map, FILE_MAP_ALL_ACCESS);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(std::all_of(view, view + 10000, [](unsigned char c) { return c == 0; }));
    view[9999] = 0x5A;
#if HALCYON_STAND_IN  // Windows lets the C runtime open no delete-on-close file
    EXPECT_EQ(ReadFile(HostPath(path.c_str())).substr(9999), "\x5A");
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 20000, nullptr)),
              ERROR_NOT_ENOUGH_MEMORY);
#endif
    win::HANDLE whole = win::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    unsigned char* other = View(whole, FILE_MAP_READ, 0, 10000);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other[9999], 0x5A);
    EXPECT_EQ(View(whole, FILE_MAP_READ, 0, 10001), nullptr);
    std::string ready = UniqueName("ready");
    int child = StartChild("kernel-hold-view", {name, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    for (win::HANDLE h : {map, whole, file}) win::CloseHandle(h);
    win::UnmapViewOfFile(other);
    win::UnmapViewOfFile(view);
    EXPECT_TRUE(WindowsFileExists(path)) << "the child's view still uses it";
    EXPECT_EQ(ErrorOf(win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str())),
              ERROR_FILE_NOT_FOUND)
        << "no handle is left, so the name is gone";
    KillChild(child);
#if HALCYON_STAND_IN
    EXPECT_TRUE(WindowsFileExists(path));
    EXPECT_GE(win::posix::CollectKernelObjects(), 1);
#endif
    EXPECT_FALSE(WindowsFileExists(path));
}

}  // namespace
}  // namespace halcyon::test
