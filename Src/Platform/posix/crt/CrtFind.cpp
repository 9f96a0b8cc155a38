// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/crt/CrtFind.h"

#include "Platform/common/NeverDestroyed.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/FindFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace win {
namespace {

// The host path of `path`, or false with errno set as the runtime sets it.
bool HostPathOf(const char* path, std::string& host) {
    if (path == nullptr) {
        errno = EINVAL;
        return false;
    }
    DWORD error;
    if (posix::ToHostPath(path, host, error)) return true;
    errno = error == ERROR_INVALID_NAME ? EINVAL : ENOENT;
    return false;
}

// The runtime's listing is Windows' search (FindFirstFileA), its entries in the runtime's form.
struct Listing {
    HANDLE search = INVALID_HANDLE_VALUE;
};

struct Searches {
    std::mutex lock;
    std::map<std::intptr_t, Listing> open;
    std::intptr_t lastHandle = 0;
};

Searches& AllSearches() {
    static halcyon::NeverDestroyed<Searches> searches;
    return *searches;
}

// Seconds since 1970 of a FILETIME (100-nanosecond intervals since 1601).
time64_t SecondsOf(const FILETIME& time) {
    auto ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<time64_t>(ticks / 10000000ULL) - 11644473600LL;
}

void ToEntry(const WIN32_FIND_DATAA& data, _finddata64i32_t& entry) {
    std::memset(&entry, 0, sizeof entry);
    entry.attrib = data.dwFileAttributes & (_A_RDONLY | _A_HIDDEN | _A_SUBDIR | _A_ARCH);
    entry.time_create = SecondsOf(data.ftCreationTime);
    entry.time_access = SecondsOf(data.ftLastAccessTime);
    entry.time_write = SecondsOf(data.ftLastWriteTime);
    entry.size = data.nFileSizeLow;
    std::memcpy(entry.name, data.cFileName, sizeof entry.name);
}

// errno for a search that found nothing, as the runtime maps Windows' errors.
int ErrnoOfSearch(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_NO_MORE_FILES:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        default:
            return EINVAL;
    }
}

}  // namespace

int _mkdir(const char* dirname) {
    std::string host;
    if (!HostPathOf(dirname, host)) return -1;
    return posix::Sys().mkdir(host.c_str(), 0777) == 0 ? 0 : -1;
}

int remove(const char* path) {
    std::string host;
    if (!HostPathOf(path, host)) return -1;
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EACCES;
        return -1;
    }
    // As DeleteFileA: a file open without sharing deletion stays.
    posix::DeleteClaim claim(host);
    if (!claim.Granted()) {
        errno = EACCES;
        return -1;
    }
    if (posix::Sys().unlink(host.c_str()) == 0) return 0;
    if (errno == EPERM) errno = EACCES;
    return -1;
}

std::intptr_t _findfirst64i32(const char* filespec, _finddata64i32_t* fileinfo) {
    if (filespec == nullptr || fileinfo == nullptr) {
        errno = EINVAL;
        return -1;
    }
    WIN32_FIND_DATAA data;
    Listing listing;
    listing.search = FindFirstFileA(filespec, &data);
    if (listing.search == INVALID_HANDLE_VALUE) {
        errno = ErrnoOfSearch(GetLastError());
        return -1;
    }
    ToEntry(data, *fileinfo);
    Searches& searches = AllSearches();
    std::lock_guard<std::mutex> hold(searches.lock);
    std::intptr_t handle = ++searches.lastHandle;
    searches.open.emplace(handle, listing);
    return handle;
}

int _findnext64i32(std::intptr_t handle, _finddata64i32_t* fileinfo) {
    Searches& searches = AllSearches();
    std::lock_guard<std::mutex> hold(searches.lock);
    auto it = searches.open.find(handle);
    if (it == searches.open.end() || fileinfo == nullptr) {
        errno = EINVAL;
        return -1;
    }
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(it->second.search, &data)) {
        errno = ErrnoOfSearch(GetLastError());
        return -1;
    }
    ToEntry(data, *fileinfo);
    return 0;
}

int _findclose(std::intptr_t handle) {
    Searches& searches = AllSearches();
    std::lock_guard<std::mutex> hold(searches.lock);
    auto it = searches.open.find(handle);
    if (it == searches.open.end()) {
        errno = EINVAL;
        return -1;
    }
    FindClose(it->second.search);
    searches.open.erase(it);
    return 0;
}

}  // namespace win
