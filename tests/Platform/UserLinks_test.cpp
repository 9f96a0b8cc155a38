// SPDX-License-Identifier: Apache-2.0
// A link whose target starts with a variable (the Debian package's TEMP) leads each user to a
// folder of their own: the runtime folder when it is private, else the cache folder.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"

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

}  // namespace
}  // namespace halcyon::test
#endif
