// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/UserLinks.h"

#include "Platform/posix/base/SysCalls.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace win::posix {
namespace {

// An absolute path from environment variable `name`, or "".
std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = AbsoluteVariable("HOME");
    if (!home.empty()) return home;
    std::vector<char> buf(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buf.data(), buf.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return found->pw_dir;
}

std::string CacheFolder() {
    std::string cache = AbsoluteVariable("XDG_CACHE_HOME");
    if (!cache.empty()) return cache;
    std::string home = HomeFolder();
    return home.empty() ? home : home + "/.cache";
}

// A folder of the caller's that group and others cannot use, as fstat tells it.
bool IsOwnClosedFolder(const std::string& path) {
    int fd = Sys().open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return false;
    struct stat st;
    bool closed = Sys().fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
    Sys().close(fd);
    return closed;
}

std::string RuntimeFolder() {
    std::string runtime = AbsoluteVariable("XDG_RUNTIME_DIR");
    return !runtime.empty() && IsOwnClosedFolder(runtime) ? runtime : CacheFolder();
}

struct Variable {
    const char* name;
    std::string (*folder)();
};

const Variable kVariables[] = {
    {"$XDG_RUNTIME_DIR", RuntimeFolder},
    {"$XDG_CACHE_HOME", CacheFolder},
    {"$HOME", HomeFolder},
};

// mkdir -p of `path`, mode 0700 for what it makes; true when it is a folder afterwards.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (Sys().mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool FollowUserLink(const std::string& path, std::string& folder) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
    char target[4096];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 1 || target[0] != '$') return false;
    std::string text(target, static_cast<std::size_t>(n));
    for (const Variable& variable : kVariables) {
        std::string name = variable.name;
        if (text.compare(0, name.size(), name) != 0) continue;
        std::string rest = text.substr(name.size());
        if (!rest.empty() && rest[0] != '/') continue;  // "$HOMEX" is no "$HOME"
        std::string base = variable.folder();
        if (base.empty() || !MakeFolders(base + rest)) return false;
        folder = base + rest;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return true;
    }
    return false;
}

}  // namespace win::posix
