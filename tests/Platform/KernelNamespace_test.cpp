// The namespace folder on Linux: file names, collection after crashes, listing (also through
// `halcyon objects`), and failures of the system calls underneath.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace halcyon::test {
namespace {

// Objects in the namespace folder and files in use, without the note of the PID namespace that
// the folder gains with its first object.
std::size_t FolderEntryCount() {
    std::vector<std::string> names = FolderEntries(win::posix::KernelDirectory());
    return names.size() - std::count(names.begin(), names.end(), ".pidns");
}

const win::posix::KernelObjectInfo* Find(const std::vector<win::posix::KernelObjectInfo>& list,
                                         const std::string& name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& i) { return i.name == name; });
    return it == list.end() ? nullptr : &*it;
}

// Child: creates a mutex (owned), a paging-file mapping and a delete-on-close file mapping over
// args[2], all named from args[0], raises marker args[1] and idles until killed.
int CreateObjectsAndIdle(const std::vector<std::string>& args) {
    std::string base = args.at(0);
    win::CreateMutexA(nullptr, TRUE, (base + ".m").c_str());
    win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100,
                            (base + ".s").c_str());
    win::HANDLE file = win::CreateFileA(args.at(2).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    win::HANDLE map =
        win::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 100, (base + ".f").c_str());
    if (map == nullptr || win::MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0) == nullptr) return 10;
    RaiseMarker(args.at(1));
    return IdleUntilKilled();
}
const ChildRole kCreateObjects("kernel-create-objects", CreateObjectsAndIdle);

TEST(KernelNamespace, AnyNameBecomesAFileNameOfItsOwn) {
    const std::string names[] = {"a/b", "..", "%41", "A", std::string(259, '/')};
    std::size_t before = FolderEntryCount();  // objects other tests keep for the process
    std::vector<win::HANDLE> handles;
    for (const std::string& name : names) {
        win::HANDLE h = win::CreateMutexA(nullptr, FALSE, name.c_str());
        ASSERT_NE(h, nullptr) << name;
        EXPECT_EQ(win::GetLastError(), ERROR_SUCCESS) << name << ": no two names may meet";
        handles.push_back(h);
    }
    EXPECT_EQ(FolderEntryCount(), before + std::size(names));
    for (const std::string& entry : FolderEntries(win::posix::KernelDirectory())) {
        // Other tests' files in use and the folder's note start with a dot, objects never.
        EXPECT_TRUE(entry[0] != '.' || entry.compare(0, 5, ".doc.") == 0 || entry == ".pidns")
            << entry;
        EXPECT_LE(entry.size(), 200U);
    }
    for (win::HANDLE h : handles) win::CloseHandle(h);
    EXPECT_EQ(FolderEntryCount(), before);
}

