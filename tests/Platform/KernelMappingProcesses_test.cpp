// File mappings shared between real processes, over the paging file and over a file.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <cstring>

namespace halcyon::test {
namespace {

// Child: maps mapping args[0], checks that it starts with text args[1], then writes args[2] at
// offset 100. With args[3], raises that marker and idles until killed, keeping the view.
int ShareMapping(const std::vector<std::string>& args) {
    win::HANDLE h = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, args.at(0).c_str());
    if (h == nullptr) return 10;
    auto* view = static_cast<char*>(win::MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (view == nullptr) return 11;
    if (std::strcmp(view, args.at(1).c_str()) != 0) return 12;
    std::strcpy(view + 100, args.at(2).c_str());
    if (args.size() < 4) return 0;
    win::CloseHandle(h);  // the view alone keeps the bytes (and a mapped file) in use
    RaiseMarker(args[3]);
    return IdleUntilKilled();
}
const ChildRole kShareMapping("kernel-share-mapping", ShareMapping);

win::HANDLE TempFile(std::string& path) {
    MakeScratchFolder("TEMP");
    char name[MAX_PATH];
    std::string folder = RootWindowsPath() + "\\scratch\\TEMP";
    if (win::GetTempFileNameA(folder.c_str(), "TMP", 0, name) == 0) return INVALID_HANDLE_VALUE;
    path = name;
    return win::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

bool Exists(const std::string& windowsPath) {
    return win::GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(KernelMappingProcesses, PagingFileMappingIsSharedBetweenProcesses) {
    std::string name = UniqueName("s");
    win::HANDLE h = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                            name.c_str());
    auto* view = static_cast<char*>(win::MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "from the parent");
    EXPECT_EQ(WaitChild(StartChild("kernel-share-mapping", {name, view, "from the child"})), 0);
    EXPECT_STREQ(view + 100, "from the child");
    win::UnmapViewOfFile(view);
    win::CloseHandle(h);
}

TEST(KernelMappingProcesses, FileMappingIsSharedBetweenProcessesAndItsFileGoesAfterAll) {
    std::string path;
    win::HANDLE file = TempFile(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string name = UniqueName("s");
    std::string ready = UniqueName("ready");
    win::HANDLE h = win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 2048, name.c_str());
    auto* view = static_cast<char*>(win::MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "queue header");
    int child = StartChild("kernel-share-mapping", {name, "queue header", "record", ready});
    ASSERT_TRUE(WaitForMarker(ready));
    EXPECT_STREQ(view + 100, "record");
    // This process lets go of everything; the child's view keeps the file.
    win::UnmapViewOfFile(view);
    win::CloseHandle(h);
    win::CloseHandle(file);
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()), nullptr)
        << "no handle is left, so the name is gone";

    // The child dies still using the file: nobody is left to remove it but the collection.
    KillChild(child);
#if !defined(_WIN32)
    EXPECT_TRUE(Exists(path));
    EXPECT_GE(win::posix::CollectKernelObjects(), 1);
#endif
    EXPECT_FALSE(Exists(path));
}

}  // namespace
}  // namespace halcyon::test
