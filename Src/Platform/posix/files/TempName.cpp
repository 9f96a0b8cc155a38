// SPDX-License-Identifier: Apache-2.0
// GetTempFileNameA: "<path>\<prefix, 3 chars at most><number in hex>.tmp".
//
// With a number of 0 it tries numbers until a name is new, as Windows does; the folder is read
// once, so that a folder full of such names, planted or not, answers at once. The file is made
// the user's own (kNewFileMode), with O_EXCL and without following a link in its place.
#include "Platform/common/Mbcs.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/PrivateFiles.h"
#include "Platform/posix/time/Time.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

namespace win {
namespace {

constexpr std::size_t kMaxFolderLength = MAX_PATH - 14;  // room for "\PPPXXXX.tmp" and the NUL
constexpr UINT kNumbers = 0xFFFF;

std::string Folded(std::string name) {
    halcyon::mbcs::ToLower(&name[0], name.size());
    return name;
}

std::string NameFor(const std::string& stem, UINT number) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%X.tmp", number & 0xFFFFU);
    return stem + tail;
}

// The names in host folder `dir`, folded to lower case (the names a new one must differ from, as
// Windows compares them), or false when the folder cannot be read.
bool NamesInFolder(const std::string& dir, std::unordered_set<std::string>& names) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return false;
    while (struct dirent* entry = readdir(d)) names.insert(Folded(entry->d_name));
    closedir(d);
    return true;
}

// Creates `name` in folder `dirFd` if no entry has that name: ERROR_SUCCESS, ERROR_FILE_EXISTS,
// or another error. A link in its place counts as an entry and is never followed.
DWORD CreateNew(int dirFd, const std::string& name) {
    int fd = posix::Sys().openat(dirFd, name.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                 posix::kNewFileMode);
    if (fd < 0) return errno == EEXIST ? ERROR_FILE_EXISTS : posix::ErrorFromErrno(errno);
    posix::Sys().close(fd);
    return ERROR_SUCCESS;
}

// The first number to try: from the clock, as Windows does, and the process, so that processes
// started in the same millisecond do not all race for one name.
UINT FirstNumber() {
    UINT start = (GetTickCount() + static_cast<UINT>(getpid()) * 7919U) & kNumbers;
    return start == 0 ? 1 : start;
}

// True when the path's last character is a separator of its own: a path that ends in a character
// whose trail byte is '\' (Big5 "\xA5\x5C") still needs one.
bool EndsInSeparator(const std::string& path) {
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) return false;
    int last = halcyon::mbcs::ReverseFindChar(path.data(), path.size(), path.back());
    return last == static_cast<int>(path.size()) - 1;
}

}  // namespace

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                      LPSTR lpTempFileName) {
    if (lpPathName == nullptr || lpTempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (std::strlen(lpPathName) > kMaxFolderLength) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    std::string stem = lpPathName;
    if (!EndsInSeparator(stem)) stem += '\\';
    if (lpPrefixString != nullptr) stem.append(lpPrefixString, strnlen(lpPrefixString, 3));

    if (uUnique != 0) {  // the caller's number: no file, no check
        std::string name = NameFor(stem, uUnique);
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return uUnique;
    }
    // The folder is read once, so that a folder full of names costs one pass, not one per try.
    // (A prefix holding a separator names a folder below the path: the name goes there.)
    size_t slash = stem.find_last_of("\\/");
    std::string prefix = stem.substr(slash + 1);
    std::string host;
    DWORD error;
    int dirFd = -1;
    std::unordered_set<std::string> taken;
    if (posix::ToHostPath(stem.substr(0, slash + 1).c_str(), host, error)) {
        dirFd = posix::Sys().open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    }
    if (dirFd < 0 || !NamesInFolder(host, taken)) {
        if (dirFd >= 0) posix::Sys().close(dirFd);
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    UINT number = FirstNumber();
    for (UINT tried = 0; tried < kNumbers; ++tried, number = number == kNumbers ? 1 : number + 1) {
        std::string tail = NameFor(prefix, number);
        if (taken.count(Folded(tail)) != 0) continue;
        error = CreateNew(dirFd, tail);
        if (error == ERROR_FILE_EXISTS) continue;
        posix::Sys().close(dirFd);
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return 0;
        }
        std::string name = stem.substr(0, stem.size() - prefix.size()) + tail;
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return number;
    }
    posix::Sys().close(dirFd);
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

}  // namespace win
