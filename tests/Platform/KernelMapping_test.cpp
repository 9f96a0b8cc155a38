// SPDX-License-Identifier: Apache-2.0
// File mappings and views shared between real processes. (What a call refuses: the conformance
// tables Mappings and Views.)
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

namespace halcyon::test {
namespace {

unsigned char* View(win::HANDLE h, win::DWORD access, win::DWORD offset = 0,
                    win::SIZE_T bytes = 0) {
    return static_cast<unsigned char*>(win::MapViewOfFile(h, access, 0, offset, bytes));
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

// A mapping grows its file, one without a size takes the file's; the delete-on-close file outlives
// every handle while a view uses it, here or in another process, and goes when that process is
// killed (on Linux, with the collection).
TEST(KernelMappingProcesses, AFileMappingGrowsItsFileWhichGoesWithItsLastView) {
    std::string path = WindowsPath(MakeScratchFolder("mapped") + "/file.tmp");
    win::HANDLE file = win::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string name = UniqueName("s");
    win::HANDLE map =
        win::CreateFileMappingA(file, nullptr, PAGE_READWRITE | SEC_COMMIT, 0, 10000, name.c_str());
    unsigned char* view = View(map, FILE_MAP_ALL_ACCESS);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(std::all_of(view, view + 10000, [](unsigned char c) { return c == 0; }));
    view[9999] = 0x5A;
#if HALCYON_STAND_IN  // Windows lets the C runtime open no delete-on-close file
    EXPECT_EQ(ReadFile(HostPath(path.c_str())).substr(9999), "\x5A");
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
