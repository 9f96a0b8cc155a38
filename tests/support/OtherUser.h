// Another local user, for the tests of what one user can do to another's data (Linux only, and
// only when the tests run as root, as CI does): a child process drops to that user's uid, and a
// folder outside the test's root (which is closed to others) is where the two meet.
#pragma once

#include "support/TestEnv.h"

#if HALCYON_STAND_IN
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace halcyon::test {

// The other user: "nobody", a uid no file of the test's belongs to.
constexpr uid_t kOtherUser = 65534;

inline bool CanBeOtherUser() { return geteuid() == 0; }

// Makes this process the other user for good, as `setpriv --reuid=N --regid=N --clear-groups`
// does; false when it cannot.
inline bool BecomeOtherUser() {
    return setgroups(0, nullptr) == 0 && setresgid(kOtherUser, kOtherUser, kOtherUser) == 0 &&
           setresuid(kOtherUser, kOtherUser, kOtherUser) == 0;
}

// A new folder that both users reach, below TEST_TMPDIR or /tmp, with `mode` (1777: anyone may
// add files, as in /var/tmp); removed with everything in it when the object goes.
struct MeetingFolder {
    explicit MeetingFolder(mode_t mode) {
        const char* tmp = std::getenv("TEST_TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/halcyon-meet.XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr && chmod(pattern.c_str(), mode) == 0) path = pattern;
    }
    ~MeetingFolder() {
        std::error_code error;
        if (!path.empty()) std::filesystem::remove_all(path, error);
    }
    MeetingFolder(const MeetingFolder&) = delete;
    MeetingFolder& operator=(const MeetingFolder&) = delete;

    std::string path;  // empty when it could not be made
};

}  // namespace halcyon::test

#endif