// The listing, through the library and as `halcyon objects` shows it, of what a process holds
// while it lives and after it was killed; the collection removes it all.
TEST(KernelNamespace, ListingAndCollectionOfWhatAKilledProcessLeaves) {
    std::string base = UniqueName("o");
    std::string ready = UniqueName("ready");
    MakeScratchFolder("TEMP");
    std::string file = RootWindowsPath() + "\\scratch\\TEMP\\backing.tmp";
    std::size_t before = FolderEntryCount();
    int child = StartChild("kernel-create-objects", {base, ready, file});
    ASSERT_TRUE(WaitForMarker(ready));
    win::HANDLE m2 = win::OpenMutexA(SYNCHRONIZE, FALSE, (base + ".m").c_str());
    std::vector<win::posix::KernelObjectInfo> list;
    ASSERT_TRUE(win::posix::ListKernelObjects(list));
    const auto* mi = Find(list, base + ".m");
    const auto* si = Find(list, base + ".s");
    ASSERT_TRUE(mi != nullptr && si != nullptr && Find(list, base + ".f") != nullptr);
    EXPECT_EQ(mi->holders, 2) << "two processes";
    EXPECT_EQ(mi->ownerPid, child);
    EXPECT_EQ(si->kind, "mapping");
    EXPECT_EQ(si->size, 100U);
    EXPECT_EQ(si->backing, "paging file");
    EXPECT_EQ(Find(list, base + ".f")->backing, HostPath(file.c_str()));
    std::string out;
    ASSERT_EQ(RunCommand(ToolCommand("objects"), out), 0) << out;
    EXPECT_NE(out.find(base + ".m"), std::string::npos) << out;
    EXPECT_NE(out.find(" " + std::to_string(child) + "/"), std::string::npos) << "the owner";
    win::CloseHandle(m2);
    KillChild(child);

    ASSERT_TRUE(win::posix::ListKernelObjects(list));
    ASSERT_NE(Find(list, base + ".m"), nullptr);
    EXPECT_TRUE(Find(list, base + ".m")->stale);
    EXPECT_EQ(Find(list, base + ".m")->holders, 0);
    EXPECT_TRUE(FileExists(HostPath(file.c_str())));
    // Three objects and the backing file with its record (the marker died with the child too).
    EXPECT_EQ(win::posix::CollectKernelObjects(), 6);
    EXPECT_EQ(FolderEntryCount(), before);
    EXPECT_FALSE(FileExists(HostPath(file.c_str())));
    file = MakeScratchFolder("tool") + "/not-a-folder";
    WriteFile(file, "x");
    EXPECT_EQ(RunCommand("HALCYON_KERNEL_DIR='" + file + "' " + ToolCommand("objects"), out), 1);
    EXPECT_NE(out.find("cannot read the folder"), std::string::npos) << out;
}

TEST(KernelNamespace, AStaleNameCountsAsAbsentAndADamagedLiveOneIsRefused) {
    std::string name = UniqueName("m");
    std::string path = win::posix::KernelDirectory() + "/" + name;
    // No holder: what a process that died while creating it leaves.
    win::HANDLE first = win::CreateMutexA(nullptr, FALSE, UniqueName("folder").c_str());
    WriteFile(path, "half made");
    EXPECT_EQ(ErrorOf(win::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(path));
    // With a holder that is no object of ours, the name is refused but left alone.
    WriteFile(path, std::string(8192, 'x'));
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(fd, LOCK_SH), 0);
    EXPECT_EQ(ErrorOf(win::CreateMutexA(nullptr, FALSE, name.c_str())), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FileExists(path));
    close(fd);
    unlink(path.c_str());
    win::CloseHandle(first);
}

TEST(KernelNamespace, FailingSystemCallsLeaveNothingBehind) {
    using win::posix::Sys;
    struct Case {
        const char* what;
        std::function<void()> inject;
        win::DWORD error;
    };
    const Case cases[] = {
        {"no memory for the pages",
         [] { Sys().fallocate = [](int, int, off_t, off_t) { return errno = ENOSPC, -1; }; },
         ERROR_NOT_ENOUGH_MEMORY},
        {"no locks", [] { Sys().flock = [](int, int) { return errno = ENOLCK, -1; }; },
         ERROR_INVALID_FUNCTION},
    };
    std::size_t before = FolderEntryCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = UniqueName("s");
        {
            SysCallsGuard guard;
            c.inject();
            win::SetLastError(0);
            EXPECT_EQ(win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100,
                                              name.c_str()),
                      nullptr);
            EXPECT_EQ(win::GetLastError(), c.error);
            EXPECT_EQ(win::CreateMutexA(nullptr, FALSE, name.c_str()), nullptr);
        }
        EXPECT_EQ(FolderEntryCount(), before);
        win::HANDLE h = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                100, name.c_str());
        EXPECT_NE(h, nullptr) << "works again with the real calls";
        win::CloseHandle(h);
    }
}

}  // namespace
}  // namespace halcyon::test

#else
#include <gtest/gtest.h>

TEST(KernelNamespace, IsTheLinuxStandIns) {
    GTEST_SKIP() << "the namespace folder (HALCYON_KERNEL_DIR) is the Linux stand-in's";
}
#endif
