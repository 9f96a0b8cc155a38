// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/profile/IniFile.h"

#include "Platform/common/Mbcs.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/PrivateFiles.h"
#include "Platform/posix/files/ShareModes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <thread>

namespace win::posix {

// ---- The text ----------------------------------------------------------------------------

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Bytes [from, from + count) of `text`, a range the caller knows to lie inside it. Every read
// walks the lines of the whole file several times, and substr's range check, which the compiler
// kept out of line, took a sixth of that time.
std::string_view Part(std::string_view text, size_t from, size_t count) {
    return std::string_view(text.data() + from, count);
}

// Offset of the first CR or LF at or after `from`, or the text's size.
size_t FindLineEnd(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') return i;
    }
    return text.size();
}

// Where the line after a line ending at `end` starts: past CR LF, LF or CR.
size_t PastLineEnd(std::string_view text, size_t end) {
    if (end >= text.size()) return end;
    bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    return end + (crlf ? 2 : 1);
}

// True when the line [begin, end) of `text` starts with "[" after its blanks: only such a line
// can be a header.
bool MayBeHeader(std::string_view text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) ++begin;
    return begin < end && text[begin] == '[';
}

// Splits an entry (or a comment) at its first '=': the key and value, both trimmed. No trail byte
// of the supported double-byte code pages lies below 0x40, so a plain search finds the '=' exactly.
void SplitAtEquals(std::string_view content, size_t contentOffset, IniLine& line) {
    size_t equals = content.find('=');
    if (equals == std::string_view::npos) return;
    line.equals = contentOffset + equals;
    line.name = IniTrim(Part(content, 0, equals));
    line.value = IniTrim(Part(content, equals + 1, content.size() - equals - 1));
}

void Classify(std::string_view content, size_t contentOffset, IniLine& line) {
    using Kind = IniLine::Kind;
    if (content.empty()) {
        line.kind = Kind::kBlank;
        return;
    }
    if (content[0] == ';') {
        line.kind = Kind::kComment;
        SplitAtEquals(content, contentOffset, line);
        return;
    }
    if (content[0] == '[') {
        // The last ']' that is a character of its own, never the trail byte of a DBCS character.
        int close = halcyon::mbcs::ReverseFindChar(content.data(), content.size(), ']');
        if (close > 0) {
            line.kind = Kind::kSection;
            line.name = IniTrim(Part(content, 1, static_cast<size_t>(close) - 1));
            return;
        }
    }
    SplitAtEquals(content, contentOffset, line);
    line.kind = line.equals != IniLine::kNone ? Kind::kEntry : Kind::kText;
    if (line.kind == Kind::kText) line.value = content;
}

std::string Splice(std::string_view text, size_t from, size_t to, std::string_view insert) {
    std::string out;
    out.reserve(text.size() - (to - from) + insert.size());
    out.append(text.substr(0, from));
    out.append(insert);
    out.append(text.substr(to));
    return out;
}

bool EndsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// Where a new key of `section` goes: after its last entry or text line, else after its header.
// `needsLineEnd` tells that this line is the text's last and has no line end of its own.
size_t InsertionPoint(const IniText& ini, const IniSection& section, bool& needsLineEnd) {
    IniLine last = section.header;
    ini.ForEachLine(section.header.next, section.bodyEnd, [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kEntry || line.kind == IniLine::Kind::kText) last = line;
        return true;
    });
    needsLineEnd = last.next == last.end;
    return last.next;
}

}  // namespace

std::string_view IniTrim(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && IsBlank(text[end - 1])) --end;
    return Part(text, begin, end - begin);
}

