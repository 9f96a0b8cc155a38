// SPDX-License-Identifier: Apache-2.0
// Where the user's data lands: files of the user's own (0600) in a TEMP of the user's own, under
// names that nobody can use up; a TEMP that another user owns or may write is refused.
#include "Ipc/IpcTestSupport.h"
#include "support/OtherUser.h"
#include "support/TestProcess.h"

#include <NimbusLog/LogRegistry.h>
#include <Platform/Host.h>

#if HALCYON_STAND_IN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace halcyon::test {
namespace {

class PrivateTemp : public IpcTest {};

unsigned ModeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFF;
}

TEST_F(PrivateTemp, FilesTheLibraryMakesAreTheUsersAlone) {
    ASSERT_GE(s_MapFile_CreateQue("Private", 1), 0);
    const std::string temp = RootHostPath() + "/TEMP";
    std::vector<std::string> made;
    for (const std::string& name : FolderEntries(temp))
        if (name.compare(0, 3, "TMP") == 0) made.push_back(temp + "/" + name);
    EXPECT_EQ(made.size(), 2U) << "the registry's and the queue's backing files";
    EXPECT_EQ(ModeOf(temp) & 077, 0U) << "TEMP holds data: closed to others";

    const std::string dir = MakeScratchFolder("private-files"), win = WindowsPath(dir);
    char name[MAX_PATH] = {};
    ASSERT_NE(win::GetTempFileNameA(win.c_str(), "hc", 0, name), 0U);
    ASSERT_EQ(ErrorOf(win::CreateFileA((win + "\\new.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, 0, nullptr)),
              0U);
    std::fclose(win::fopen((win + "\\stream.txt").c_str(), "w"));
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "K", "v", (win + "\\new.ini").c_str()));
    for (const std::string& file : FolderEntries(dir)) made.push_back(dir + "/" + file);
    EXPECT_GE(made.size(), 6U) << "a temporary file, new.dat, stream.txt and new.ini made here";
    ASSERT_TRUE(s_NimbusLogGetSystemLogObj("privacy")->Write(1, 2, "a", "b"));
    const std::string logs = RootHostPath() + "/LOG/privacy/system";
    made.push_back(logs + "/" + FolderEntries(logs).at(0));
    for (const std::string& path : made) EXPECT_EQ(ModeOf(path), 0600U) << path;
}

// Names that all exist (a folder full of planted ones) make a queue's creation give up after a
// few tries rather than try every number.
TEST_F(PrivateTemp, NamesThatAllExistEndTheTriesSoon) {
    static int tries;
    tries = 0;
    {
        SysCallsGuard guard;
        win::posix::Sys().linkat = [](int fromFd, const char* from, int toFd, const char* to,
                                      int flags) {
            if (toFd != AT_FDCWD || std::strstr(to, "/TEMP/TMP") == nullptr)
                return win::posix::RealSysCalls().linkat(fromFd, from, toFd, to, flags);
            ++tries;
            errno = EEXIST;
            return -1;
        };
        EXPECT_EQ(s_MapFile_CreateQue("Crowded", 1), -1);
    }
    EXPECT_GE(tries, 1);
    EXPECT_LE(tries, 64);
    // A queue made and deleted takes the registry down as a process's last queue does.
    EXPECT_EQ(s_MapFile_CloseQue(s_MapFile_CreateQue("Crowded", 1), true), 1);
}

// Child: with kernel-object folder args[0], hosts a queue from the installation it runs in;
// exits 0 when the queue was made.
int HostQueue(const std::vector<std::string>& args) {
    setenv("HALCYON_KERNEL_DIR", args.at(0).c_str(), 1);
    s_MapFile_Initialize(true);
    return s_MapFile_CreateQue("Q", 1) >= 0 ? 0 : 1;
}
const ChildRole kHostQueue("private-temp-host", HostQueue);

// An installation whose TEMP another user owns, or anyone may write (a link to a folder like
// /var/tmp), makes no queue; one whose TEMP is the user's own does, and closes it to others.
TEST(PrivateTempProcesses, ATempOthersOwnOrMayWriteIsRefused) {
    if (!CanBeOtherUser()) GTEST_SKIP() << "a folder of another user's needs root to make";
    MeetingFolder meet(0755);
    ASSERT_FALSE(meet.path.empty());
    const std::string shared = meet.path + "/shared", theirs = meet.path + "/theirs";
    ASSERT_EQ(mkdir(shared.c_str(), 0), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(chown(theirs.c_str(), kOtherUser, kOtherUser), 0);
    const struct {
        const char* link;  // TEMP is a link to it; null: a folder of the user's, mode 0755
        int exit;
    } cases[] = {{"shared", 1}, {"theirs", 1}, {nullptr, 0}};
    int n = 0;
    for (const auto& c : cases) {
        std::string root = meet.path + "/root" + std::to_string(n++);
        ASSERT_TRUE(MakeFolder(root + "/BIN"));
        std::string exe = PlaceProgram(os::SelfPath(), root + "/BIN");
        ASSERT_FALSE(exe.empty());
        if (c.link != nullptr) {
            ASSERT_EQ(symlink((meet.path + "/" + c.link).c_str(), (root + "/TEMP").c_str()), 0);
        } else {
            ASSERT_EQ(mkdir((root + "/TEMP").c_str(), 0755), 0);
        }
        ASSERT_EQ(mkdir((root + "/kernel").c_str(), 0700), 0);
        std::string out;
        EXPECT_EQ(RunCommand(
                      "\"" + exe + "\" --halcyon-child=private-temp-host " + root + "/kernel", out),
                  c.exit)
            << (c.link ? c.link : "own") << ": " << out;
        if (c.link == nullptr) {
            EXPECT_EQ(ModeOf(root + "/TEMP"), 0700U);
        }
    }
}

}  // namespace
}  // namespace halcyon::test
#endif
