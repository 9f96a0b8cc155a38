#include "posix/Crt.h"

#include "posix/Files.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace win {
namespace {

constexpr char kCtrlZ = 0x1A;

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

// The host mode for Windows mode `mode`: r/w/a and '+' kept, always binary; `text` tells
// whether the caller asked for text mode (the default).
bool HostMode(const char* mode, std::string& hostMode, bool& text) {
    text = true;
    hostMode.clear();
    for (const char* p = mode; *p != '\0'; ++p) {
        switch (*p) {
            case 'r':
            case 'w':
            case 'a':
            case '+':
                hostMode += *p;
                break;
            case 'b':
                text = false;
                break;
            case 't':
                text = true;
                break;
            default:
                break;  // c, n, S, R, T, D, N and ccs= have no meaning here
        }
    }
    if (hostMode.empty() || std::strchr("rwa", hostMode[0]) == nullptr) return false;
    hostMode += 'b';
    return true;
}

}  // namespace

int fopen_s(std::FILE** pFile, const char* filename, const char* mode) {
    if (pFile == nullptr) return EINVAL;
    *pFile = nullptr;
    if (filename == nullptr || mode == nullptr) return EINVAL;
    std::string hostMode;
    bool text;
    if (!HostMode(mode, hostMode, text)) return EINVAL;
    std::string host;
    DWORD error;
    if (!posix::ToHostPath(filename, host, error))
        return error == ERROR_INVALID_NAME ? EINVAL : ENOENT;

    std::FILE* file = std::fopen(host.c_str(), hostMode.c_str());
    if (file == nullptr) return errno;
    if (!text) {
        *pFile = file;
        return 0;
    }
    cookie_io_functions_t io = {TextRead, TextWrite, TextSeek, TextClose};
    auto* stream = new TextStream{file, false};
    std::FILE* wrapped = fopencookie(stream, hostMode.c_str(), io);
    if (wrapped == nullptr) {
        int err = errno;
        std::fclose(file);
        delete stream;
        return err;
    }
    *pFile = wrapped;
    return 0;
}

std::FILE* fopen(const char* filename, const char* mode) {
    std::FILE* file = nullptr;
    int err = fopen_s(&file, filename, mode);
    if (err != 0) errno = err;
    return file;
}

}  // namespace win
