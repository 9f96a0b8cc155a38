// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/Files.h"

#include "Platform/common/Mbcs.h"
#include "Platform/common/NeverDestroyed.h"
#include "Platform/posix/base/CodePage.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/ShareModes.h"
#include "Platform/posix/files/UserLinks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace win {
namespace posix {
namespace {

constexpr int kDriveCount = 26;

// The Linux folder behind each drive letter; empty when the drive is not mapped.
struct DriveMap {
    std::string folder[kDriveCount];
};

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

const DriveMap& Drives() {
    static halcyon::NeverDestroyed<DriveMap> map([] {
        DriveMap m;
        m.folder['Z' - 'A'] = "/";
        for (int i = 0; i < kDriveCount; ++i) {
            std::string name = "HALCYON_DRIVE_";
            name += static_cast<char>('A' + i);
            const char* value = std::getenv(name.c_str());
            if (value != nullptr && value[0] == '/') m.folder[i] = WithoutTrailingSlash(value);
        }
        return m;
    }());
    return *map;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(const char* path) {
    return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

int DriveIndex(char letter) { return std::toupper(static_cast<unsigned char>(letter)) - 'A'; }

std::string CurrentDirectory() {
    std::vector<char> buf(4096);
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return "/";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

// The drive whose folder holds `hostPath` most deeply, or -1.
int DriveOfHostPath(const std::string& hostPath, size_t& folderLength) {
    int best = -1;
    folderLength = 0;
    for (int i = 0; i < kDriveCount; ++i) {
        const std::string& folder = Drives().folder[i];
        if (folder.empty()) continue;
        bool inside =
            folder == "/" || (hostPath.compare(0, folder.size(), folder) == 0 &&
                              (hostPath.size() == folder.size() || hostPath[folder.size()] == '/'));
        size_t length = folder == "/" ? 0 : folder.size();
        if (inside && (best < 0 || length > folderLength)) {
            best = i;
            folderLength = length;
        }
    }
    return best;
}

bool IsInvalidNameChar(char c) {
    return c == '*' || c == '?' || c == '<' || c == '>' || c == '"' || c == '|';
}

// Splits `rest` into components; false when one holds a character Windows refuses.
bool SplitComponents(const char* rest, std::vector<std::string>& out) {
    std::string current;
    for (const char* p = rest;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            if (current != "." && current != "..") {
                // Windows drops trailing dots and blanks of a name.
                while (!current.empty() && (current.back() == '.' || current.back() == ' '))
                    current.pop_back();
            }
            if (!current.empty()) out.push_back(current);
            current.clear();
            if (*p == '\0') return true;
            continue;
        }
        if (IsInvalidNameChar(*p)) return false;
        current += *p;
        // The trail byte of a double-byte character may be a backslash or "|": it belongs to
        // the character, not to the path's syntax.
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') current += *++p;
    }
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool EqualNoCase(const char* a, const std::string& b) {
    size_t i = 0;
    for (; a[i] != '\0' && i < b.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return a[i] == '\0' && i == b.size();
}

// The name in folder `dir` that matches `name` without regard to ASCII case, or "".
std::string FindNoCase(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return {};
    std::string found;
    while (struct dirent* entry = readdir(d)) {
        if (EqualNoCase(entry->d_name, name)) {
            found = entry->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// The path of `components` below `path` as they are spelled, when it exists and holds no "." or
// "..": then every folder on the way exists as spelled too, and one lstat answers for all.
bool ExistsAsSpelled(std::string path, const std::vector<std::string>& components,
                     std::string& spelled) {
    for (const std::string& name : components) {
        if (name == "." || name == "..") return false;
        path = Join(path, name);
    }
    // A link at the end may be a user link (UserLinks.h), which the walk below follows.
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
    spelled = std::move(path);
    return true;
}

// Walks `components` down from `root`, never above `floor` (the drive's folder).
std::string Resolve(std::string path, const std::string& floor,
                    const std::vector<std::string>& components) {
    std::string spelled;
    if (ExistsAsSpelled(path, components, spelled)) return spelled;
    bool missing = false;  // once a component is missing, the rest cannot exist either
    for (const std::string& name : components) {
        if (name == ".") continue;
        if (name == "..") {
            if (path.size() > floor.size()) {
                path.erase(path.find_last_of('/'));
                if (path.empty()) path = "/";
            }
            missing = !Exists(path);
            continue;
        }
        std::string exact = Join(path, name);
        if (!missing && !Exists(exact)) {
            std::string other = FindNoCase(path, name);
            if (!other.empty()) {
                path = Join(path, other);
                FollowUserLink(path, path);
                continue;
            }
            missing = true;
        }
        path = exact;
        if (!missing) FollowUserLink(path, path);
    }
    return path;
}

}  // namespace

bool ToHostPath(const char* path, std::string& hostPath, DWORD& error) {
    error = ERROR_PATH_NOT_FOUND;
    if (path == nullptr || path[0] == '\0') return false;

    std::string base;
    std::string floor;
    const char* rest = path;
    if (HasDriveLetter(path)) {
        const std::string& folder = Drives().folder[DriveIndex(path[0])];
        if (folder.empty()) return false;
        base = floor = folder;
        rest = path + 2;
    } else if (IsSeparator(path[0])) {
        if (IsSeparator(path[1])) return false;  // UNC names have no Linux counterpart
        std::string cwd = CurrentDirectory();
        size_t folderLength = 0;
        int drive = DriveOfHostPath(cwd, folderLength);
        base = floor = drive < 0 ? std::string("/") : Drives().folder[drive];
    } else {
        std::string cwd = CurrentDirectory();
        size_t folderLength = 0;
        int drive = DriveOfHostPath(cwd, folderLength);
        floor = drive < 0 ? std::string("/") : Drives().folder[drive];
        base = cwd;
    }

    std::vector<std::string> components;
    if (!SplitComponents(rest, components)) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    hostPath = Resolve(base, floor, components);
    error = ERROR_SUCCESS;
    return true;
}

std::string ToWindowsPath(const std::string& hostPath) {
    size_t folderLength = 0;
    int drive = DriveOfHostPath(hostPath, folderLength);
    std::string result;
    result += static_cast<char>('A' + (drive < 0 ? 'Z' - 'A' : drive));
    result += ':';
    std::string rest = hostPath.substr(folderLength);
    if (rest.empty() || rest[0] != '/') rest.insert(rest.begin(), '/');
    for (char& c : rest) {
        if (c == '/') c = '\\';
    }
    return result + rest;
}

bool EndsInSeparator(const char* path) {
    std::size_t length = path != nullptr ? std::strlen(path) : 0;
    if (length == 0 || !IsSeparator(path[length - 1])) return false;
    return halcyon::mbcs::ReverseFindChar(path, length, path[length - 1]) ==
           static_cast<int>(length) - 1;
}

bool IsDriveRoot(const std::string& hostPath) {
    std::string folder = WithoutTrailingSlash(hostPath);
    for (const std::string& root : Drives().folder) {
        if (!root.empty() && root == folder) return true;
    }
    return false;
}

bool IsCurrentFolder(const std::string& hostPath) {
    struct stat path;
    struct stat current;
    return stat(hostPath.c_str(), &path) == 0 && stat(".", &current) == 0 &&
           path.st_dev == current.st_dev && path.st_ino == current.st_ino;
}

DeleteClaim::DeleteClaim(const std::string& hostPath) {
    // A link is removed as itself, unchecked.
    fd_ = Sys().open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0);
    granted_ = fd_ < 0 || ClaimShareAccess(fd_, FILE_SHARE_DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE |
                                               FILE_SHARE_DELETE) == ERROR_SUCCESS;
}

DeleteClaim::~DeleteClaim() {
    if (fd_ >= 0) Sys().close(fd_);
}

DWORD MissingPathError(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
    struct stat st;
    bool parentIsFolder = stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return parentIsFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD PathError(int err, const std::string& hostPath) {
    return err == ENOENT ? MissingPathError(hostPath) : ErrorFromErrno(err);
}

bool HostPathOrFail(const char* path, std::string& hostPath) {
    DWORD error;
    if (ToHostPath(path, hostPath, error)) return true;
    SetLastError(error);
    return false;
}

namespace {

// Removes `hostPath` with `remove` (rmdir or unlink) while a DeleteClaim on it is granted: else
// ERROR_SHARING_VIOLATION, and the error of a removal that fails.
template <typename Remove>
BOOL RemoveClaimed(const std::string& hostPath, Remove remove) {
    DeleteClaim claim(hostPath);
    if (!claim.Granted()) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (remove(hostPath.c_str()) == 0) return TRUE;
    SetLastError(PathError(errno, hostPath));
    return FALSE;
}

}  // namespace

}  // namespace posix

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule != nullptr || lpFilename == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) {
        posix::Fail(errno);
        return 0;
    }
    std::string name = posix::ToWindowsPath(std::string(buf.data(), static_cast<size_t>(n)));
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() >= nSize) {
        // Too small: n-1 characters and a terminator, the result is nSize (Windows Vista on).
        std::memcpy(lpFilename, name.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, name.c_str(), name.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(name.size());
}

BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    std::string host;
    if (!posix::HostPathOrFail(lpPathName, host)) return FALSE;
    if (posix::Sys().mkdir(host.c_str(), 0777) == 0) return TRUE;
    int err = errno;
    SetLastError(err == ENOENT ? ERROR_PATH_NOT_FOUND : posix::ErrorFromErrno(err));
    return FALSE;
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    std::string host;
    if (!posix::HostPathOrFail(lpPathName, host)) return FALSE;
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    // The process keeps its current folder open, not sharing its deletion.
    if (posix::IsCurrentFolder(host)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return posix::RemoveClaimed(host, [](const char* path) { return rmdir(path); });
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    std::string host;
    if (!posix::HostPathOrFail(lpFileName, host)) return FALSE;
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return posix::RemoveClaimed(host, [](const char* path) { return posix::Sys().unlink(path); });
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    std::string host;
    if (!posix::HostPathOrFail(lpFileName, host)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(posix::PathError(errno, host));
        return INVALID_FILE_ATTRIBUTES;
    }
    // A name that ends in a separator must be a folder.
    if (!S_ISDIR(st.st_mode) && posix::EndsInSeparator(lpFileName)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (access(host.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string name = posix::ToWindowsPath(posix::CurrentDirectory());
    if (lpBuffer == nullptr || name.size() >= nBufferLength) {
        return static_cast<DWORD>(name.size() + 1);  // the size needed, terminator included
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}

}  // namespace win