bool IniNamesEqual(std::string_view a, std::string_view b) {
    // Windows keeps names as C strings: a stray NUL ends one.
    a = a.substr(0, a.find('\0'));
    b = b.substr(0, b.find('\0'));
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (halcyon::mbcs::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            // A double-byte character matches only itself: its trail byte may look like a letter.
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

IniLine IniText::LineAt(size_t offset) const {
    IniLine line;
    line.begin = offset;
    line.end = FindLineEnd(text_, offset);
    line.next = PastLineEnd(text_, line.end);
    std::string_view raw = Part(text_, offset, line.end - offset);
    std::string_view content = IniTrim(raw);
    Classify(content, offset + static_cast<size_t>(content.data() - raw.data()), line);
    return line;
}

// Every read and edit starts here, so the lines that cannot be headers are stepped over without
// being read as entries.
bool IniText::FindSection(std::string_view name, IniSection& section) const {
    name = IniTrim(name);
    bool found = false;
    for (size_t offset = 0; offset < text_.size();) {
        size_t end = FindLineEnd(text_, offset);
        if (!MayBeHeader(text_, offset, end)) {
            offset = PastLineEnd(text_, end);
            continue;
        }
        IniLine line = LineAt(offset);
        offset = line.next;
        if (line.kind != IniLine::Kind::kSection) continue;
        if (found) {
            section.bodyEnd = line.begin;
            return true;
        }
        if (IniNamesEqual(line.name, name)) {
            found = true;
            section.header = line;
            section.bodyEnd = text_.size();
        }
    }
    return found;
}

bool IniText::FindKey(const IniSection& section, std::string_view key, IniLine& line) const {
    key = IniTrim(key);
    bool found = false;
    ForEachLine(section.header.next, section.bodyEnd, [&](const IniLine& candidate) {
        if (candidate.equals == IniLine::kNone || !IniNamesEqual(candidate.name, key)) return true;
        line = candidate;
        found = true;
        return false;
    });
    return found;
}

std::string_view IniText::LineEnd() const {
    size_t end = FindLineEnd(text_, 0);
    if (end == text_.size()) return "\r\n";
    if (text_[end] == '\n') return "\n";
    return text_.compare(end, 2, "\r\n") == 0 ? "\r\n" : "\r";
}

std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    IniText ini(text);
    std::string_view lineEnd = ini.LineEnd();
    section = IniTrim(section);
    key = IniTrim(key);

    std::string entry;
    entry.reserve(key.size() + value.size() + 1 + 2 * lineEnd.size());
    IniSection found;
    if (!ini.FindSection(section, found)) {
        entry.append(text.empty() || EndsWithLineEnd(text) ? "" : lineEnd);
        entry.append("[").append(section).append("]").append(lineEnd);
        entry.append(key).append("=").append(value).append(lineEnd);
        return Splice(text, text.size(), text.size(), entry);
    }
    IniLine line;
    if (ini.FindKey(found, key, line)) return Splice(text, line.equals + 1, line.end, value);

    bool needsLineEnd = false;
    size_t at = InsertionPoint(ini, found, needsLineEnd);
    if (needsLineEnd) entry.append(lineEnd);
    entry.append(key).append("=").append(value).append(lineEnd);
    return Splice(text, at, at, entry);
}

std::string IniDeleteKey(std::string_view text, std::string_view section, std::string_view key) {
    IniText ini(text);
    IniSection found;
    IniLine line;
    if (!ini.FindSection(section, found) || !ini.FindKey(found, key, line))
        return std::string(text);
    return Splice(text, line.begin, line.next, {});
}

std::string IniDeleteSection(std::string_view text, std::string_view section) {
    IniText ini(text);
    IniSection found;
    if (!ini.FindSection(section, found)) return std::string(text);
    return Splice(text, found.header.begin, found.bodyEnd, {});
}

// ---- The file on disk ----------------------------------------------------------------------

namespace {

// The new text of a file is written to this name beside it, then renamed over it.
constexpr char kNewFileSuffix[] = ".halcyon-new";

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a symbolic link leads to, so that a write replaces the file and keeps the link.
std::string RealTarget(const std::string& host) {
    char* real = realpath(host.c_str(), nullptr);
    if (real == nullptr) return host;
    std::string target = real;
    std::free(real);
    return target;
}

bool ReadAll(int fd, std::string& text, size_t expected) {
    // One spare byte: once the file's size is in, a read that does not fill the buffer has met
    // its end, which saves a second read. A file that grows meanwhile is read to its end.
    text.resize(expected + 1);
    size_t used = 0;
    for (;;) {
        if (used == text.size()) text.resize(text.size() * 2);
        size_t want = text.size() - used;
        ssize_t n = Sys().read(fd, &text[used], want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        used += static_cast<size_t>(n);
        if (n == 0 || (used >= expected && static_cast<size_t>(n) < want)) break;
    }
    text.resize(used);
    return true;
}

// Reads file `host` whole into `text` (and its status into `info`); false with a Windows error when
// it cannot be read. Only regular files are read: a folder, pipe or device gives access denied.
// The read is an open with `access` (FILE_SHARE_READ, and FILE_SHARE_WRITE for an update) that
// shares reading and writing, as Windows opens a profile: a handle that denies either keeps the
// file from it (ERROR_SHARING_VIOLATION).
bool ReadWhole(const std::string& host, DWORD access, std::string& text, struct stat& info,
               DWORD& error) {
    int fd = Sys().open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        int err = errno;
        error = err == ENOENT ? MissingPathError(host) : ErrorFromErrno(err);
        return false;
    }
    bool ok = false;
    error = ERROR_ACCESS_DENIED;
    if (Sys().fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        (error = ClaimShareAccess(fd, access, FILE_SHARE_READ | FILE_SHARE_WRITE)) ==
            ERROR_SUCCESS) {
        error = ERROR_ACCESS_DENIED;
        try {
            ok = ReadAll(fd, text, static_cast<size_t>(info.st_size));
            if (!ok) error = ErrorFromErrno(errno);
        } catch (const std::exception&) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    Sys().close(fd);
    return ok;
}

bool SetError(DWORD& error, int err) {
    error = ErrorFromErrno(err);
    return false;
}

// The writers of a folder's profile files take turns under a lock of a lock file of the user's
// own in the folder: ".halcyon-ini.<uid>.lock", made 0600, never a link, checked on the
// descriptor (a regular file of the caller's that nobody else may open). (A lock on the INI file
// itself would not do: the file is replaced, and a writer waiting on the old one would then edit a
// file nobody reads. A lock on the folder would be anyone's to take who may read the folder.)
//
// The lock is an open file description lock on byte 0, which the kernel drops with the
// description, so a writer killed while holding it holds it no longer. It is waited for kLockWaitMs
// at most: a holder that never lets go (a stopped process) makes the write fail with
// ERROR_SHARING_VIOLATION, never hang. Waiting is polling, and polling alone would let a writer
// that writes without pause take the lock again and again while the others sleep; so a writer
// that has to wait marks byte 1, and a newcomer that finds it marked waits its turn among them.
constexpr int kLockWaitMs = 10000;
constexpr off_t kLockByte = 0;
constexpr off_t kWaitByte = 1;

int SetByteLock(int fd, short type, off_t at) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = 1;
    return Sys().fcntl(fd, F_OFD_SETLK, &lock);
}

bool OthersWait(int fd) {
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kWaitByte;
    probe.l_len = 1;
    return Sys().fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

class FolderLock {
  public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() {
        if (fd_ >= 0) Sys().close(fd_);  // drops the lock
    }

    bool Lock(const std::string& folder, DWORD& error) {
        std::string name = folder + "/.halcyon-ini." + std::to_string(geteuid()) + ".lock";
        fd_ = Sys().open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                         kNewFileMode);
        if (fd_ < 0) {
            int err = errno;
            error = err == ENOENT  ? ERROR_PATH_NOT_FOUND
                    : err == ELOOP ? ERROR_ACCESS_DENIED
                                   : ErrorFromErrno(err);
            return false;
        }
        if ((error = CheckPrivateFile(fd_)) != ERROR_SUCCESS) return false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
        for (bool waiting = false;; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            bool queue = !waiting && OthersWait(fd_);
            if (!queue && SetByteLock(fd_, F_WRLCK, kLockByte) == 0) {
                if (waiting) SetByteLock(fd_, F_UNLCK, kWaitByte);
                return true;
            }
            if (!queue && errno != EAGAIN && errno != EACCES) return SetError(error, errno);
            if (!waiting) {
                SetByteLock(fd_, F_RDLCK, kWaitByte);  // without it, only fairness is lost
                waiting = true;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                error = ERROR_SHARING_VIOLATION;
                return false;
            }
        }
    }

  private:
    int fd_ = -1;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = Sys().write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// False for a file its writer may not change, which Windows refuses with ERROR_ACCESS_DENIED
// rather than replace: a read-only one (no write permission for its owner, root included, as the
// read-only attribute binds administrators too), or one this user may not write (another user's
// in a folder open to all, which a rename would otherwise replace).
bool MayWrite(const std::string& path, const struct stat& info) {
    return (info.st_mode & S_IWUSR) != 0 && access(path.c_str(), W_OK) == 0;
}

// Replaces file `path` by one holding `bytes`, with the permissions of the old file (`old`, NULL
// for a new file): written beside it, flushed to disk and renamed over it, so that a reader or a
// crash at any moment finds the old file or the new one whole. On failure the old file is intact.
bool ReplaceFile(const std::string& path, std::string_view bytes, const struct stat* old,
                 DWORD& error) {
    // A name left by a writer that died is removed first; whatever sits there (a pipe someone
    // put there included) is never opened: the new file is made with O_EXCL.
    std::string temp = path + kNewFileSuffix;
    Sys().unlink(temp.c_str());
    int fd = Sys().open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        kNewFileMode);
    if (fd < 0) return SetError(error, errno);
    bool ok = (old == nullptr || Sys().fchmod(fd, old->st_mode & 07777) == 0) &&
              WriteAll(fd, bytes) && Sys().fsync(fd) == 0;
    int err = errno;
    if (Sys().close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && Sys().rename(temp.c_str(), path.c_str()) == 0) return true;
    if (ok) err = errno;
    Sys().unlink(temp.c_str());
    return SetError(error, err);
}

}  // namespace

bool ReadIniFile(const std::string& hostPath, std::string& text, DWORD& error) {
    struct stat info;
    return ReadWhole(hostPath, FILE_SHARE_READ, text, info, error);
}

bool UpdateIniFile(const std::string& hostPath,
                   const std::function<std::string(std::string_view)>& edit, DWORD& error) {
    std::string target = RealTarget(hostPath);
    FolderLock lock;
    if (!lock.Lock(FolderOf(target), error)) return false;

    std::string text;
    struct stat info;
    bool exists = ReadWhole(target, FILE_SHARE_READ | FILE_SHARE_WRITE, text, info, error);
    if (!exists && error != ERROR_FILE_NOT_FOUND) return false;
    if (!exists) text.clear();
    if (exists && !MayWrite(target, info)) return SetError(error, EACCES);
    std::string edited = edit(text);
    if (exists && edited == text) return true;
    return ReplaceFile(target, edited, exists ? &info : nullptr, error);
}

}  // namespace win::posix
