// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/crt/Crt.h"

#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/PrivateFiles.h"
#include "Platform/posix/files/ShareModes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace win {
namespace {

constexpr char kCtrlZ = 0x1A;
// fopen_s's sharing, Windows' _SH_SECURE: others may read a file opened to be read only, nothing
// else.
constexpr int kShareSecure = 0x80;

struct TextStream {
    std::FILE* file;
    bool sawEnd;  // Ctrl-Z met: the text ends there
};

ssize_t TextRead(void* cookie, char* buf, size_t size) {
    auto* s = static_cast<TextStream*>(cookie);
    size_t n = 0;
    while (n < size && !s->sawEnd) {
        int c = std::getc(s->file);
        if (c == EOF) break;
        if (c == kCtrlZ) {
            s->sawEnd = true;
            break;
        }
        if (c == '\r') {
            int next = std::getc(s->file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, s->file);
            }
        }
        buf[n++] = static_cast<char>(c);
    }
    return static_cast<ssize_t>(n);
}

ssize_t TextWrite(void* cookie, const char* buf, size_t size) {
    auto* s = static_cast<TextStream*>(cookie);
    std::string out;
    out.reserve(size + size / 16 + 2);
    for (size_t i = 0; i < size; ++i) {
        if (buf[i] == '\n') out += '\r';
        out += buf[i];
    }
    if (std::fwrite(out.data(), 1, out.size(), s->file) != out.size()) return -1;
    if (std::fflush(s->file) != 0) return -1;
    return static_cast<ssize_t>(size);
}

int TextSeek(void* cookie, off64_t* offset, int whence) {
    auto* s = static_cast<TextStream*>(cookie);
    if (fseeko(s->file, *offset, whence) != 0) return -1;
    s->sawEnd = false;
    *offset = ftello(s->file);
    return 0;
}

int TextClose(void* cookie) {
    auto* s = static_cast<TextStream*>(cookie);
    int rc = std::fclose(s->file);
    delete s;
    return rc;
}

// A Windows mode string taken apart: the host's open flags and stdio mode (always binary), whether
// the caller asked for text mode (the default) and whether an existing file is emptied.
struct OpenMode {
    int flags = 0;
    DWORD access = 0;  // FILE_SHARE_READ / FILE_SHARE_WRITE, as the share check compares it
    std::string hostMode;
    bool text = true;
    bool truncate = false;
};

bool ParseMode(const char* mode, OpenMode& parsed) {
    bool plus = false;
    for (const char* p = mode; *p != '\0'; ++p) {
        switch (*p) {
            case 'r':
            case 'w':
            case 'a':
            case '+':
                parsed.hostMode += *p;
                plus = plus || *p == '+';
                break;
            case 'b':
                parsed.text = false;
                break;
            case 't':
                parsed.text = true;
                break;
            default:
                break;  // c, n, S, R, T, D, N and ccs= have no meaning here
        }
    }
    if (parsed.hostMode.empty() || std::strchr("rwa", parsed.hostMode[0]) == nullptr) return false;
    char kind = parsed.hostMode[0];
    parsed.flags = O_CLOEXEC | (plus ? O_RDWR : kind == 'r' ? O_RDONLY : O_WRONLY);
    parsed.access = plus          ? FILE_SHARE_READ | FILE_SHARE_WRITE
                    : kind == 'r' ? FILE_SHARE_READ
                                  : FILE_SHARE_WRITE;
    if (kind != 'r') parsed.flags |= O_CREAT;
    if (kind == 'a') parsed.flags |= O_APPEND;
    parsed.truncate = kind == 'w';
    parsed.hostMode += 'b';
    return true;
}

// The share mode of share flag `shflag` for an open with `access`; false for an unknown flag.
bool ShareMode(int shflag, DWORD access, DWORD& share) {
    switch (shflag) {
        case _SH_DENYRW:
            share = 0;
            return true;
        case _SH_DENYWR:
            share = FILE_SHARE_READ;
            return true;
        case _SH_DENYRD:
            share = FILE_SHARE_WRITE;
            return true;
        case _SH_DENYNO:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            return true;
        case kShareSecure:
            share = access == FILE_SHARE_READ ? FILE_SHARE_READ : 0;
            return true;
        default:
            return false;
    }
}

