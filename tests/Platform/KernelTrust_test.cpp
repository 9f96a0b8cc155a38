// SPDX-License-Identifier: Apache-2.0
// Who may use a namespace folder: a folder another user made or can write is refused, the
// default folder is a private one, and a folder serves one PID namespace.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"
#include "support/TestProcess.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace halcyon::test {
namespace {

constexpr uid_t kAttacker = 65534;  // nobody
const char kVictim[] = "65533";     // a user of its own for the default folder's case

// Child: becomes uid args[1] unless it is empty, uses namespace folder args[0] (empty: the
// default) and exits with the error of creating a mutex and a mapping (0: both made).
int UseFolder(const std::vector<std::string>& args) {
    if (!args.at(1).empty() && setuid(static_cast<uid_t>(std::stoul(args.at(1)))) != 0) return 90;
    if (args.at(0).empty()) {
        unsetenv("HALCYON_KERNEL_DIR");
        unsetenv("XDG_RUNTIME_DIR");
    } else {
        setenv("HALCYON_KERNEL_DIR", args.at(0).c_str(), 1);
    }
    win::DWORD mutex = ErrorOf(win::CreateMutexA(nullptr, FALSE, "planted.m"));
    win::DWORD mapping = ErrorOf(win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr,
                                                         PAGE_READWRITE, 0, 4096, "planted.s"));
    return mutex == mapping ? static_cast<int>(mutex) : 91;
}
const ChildRole kUseFolder("kernel-use-folder", UseFolder);

