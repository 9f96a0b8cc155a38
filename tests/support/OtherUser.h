// SPDX-License-Identifier: Apache-2.0
// Another local user, for tests of what one user can do to another's data (Linux, run as root as
// CI does): a child process becomes that user, and a folder outside the test root (which is closed
// to others) is where the two meet.
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

constexpr uid_t kOtherUser = 65534;  // nobody: no file of the test's is theirs

inline bool CanBeOtherUser() { return geteuid() == 0; }

// As `setpriv --reuid=N --regid=N --clear-groups`, for good.
inline bool BecomeOtherUser() {
    return setgroups(0, nullptr) == 0 && setresgid(kOtherUser, kOtherUser, kOtherUser) == 0 &&
           setresuid(kOtherUser, kOtherUser, kOtherUser) == 0;
}

// A new folder below TEST_TMPDIR or /tmp with `mode` (01777: as /var/tmp), removed with its files.
struct MeetingFolder {
    explicit MeetingFolder(mode_t mode) {
        const char* tmp = std::getenv("TEST_TMPDIR");
        path = std::string(tmp != nullptr ? tmp : "/tmp") + "/halcyon-meet.XXXXXX";
        if (mkdtemp(&path[0]) == nullptr || chmod(path.c_str(), mode) != 0) path.clear();
    }
    ~MeetingFolder() { std::filesystem::remove_all(path, error); }
    std::string path;  // empty when it could not be made
    std::error_code error;
};

}  // namespace halcyon::test
#endif
