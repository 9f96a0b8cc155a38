// SPDX-License-Identifier: Apache-2.0
#include "BridgeSecrets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace halcyon::tool {
namespace {

// Opens `path` and checks it through the descriptor: -1 with `error` when it is not private.
int OpenPrivate(const std::string& path, std::string& error) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot open '" + path + "': " +
                (errno == ELOOP ? std::string("it is a symbolic link; name the file itself")
                                : std::string(std::strerror(errno)));
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "'" + path + "' is not a regular file";
    } else if (info.st_uid != geteuid()) {
        error = "'" + path + "' belongs to another user; keep secrets in a file of your own";
    } else if ((info.st_mode & 077) != 0) {
        error = "'" + path + "' can be read or changed by other users: chmod 600 '" + path + "'";
    } else {
        return fd;
    }
    close(fd);
    return -1;
}

}  // namespace

bool PrivateFile(const std::string& path, std::string& error) {
    int fd = OpenPrivate(path, error);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool ReadSecret(const std::string& path, std::string& secret, std::string& error) {
    int fd = OpenPrivate(path, error);
    if (fd < 0) return false;
    std::string text;
    char buffer[4096];
    ssize_t n;
    while (text.size() < 65536 && (n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            close(fd);
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    secret = text.substr(0, text.find('\n'));
    if (!secret.empty() && secret.back() == '\r') secret.pop_back();
    if (secret.empty()) error = "the first line of '" + path + "' is empty";
    return !secret.empty();
}

}  // namespace halcyon::tool
