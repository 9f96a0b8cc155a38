// GetTempFileNameA: "<path>\<prefix, 3 chars at most><number in hex>.tmp".
#include "Platform/common/Mbcs.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/time/Time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace win {
namespace {

constexpr std::size_t kMaxFolderLength = MAX_PATH - 14;  // room for "\PPPXXXX.tmp" and the NUL
constexpr UINT kNumbers = 0xFFFF;

std::string NameFor(const std::string& stem, UINT number) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%X.tmp", number & 0xFFFFU);
    return stem + tail;
}

bool IsFolder(const char* path) {
    std::string host;
    DWORD error;
    struct stat st;
    return posix::ToHostPath(path, host, error) && stat(host.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

// Creates `name` if it does not exist yet: ERROR_SUCCESS, ERROR_FILE_EXISTS, or another error.
DWORD CreateNew(const std::string& name) {
    std::string host;
    DWORD error;
    if (!posix::ToHostPath(name.c_str(), host, error)) return error;
    int fd = posix::Sys().open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    if (!IsFolder(lpPathName)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    UINT number = FirstNumber();
    for (UINT tried = 0; tried < kNumbers; ++tried, number = number == kNumbers ? 1 : number + 1) {
        std::string name = NameFor(stem, number);
        DWORD error = CreateNew(name);
        if (error == ERROR_FILE_EXISTS) continue;
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return 0;
        }
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return number;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

}  // namespace win
