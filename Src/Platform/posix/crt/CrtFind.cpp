#include "Platform/posix/crt/CrtFind.h"

#include "Platform/common/Mbcs.h"
#include "Platform/common/NeverDestroyed.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

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

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Windows' wildcard match, letters in either case.
bool Matches(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern != '\0' && Fold(*pattern) == Fold(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// "name.*" also stands for "name": a name without a dot has an empty extension.
bool MatchesWindows(const std::string& pattern, const char* name) {
    if (Matches(pattern.c_str(), name)) return true;
    size_t n = pattern.size();
    bool dotStar = n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*';
    return dotStar && std::strchr(name, '.') == nullptr &&
           Matches(pattern.substr(0, n - 2).c_str(), name);
}

bool FillEntry(const std::string& folder, const char* name, _finddata64i32_t& entry) {
    size_t length = std::strlen(name);
    if (length >= sizeof entry.name) return false;
    struct stat st;
    if (lstat((folder + "/" + name).c_str(), &st) != 0) return false;
    std::memset(&entry, 0, sizeof entry);
    entry.attrib = S_ISDIR(st.st_mode) ? _A_SUBDIR : _A_ARCH;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        entry.attrib |= _A_HIDDEN;
    if ((st.st_mode & S_IWUSR) == 0) entry.attrib |= _A_RDONLY;
    entry.time_create = st.st_ctime;
    entry.time_access = st.st_atime;
    entry.time_write = st.st_mtime;
    entry.size = static_cast<std::uint32_t>(st.st_size);
    std::memcpy(entry.name, name, length + 1);
    return true;
}

struct Listing {
    std::vector<_finddata64i32_t> entries;
    size_t next = 0;
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

bool List(const std::string& folder, const std::string& pattern, Listing& listing) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (dirent* d = readdir(dir)) {
        _finddata64i32_t entry;
        if (MatchesWindows(pattern, d->d_name) && FillEntry(folder, d->d_name, entry))
            listing.entries.push_back(entry);
    }
    closedir(dir);
    return !listing.entries.empty();
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
    if (posix::Sys().unlink(host.c_str()) == 0) return 0;
    if (errno == EPERM) errno = EACCES;
    return -1;
}

std::intptr_t _findfirst64i32(const char* filespec, _finddata64i32_t* fileinfo) {
    if (filespec == nullptr || fileinfo == nullptr) {
        errno = EINVAL;
        return -1;
    }
    // The last separator that is a character of its own: a Big5 trail byte may be '\'.
    const size_t length = std::strlen(filespec);
    int cut = std::max(halcyon::mbcs::ReverseFindChar(filespec, length, '\\'),
                       halcyon::mbcs::ReverseFindChar(filespec, length, '/'));
    const char* slash = cut < 0 ? nullptr : filespec + cut;
    std::string folder = slash != nullptr ? std::string(filespec, slash + 1) : std::string(".");
    std::string pattern = slash != nullptr ? slash + 1 : filespec;
    std::string hostFolder;
    if (!HostPathOf(folder.c_str(), hostFolder)) return -1;
    Listing listing;
    if (pattern.empty() || !List(hostFolder, pattern, listing)) {
        errno = ENOENT;
        return -1;
    }
    *fileinfo = listing.entries[0];
    listing.next = 1;
    Searches& searches = AllSearches();
    std::lock_guard<std::mutex> hold(searches.lock);
    std::intptr_t handle = ++searches.lastHandle;
    searches.open.emplace(handle, std::move(listing));
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
    Listing& listing = it->second;
    if (listing.next >= listing.entries.size()) {
        errno = ENOENT;
        return -1;
    }
    *fileinfo = listing.entries[listing.next++];
    return 0;
}

int _findclose(std::intptr_t handle) {
    Searches& searches = AllSearches();
    std::lock_guard<std::mutex> hold(searches.lock);
    if (searches.open.erase(handle) == 0) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

}  // namespace win
