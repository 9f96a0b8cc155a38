// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/FindFiles.h"

#include "Platform/common/Mbcs.h"
#include "Platform/common/NeverDestroyed.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/Wildcards.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace win {
namespace {

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::mutex g_lock;
halcyon::NeverDestroyed<std::set<Search*>> g_searches;  // the live search handles

FILETIME ToFileTime(const timespec& when) {
    // 100-nanosecond intervals since 1 January 1601.
    auto ticks = (static_cast<unsigned long long>(when.tv_sec) + 11644473600ULL) * 10000000ULL +
                 static_cast<unsigned long long>(when.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool Describe(int folder, const char* name, WIN32_FIND_DATAA& data) {
    struct stat info;
    if (fstatat(folder, name, &info, 0) != 0) return false;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes =
        S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & S_IWUSR) == 0) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    auto size = static_cast<unsigned long long>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
    data.nFileSizeLow = static_cast<DWORD>(size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftCreationTime = data.ftLastWriteTime;
    std::strncpy(data.cFileName, name, MAX_PATH - 1);
    return true;
}

bool IsDots(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// The order NTFS lists a folder in: "." and ".." first, then the names as their upper case sorts.
bool ListedBefore(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    bool aDots = IsDots(a.cFileName);
    if (aDots != IsDots(b.cFileName)) return aDots;
    for (const char *x = a.cFileName, *y = b.cFileName;; ++x, ++y) {
        auto fx = static_cast<unsigned char>(*x >= 'a' && *x <= 'z' ? *x - 'a' + 'A' : *x);
        auto fy = static_cast<unsigned char>(*y >= 'a' && *y <= 'z' ? *y - 'a' + 'A' : *y);
        if (fx != fy || fx == 0) return fx < fy;
    }
}

// The entries of host folder `folder` whose names match `pattern`, in NTFS's order; a drive's
// root has no "." or "..".
bool ReadMatches(const std::string& folder, const std::string& pattern, Search& search) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    bool root = posix::IsDriveRoot(folder);
    while (dirent* entry = readdir(dir)) {
        if (std::strlen(entry->d_name) >= MAX_PATH || (root && IsDots(entry->d_name))) continue;
        WIN32_FIND_DATAA data;
        if (posix::MatchesWildcards(pattern, entry->d_name) && Describe(fd, entry->d_name, data)) {
            search.entries.push_back(data);
        }
    }
    closedir(dir);
    std::sort(search.entries.begin(), search.entries.end(), ListedBefore);
    return true;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Why a search's folder cannot be read: a file in its place, or no folder there.
DWORD FolderError(const std::string& host) {
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
    return ERROR_PATH_NOT_FOUND;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (lpFileName == nullptr || lpFindFileData == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (lpFileName[0] == '\0') return Fail(ERROR_PATH_NOT_FOUND);
    // The last separator that is a character of its own: a Big5 trail byte may be '\'.
    std::string name = lpFileName;
    int cut = std::max(halcyon::mbcs::ReverseFindChar(name.data(), name.size(), '\\'),
                       halcyon::mbcs::ReverseFindChar(name.data(), name.size(), '/'));
    std::string folder = cut < 0 ? "." : name.substr(0, static_cast<size_t>(cut) + 1);
    std::string pattern = cut < 0 ? name : name.substr(static_cast<size_t>(cut) + 1);
    if (pattern.empty()) return Fail(ERROR_FILE_NOT_FOUND);
    std::string host;
    DWORD error = 0;
    if (!posix::ToHostPath(folder.c_str(), host, error)) return Fail(error);
    auto* search = new Search;
    if (!ReadMatches(host, pattern, *search)) {
        delete search;
        return Fail(FolderError(host));
    }
    if (search->entries.empty()) {
        delete search;
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    *lpFindFileData = search->entries[search->next++];
    std::lock_guard<std::mutex> hold(g_lock);
    g_searches->insert(search);
    return search;
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto* search = static_cast<Search*>(hFindFile);
    if (g_searches->count(search) == 0 || lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto* search = static_cast<Search*>(hFindFile);
    if (g_searches->erase(search) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete search;
    return TRUE;
}

}  // namespace win