// Opens host file `host` as `mode` says and checks it against the other opens of the file: the
// descriptor, or -1 with the errno value in `err`. A folder, a pipe or a socket is refused with
// EACCES, as Windows refuses a folder (a pipe's open never waits for its other end); so is an
// open that clashes with another one. Emptying a mapped file gives EINVAL, as the Windows runtime
// turns ERROR_USER_MAPPED_FILE into it. A new file is the user's own (kNewFileMode).
int OpenChecked(const std::string& host, const OpenMode& mode, DWORD share, int& err) {
    int fd = posix::OpenShareable(host.c_str(), mode.flags | O_NONBLOCK, posix::kNewFileMode);
    if (fd < 0) {
        err = errno == EISDIR || errno == ENXIO ? EACCES : errno;
        return -1;
    }
    struct stat st;
    err = 0;
    if (posix::Sys().fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) ||
        S_ISSOCK(st.st_mode)) {
        err = EACCES;
    } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        err = errno;
    } else if (posix::ClaimShareAccess(fd, mode.access, share) != ERROR_SUCCESS) {
        err = EACCES;
    } else if (mode.truncate && st.st_size != 0) {
        if (posix::IsMappedElsewhere(fd)) {
            err = EINVAL;
        } else if (posix::Sys().ftruncate(fd, 0) != 0) {
            err = errno;
        }
    }
    if (err == 0) return fd;
    posix::Sys().close(fd);
    return -1;
}

// Opens host file `host` as `mode` and `share` say: 0 with *pFile set, or the errno value.
int OpenStream(const std::string& host, const OpenMode& mode, DWORD share, std::FILE** pFile) {
    int err;
    int fd = OpenChecked(host, mode, share, err);
    if (fd < 0) return err;
    std::FILE* file = ::fdopen(fd, mode.hostMode.c_str());
    if (file == nullptr) {
        err = errno;
        posix::Sys().close(fd);
        return err;
    }
    if (!mode.text) {
        *pFile = file;
        return 0;
    }
    cookie_io_functions_t io = {TextRead, TextWrite, TextSeek, TextClose};
    auto* stream = new TextStream{file, false};
    std::FILE* wrapped = fopencookie(stream, mode.hostMode.c_str(), io);
    if (wrapped == nullptr) {
        err = errno;
        std::fclose(file);
        delete stream;
        return err;
    }
    *pFile = wrapped;
    return 0;
}

// The C runtime's open with share flag `shflag`: 0 with *pFile set, or the errno value.
int OpenShared(std::FILE** pFile, const char* filename, const char* mode, int shflag) {
    *pFile = nullptr;
    if (filename == nullptr || mode == nullptr) return EINVAL;
    OpenMode parsed;
    DWORD share;
    if (!ParseMode(mode, parsed) || !ShareMode(shflag, parsed.access, share)) return EINVAL;
    std::string host;
    DWORD error;
    if (!posix::ToHostPath(filename, host, error))
        return error == ERROR_INVALID_NAME ? EINVAL : ENOENT;
    return OpenStream(host, parsed, share, pFile);
}

}  // namespace

int fopen_s(std::FILE** pFile, const char* filename, const char* mode) {
    if (pFile == nullptr) return EINVAL;
    return OpenShared(pFile, filename, mode, kShareSecure);
}

std::FILE* _fsopen(const char* filename, const char* mode, int shflag) {
    std::FILE* file = nullptr;
    int err = OpenShared(&file, filename, mode, shflag);
    if (err != 0) errno = err;
    return file;
}

std::FILE* fopen(const char* filename, const char* mode) {
    return _fsopen(filename, mode, _SH_DENYNO);
}

}  // namespace win