// A folder at `path` as another user might have left it: owned by `owner` with `mode`, holding a
// delete-on-close record that names `victimFile`.
void Plant(const std::string& path, uid_t owner, mode_t mode, const std::string& victimFile) {
    ASSERT_TRUE(MakeFolder(path));
    struct stat st;
    ASSERT_EQ(stat(victimFile.c_str(), &st), 0);
    char record[64];
    std::snprintf(record, sizeof record, "/.doc.%llx.%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    WriteFile(path + record, victimFile);
    ASSERT_EQ(chown(path.c_str(), owner, owner), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

TEST(KernelTrust, AFolderAnotherUserCouldHaveMadeIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "planting a folder for another user needs root";
    std::string base = MakeScratchFolder("planted");
    std::string victimFile = base + "/precious";
    std::string defaultFolder = std::string("/dev/shm/halcyon-") + kVictim;
    os::RemoveTree(defaultFolder);
    struct Case {
        const char* what;
        std::string folder;  // as the victim names it ("" the default)
        std::string planted;
        uid_t owner;
        mode_t mode;
        const char* victim;  // the uid of the user who uses it ("": root)
        win::DWORD error;
    };
    const Case cases[] = {
        {"another user's", base + "/theirs", base + "/theirs", kAttacker, 0700, "",
         ERROR_ACCESS_DENIED},
        {"group-writable own", base + "/group", base + "/group", 0, 0770, "", ERROR_ACCESS_DENIED},
        {"readable by others", base + "/other", base + "/other", 0, 0705, "", ERROR_ACCESS_DENIED},
        {"a link to theirs", base + "/link", base + "/target", kAttacker, 0777, "",
         ERROR_ACCESS_DENIED},
        {"default, planted", "", defaultFolder, kAttacker, 0777, kVictim, ERROR_ACCESS_DENIED},
        {"private own", base + "/mine", base + "/mine", 0, 0700, "", ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        WriteFile(victimFile, "keep me");
        Plant(c.planted, c.owner, c.mode, victimFile);
        if (c.folder != c.planted && !c.folder.empty()) {
            ASSERT_EQ(symlink(c.planted.c_str(), c.folder.c_str()), 0);
        }
        EXPECT_EQ(WaitChild(StartChild("kernel-use-folder", {c.folder, c.victim})),
                  static_cast<int>(c.error))
            << c.what;
        // The record planted with the folder counts only in a folder of the caller's own.
        EXPECT_EQ(FileExists(victimFile), c.error != ERROR_SUCCESS) << c.what;
        // A used folder notes its namespace; a refused one keeps only the record planted in it.
        std::vector<std::string> left = FolderEntries(c.planted);
        bool used = std::find(left.begin(), left.end(), ".pidns") != left.end();
        EXPECT_EQ(used, c.error == ERROR_SUCCESS) << c.what;
        if (!used) {
            EXPECT_EQ(left.size(), 1U) << c.what;
        }
    }
    os::RemoveTree(defaultFolder);
}

// A squatted folder costs the user every queue; the tool says which folder, whose it is and the
// way out.
TEST(KernelTrust, TheToolNamesASquattedFolderItsOwnerAndTheFix) {
    if (geteuid() != 0) GTEST_SKIP() << "planting a folder for another user needs root";
    std::string folder = MakeScratchFolder("squatted") + "/halcyon-0";
    Plant(folder, kAttacker, 0700, RootHostPath() + "/BIN");
    for (const char* command : {"queue host FEED", "queue list", "objects"}) {
        std::string out;
        EXPECT_EQ(RunCommand("HALCYON_KERNEL_DIR=" + folder + " " + ToolCommand(command), out), 1)
            << command;
        for (const std::string& part : {folder, std::string("(uid 65534)"),
                                        std::string("HALCYON_KERNEL_DIR"), std::string("rm -r")})
            EXPECT_NE(out.find(part), std::string::npos) << command << ": " << out;
    }
}

// Child: with XDG_RUNTIME_DIR args[0] and no HALCYON_KERNEL_DIR, exits 0 when the namespace
// folder it would use is args[1].
int HasDefaultFolder(const std::vector<std::string>& args) {
    unsetenv("HALCYON_KERNEL_DIR");
    setenv("XDG_RUNTIME_DIR", args.at(0).c_str(), 1);
    return win::posix::KernelDirectory() == args.at(1) ? 0 : 1;
}
const ChildRole kHasDefaultFolder("kernel-has-default-folder", HasDefaultFolder);

TEST(KernelTrust, TheDefaultFolderIsAPrivateRuntimeFolderOrTheUsersOwnInShm) {
    std::string base = MakeScratchFolder("runtime");
    std::string shm = "/dev/shm/halcyon-" + std::to_string(getuid());
    ASSERT_EQ(mkdir((base + "/private").c_str(), 0700) | mkdir((base + "/shared").c_str(), 0755),
              0);
    symlink((base + "/private").c_str(), (base + "/link").c_str());
    // XDG_RUNTIME_DIR, and the folder used.
    const std::pair<std::string, std::string> cases[] = {
        {base + "/private", base + "/private/halcyon"},
        {base + "/shared", shm},
        {base + "/link", shm},
        {"relative", shm},
    };
    for (const auto& [runtime, expected] : cases) {
        EXPECT_EQ(WaitChild(StartChild("kernel-has-default-folder", {runtime, expected})), 0)
            << runtime;
    }
}

// Child: in a PID namespace of its own (made with unshare), creates mutex args[0]; exits with
// the error (77: no new namespace could be made).
int CreateInOtherPidNamespace(const std::vector<std::string>& args) {
    if (unshare(CLONE_NEWPID) != 0) return 77;
    pid_t pid = fork();
    if (pid == 0)
        _exit(static_cast<int>(ErrorOf(win::CreateMutexA(nullptr, FALSE, args.at(0).c_str()))));
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 92;
    // _exit: a namespace whose first process has ended takes no new ones, as a leak check's
    // helper at the normal exit would be.
    _exit(WEXITSTATUS(status));
}
const ChildRole kOtherPidNamespace("kernel-other-pid-namespace", CreateInOtherPidNamespace);

TEST(KernelTrust, AFolderServesOnePidNamespace) {
    std::string name = UniqueName("m");
    win::HANDLE mine = win::CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(mine, nullptr);
    int status = WaitChild(StartChild("kernel-other-pid-namespace", {name}));
    if (status == 77) GTEST_SKIP() << "no PID namespace can be made here (needs root)";
    EXPECT_EQ(status, static_cast<int>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(WaitElsewhere(mine, 0), WAIT_TIMEOUT) << "the mutex is still this thread's";
    EXPECT_TRUE(win::ReleaseMutex(mine));
    win::CloseHandle(mine);
}

}  // namespace
}  // namespace halcyon::test

#else
#include <gtest/gtest.h>

TEST(KernelTrust, LinuxStandInOnly) { GTEST_SKIP() << "the namespace folder is the stand-in's"; }

#endif
