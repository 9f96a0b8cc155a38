// SPDX-License-Identifier: Apache-2.0
#include "LogTrouble.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace halcyon::tool {
namespace {

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : "uid " + std::to_string(uid);
}

// The deepest existing folder on the way to `path`.
std::string ExistingFolder(std::string path, struct stat& st) {
    while (!path.empty() && stat(path.c_str(), &st) != 0) {
        size_t slash = path.find_last_of('/');
        path = slash == 0 ? "/" : slash == std::string::npos ? "" : path.substr(0, slash);
    }
    return path;
}

}  // namespace

std::string FolderAdvice(const std::string& hostFolder, int err) {
    struct stat st;
    const std::string folder = ExistingFolder(hostFolder, st);
    if (folder.empty()) return "";
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return folder + " belongs to " + UserName(st.st_uid) + " and " + UserName(geteuid()) +
               " may not write there: run as " + UserName(st.st_uid) +
               ", or run a copy of the tool installed in a folder of "
               "your own";
    }
    if (err == EACCES || err == EBUSY) {
        return "another process writes this log's file today; the library lets one writer at "
               "a time have it";
    }
    if (err == ENOSPC) return "the file system is full";
    return "";
}

}  // namespace halcyon::tool
