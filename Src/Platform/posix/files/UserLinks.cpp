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

// A folder of the caller's that group and others cannot use, as fstat tells it; with `close`, a
// folder of the caller's that others may use is closed first.
bool IsOwnClosedFolder(const std::string& path, bool close) {
    int fd = Sys().open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return false;
    struct stat st;
    bool own = Sys().fstat(fd, &st) == 0 && st.st_uid == geteuid();
    bool closed = own && ((st.st_mode & 077) == 0 || (close && fchmod(fd, st.st_mode & 0700) == 0));
    Sys().close(fd);
    return closed;
}

// The home folder of the password database (HOME may still name the caller's before a setuid).
std::string PasswordHome() {
    std::vector<char> buf(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return found->pw_dir;
}

using Folders = std::vector<std::string>;

Folders HomeFolders() { return {AbsoluteVariable("HOME"), PasswordHome()}; }

Folders CacheFolders() {
    Folders folders{AbsoluteVariable("XDG_CACHE_HOME")};
    for (const std::string& home : HomeFolders()) {
        if (!home.empty()) folders.push_back(home + "/.cache");
    }
    return folders;
}

Folders RuntimeFolders() {
    Folders folders{AbsoluteVariable("XDG_RUNTIME_DIR")};
    if (!IsOwnClosedFolder(folders[0], false)) folders[0].clear();  // not ours to close
    Folders cache = CacheFolders();
    folders.insert(folders.end(), cache.begin(), cache.end());
    return folders;
}

struct Variable {
    const char* name;
    Folders (*folders)();
};

const Variable kVariables[] = {
    {"$XDG_RUNTIME_DIR", RuntimeFolders},
    {"$XDG_CACHE_HOME", CacheFolders},
    {"$HOME", HomeFolders},
};

// The last resort of a user without a home of their own (a system account): a folder named after
// the user in /tmp, used only while it is the user's and closed to others.
std::string LastResort() { return "/tmp/halcyon-" + std::to_string(geteuid()); }

// mkdir -p of `path`, mode 0700 for what it makes; true when it ends in a folder of the caller's
// closed to others.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (Sys().mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    return IsOwnClosedFolder(path, true);
}

// The first of `bases` below which `rest` is, or can be made, a folder of the caller's; else the
// same below the last resort, which must itself be the caller's (/tmp is everybody's).
std::string FirstUsable(const Folders& bases, const std::string& rest) {
    for (const std::string& base : bases) {
        if (!base.empty() && MakeFolders(base + rest)) return base + rest;
    }
    const std::string last = LastResort();
    return MakeFolders(last) && MakeFolders(last + rest) ? last + rest : std::string();
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
        folder = FirstUsable(variable.folders(), rest);
        if (folder.empty()) return false;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return true;
    }
    return false;
}

}  // namespace win::posix
