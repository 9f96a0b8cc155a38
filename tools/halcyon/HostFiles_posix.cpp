// SPDX-License-Identifier: Apache-2.0
#include "HostFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace halcyon::tool {

int WriteAccessError(const std::string& hostPath) {
    if (access(hostPath.c_str(), F_OK) != 0) return 0;
    return access(hostPath.c_str(), W_OK) == 0 ? 0 : errno;
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool IsTerminal(int stream) { return isatty(stream) != 0; }

}  // namespace halcyon::tool
