// File mappings and views, within one process and shared between real processes.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <Platform/Host.h>

namespace halcyon::test {
namespace {

win::HANDLE PagingMapping(const std::string& name, win::DWORD bytes,
                          win::DWORD protect = PAGE_READWRITE) {
    return win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, protect, 0, bytes,
                                   name.empty() ? nullptr : name.c_str());
}

unsigned char* View(win::HANDLE h, win::DWORD access, win::DWORD offset = 0,
                    win::SIZE_T bytes = 0) {
    return static_cast<unsigned char*>(win::MapViewOfFile(h, access, 0, offset, bytes));
}

bool AllZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

// Views of one mapping share its bytes, zero at first, from any 64 KiB offset, except a
// copy-on-write view's; a view outlives the name, and a name made again is a new mapping.
TEST(KernelMapping, ViewsShareTheBytesAndOutliveTheName) {
    std::string name = UniqueName("s");
    win::HANDLE a = PagingMapping(name, 65536 + 5000);
    win::HANDLE b = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    unsigned char* va = View(a, FILE_MAP_ALL_ACCESS);
    unsigned char* vb = View(b, FILE_MAP_READ, 65536, 5000);
    unsigned char* copy = View(b, FILE_MAP_COPY);
    ASSERT_TRUE(va != nullptr && vb != nullptr && copy != nullptr);
    EXPECT_TRUE(AllZero(va, 65536 + 8192)) << "the view covers whole pages";
    va[65536] = 0x8E;
    va[65536 + 4999] = 0x8F;
    EXPECT_EQ(vb[0], 0x8E);
    EXPECT_EQ(vb[4999], 0x8F);
    copy[65536] = 9;  // private to this view
    EXPECT_EQ(vb[0], 0x8E);
    EXPECT_TRUE(win::UnmapViewOfFile(vb));
    EXPECT_FALSE(win::UnmapViewOfFile(vb)) << "already unmapped";
    win::UnmapViewOfFile(copy);
    win::CloseHandle(a);
    win::CloseHandle(b);
    EXPECT_EQ(ErrorOf(win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str())),
              ERROR_FILE_NOT_FOUND);
    va[0] = 0x11;  // still writable
    win::HANDLE again = PagingMapping(name, 100);
    EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS);
    unsigned char* fresh = View(again, FILE_MAP_READ);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh[0], 0);
    EXPECT_EQ(va[0], 0x11);
    win::UnmapViewOfFile(va);
    win::UnmapViewOfFile(fresh);
    win::CloseHandle(again);
}

TEST(KernelMapping, RequestsWindowsRefuses) {
    std::string name = UniqueName("s");
    win::HANDLE big = PagingMapping(name, 3 * 65536);
    win::HANDLE readOnly = win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    // A read-only mapping, as the single-instance marker is.
    win::HANDLE marker = PagingMapping(UniqueName("task"), 32, PAGE_READONLY);
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
        {"no access", big, 0, 0, 0, ERROR_INVALID_PARAMETER},
        {"write through a read handle", readOnly, FILE_MAP_WRITE, 0, 0, ERROR_ACCESS_DENIED},
        {"write to a read-only mapping", marker, FILE_MAP_WRITE, 0, 0, ERROR_ACCESS_DENIED},
        {"not a mapping", nullptr, FILE_MAP_READ, 0, 0, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Wine maps a view without access, and refuses an offset at the end as a bad parameter.
        if (UnderWine() && (c.access == 0 || c.offset == 3 * 65536)) continue;
        EXPECT_EQ(View(c.handle, c.access, c.offset, c.bytes), nullptr);
        EXPECT_EQ(win::GetLastError(), c.error);
    }
    EXPECT_EQ(ErrorOf(PagingMapping(UniqueName("empty"), 0)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ErrorOf(PagingMapping(UniqueName("bad"), 64, 0x1234)), ERROR_INVALID_PARAMETER);
#if HALCYON_STAND_IN  // Wine makes a page-file mapping of any size and commits nothing yet
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                              0xFFFFFFFF, 0xFFFFFFFF, UniqueName("huge").c_str())),
              ERROR_NOT_ENOUGH_MEMORY);
