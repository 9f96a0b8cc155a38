// A link whose target starts with a variable (the Debian package's TEMP) leads each user to a
// folder of their own: the runtime folder when it is private, else the cache folder.
#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include "Platform/KernelTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace halcyon::test {
namespace {

// Sets (or with null, unsets) an environment variable until the scope ends.
struct Variable {
    Variable(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Variable() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    const char* name_;
    bool had_;
    std::string old_;
};

TEST(UserLinks, TheTempLinkLeadsToTheUsersOwnFolder) {
    const std::string dir = MakeScratchFolder("user-links"), run = dir + "/run";
    const std::string cache = dir + "/cache", open = dir + "/open";
    ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
    ASSERT_EQ(symlink("$XDG_RUNTIME_DIR/halcyon-temp", (dir + "/TEMP").c_str()), 0);
    Variable cacheHome("XDG_CACHE_HOME", cache.c_str());
    const struct {
        const char* runtime;  // XDG_RUNTIME_DIR
        std::string lands;    // where TEMP leads
    } cases[] = {
        {run.c_str(), run + "/halcyon-temp"},
        {open.c_str(), cache + "/halcyon-temp"},  // not private: the cache folder instead
        {nullptr, cache + "/halcyon-temp"},
    };
    const std::string temp = WindowsPath(dir) + "\\temp";  // found without regard to case
    for (const auto& c : cases) {
        Variable runtime("XDG_RUNTIME_DIR", c.runtime);
        char name[MAX_PATH] = {};
        ASSERT_NE(win::GetTempFileNameA(temp.c_str(), "u", 0, name), 0U) << c.lands;
        std::string file = std::string(name).substr(std::string(name).rfind('\\') + 1);
        EXPECT_TRUE(FileExists(c.lands + "/" + file)) << c.lands;
        struct stat st;
        ASSERT_EQ(stat(c.lands.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700U) << c.lands;
        EXPECT_TRUE(win::DeleteFileA(name));
    }
}

}  // namespace
}  // namespace halcyon::test
#endif
