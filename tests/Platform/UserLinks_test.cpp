// SPDX-License-Identifier: Apache-2.0
// A link whose target starts with a variable (the Debian package's TEMP) leads each user to a
// folder of their own: the runtime folder when it is private, else the cache folder.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"
#include "support/OtherUser.h"

#include <sys/stat.h>
#include <unistd.h>

namespace halcyon::test {
namespace {

TEST(UserLinks, TheTempLinkLeadsToTheUsersOwnFolder) {
    const std::string dir = MakeScratchFolder("user-links"), run = dir + "/run";
    const std::string cache = dir + "/cache", open = dir + "/open";
    ASSERT_EQ(mkdir(run.c_str(), 0700) | mkdir(open.c_str(), 0755), 0);
    ASSERT_EQ(symlink("$XDG_RUNTIME_DIR/halcyon-temp", (dir + "/TEMP").c_str()), 0);
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before != nullptr ? before : "";
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    const std::pair<const char*, std::string> cases[] = {// XDG_RUNTIME_DIR, where TEMP leads
                                                         {run.c_str(), run},
                                                         {open.c_str(), cache} /* not private */,
                                                         {nullptr, cache}};
    for (const auto& [runtime, lands] : cases) {
        runtime != nullptr ? setenv("XDG_RUNTIME_DIR", runtime, 1) : unsetenv("XDG_RUNTIME_DIR");
        char name[MAX_PATH] = {};  // "temp": found without regard to case
        ASSERT_NE(win::GetTempFileNameA((WindowsPath(dir) + "\\temp").c_str(), "u", 0, name), 0U);
        std::string file = std::string(name).substr(std::string(name).rfind('\\') + 1);
        EXPECT_TRUE(FileExists(lands + "/halcyon-temp/" + file)) << lands;
        struct stat st;
        EXPECT_EQ(stat((lands + "/halcyon-temp").c_str(), &st) == 0 ? st.st_mode & 0777 : 0, 0700U);
        EXPECT_TRUE(win::DeleteFileA(name));
    }
    !saved.empty() ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_CACHE_HOME");
}

// Child: as the other user, with root's HOME as `setpriv` leaves it and no runtime folder, makes a
// temporary file through link args[0]; exits 0 when it landed in folder args[1], 1 when the call
// failed, 2 when it landed elsewhere.
int TempAsOtherUser(const std::vector<std::string>& args) {
    if (!BecomeOtherUser()) return 10;
    setenv("HOME", "/root", 1);
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_CACHE_HOME");
    char name[MAX_PATH] = {};
    if (win::GetTempFileNameA((WindowsPath(args.at(0))).c_str(), "u", 0, name) == 0) return 1;
    std::string file = std::string(name).substr(std::string(name).rfind('\\') + 1);
    return FileExists(args.at(1) + "/" + file) && win::DeleteFileA(name) ? 0 : 2;
}
const ChildRole kTempAsOtherUser("user-links-other", TempAsOtherUser);

// A user whose HOME is not theirs and whose home folder cannot be made (a system account) still
// gets a folder of their own, /tmp/halcyon-<uid>; one that somebody else made first is refused.
TEST(UserLinks, AUserWithoutAHomeGetsAFolderOfTheirOwn) {
    if (!CanBeOtherUser()) GTEST_SKIP() << "another user's process needs root to start";
    MeetingFolder meet(0755);
    ASSERT_FALSE(meet.path.empty());
    ASSERT_EQ(symlink("$XDG_RUNTIME_DIR/halcyon-temp", (meet.path + "/TEMP").c_str()), 0);
    const std::string last = "/tmp/halcyon-" + std::to_string(kOtherUser);
    std::filesystem::remove_all(last);
    const std::pair<bool, int> cases[] = {{false, 0}, {true, 1}};  // planted first, exit status
    for (const auto& [planted, status] : cases) {
        std::filesystem::remove_all(last);
        if (planted) {
            ASSERT_EQ(mkdir(last.c_str(), 0777) | chmod(last.c_str(), 0777), 0);
        }
        int child = StartChild("user-links-other", {meet.path + "/TEMP", last + "/halcyon-temp"});
        EXPECT_EQ(WaitChild(child), status) << (planted ? "planted" : "fresh");
    }
    std::filesystem::remove_all(last);
}

}  // namespace
}  // namespace halcyon::test
#endif