#endif
    EXPECT_EQ(ErrorOf(win::OpenFileMappingA(FILE_MAP_READ, FALSE, nullptr)),
              ERROR_INVALID_PARAMETER);
    int local = 0;
    EXPECT_FALSE(win::UnmapViewOfFile(&local));
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_ADDRESS);
    for (win::HANDLE h : {marker, readOnly, big}) win::CloseHandle(h);
}

// A mapping grows its file, checks the file's handle and size, and the delete-on-close file
// outlives every handle while a view uses it.
TEST(KernelMapping, FileMappingGrowsAndChecksItsFileWhichGoesWithItsLastUse) {
    std::string path;
    win::HANDLE file = DeleteOnCloseTempFile(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr)),
              ERROR_FILE_INVALID)
        << "an empty file and no size";
    win::HANDLE map =
        win::CreateFileMappingA(file, nullptr, PAGE_READWRITE | SEC_COMMIT, 0, 10000, nullptr);
    unsigned char* view = View(map, FILE_MAP_ALL_ACCESS);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(AllZero(view, 10000));
    view[9999] = 0x5A;
#if HALCYON_STAND_IN  // Windows lets the C runtime open no delete-on-close file
    EXPECT_EQ(ReadFile(HostPath(path.c_str())).substr(9999), "\x5A");
#endif
    // Windows wants the sharing that the open handle allows: a writer, deletion on close.
    win::HANDLE readOnly = win::CreateFileA(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(readOnly, nullptr, PAGE_READWRITE, 0, 100, nullptr)),
              ERROR_ACCESS_DENIED);
#if HALCYON_STAND_IN  // a read-only mapping cannot grow its file
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(readOnly, nullptr, PAGE_READONLY, 0, 20000, nullptr)),
              ERROR_NOT_ENOUGH_MEMORY);
#endif
    // Size 0 takes the file's size.
    win::HANDLE whole = win::CreateFileMappingA(readOnly, nullptr, PAGE_READONLY, 0, 0, nullptr);
    unsigned char* other = View(whole, FILE_MAP_READ, 0, 10000);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other[9999], 0x5A);
    EXPECT_EQ(View(whole, FILE_MAP_READ, 0, 10001), nullptr);
    win::HANDLE mutex = win::CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_EQ(ErrorOf(win::CreateFileMappingA(mutex, nullptr, PAGE_READONLY, 0, 0, nullptr)),
              ERROR_INVALID_HANDLE)
        << "a mutex is no file";
    for (win::HANDLE h : {map, whole, readOnly, file, mutex}) win::CloseHandle(h);
    win::UnmapViewOfFile(other);
    EXPECT_TRUE(WindowsFileExists(path)) << "a view still uses it";
    win::UnmapViewOfFile(view);
    EXPECT_FALSE(WindowsFileExists(path));
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

// A view in another process keeps a delete-on-close file when this one lets go of everything;
// when that process is killed, the file goes (on Linux, with the collection).
TEST(KernelMappingProcesses, AViewInAKilledProcessKeepsTheFileUntilItDies) {
    std::string path;
    win::HANDLE file = DeleteOnCloseTempFile(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string name = UniqueName("s");
    std::string ready = UniqueName("ready");
    win::HANDLE h = win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 2048, name.c_str());
    int child = StartChild("kernel-hold-view", {name, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    win::CloseHandle(h);
    win::CloseHandle(file);
    EXPECT_TRUE(WindowsFileExists(path));
    EXPECT_FALSE(MarkerExists(name)) << "no handle is left, so the name is gone";
    KillChild(child);
#if HALCYON_STAND_IN
    EXPECT_TRUE(WindowsFileExists(path));
    EXPECT_GE(win::posix::CollectKernelObjects(), 1);
#endif
    EXPECT_FALSE(WindowsFileExists(path));
}

}  // namespace
}  // namespace halcyon::test
