// SPDX-License-Identifier: Apache-2.0
// An INI file: its text, read line by line as Windows' private-profile functions read it, the
// edits that WritePrivateProfileString makes to it, and the file on disk, read whole and replaced
// whole.
//
// A line ends at CR LF, LF or CR (a missing final line end is fine); blanks (space, tab) around a
// line do not count. A line is
//   - blank:     nothing but blanks;
//   - a comment: ';' first;
//   - a header:  '[' first and a ']' later; the section name is the text up to the LAST ']',
//                trimmed (text after it is ignored); "[S" without ']' is no header;
//   - an entry:  any other line holding '='; the key is the text before the first '=', the value
//                the text after it, both trimmed of blanks, inner blanks kept;
//   - text:      any other line (kept as it stands, but no key).
// A section runs from its header to the next header. Lines before the first header belong to no
// section and are never found. Only the first of several sections (or keys in one section) of the
// same name is found. Names match without regard to the case of ASCII letters; the bytes of a
// double-byte character of the active code page are compared as they are and never taken for ']'.
// A comment holding '=' is found by an exact lookup of its key (";K"), but is no key of the lists.
//
// IniText views bytes it does not own; they must outlive it. It is immutable and may be shared
// between threads. The edits return new text and leave every byte outside the edited lines as it
// was.
#pragma once

#include "Platform/posix/base/WinTypes.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace win::posix {

struct IniLine {
    enum class Kind { kBlank, kComment, kSection, kEntry, kText };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    Kind kind = Kind::kBlank;
    size_t begin = 0;        // offset of the line's first byte
    size_t end = 0;          // offset just past its content (where its line end starts)
    size_t next = 0;         // offset of the following line (past the line end)
    size_t equals = kNone;   // offset of the first '=' (entries, and comments holding one)
    std::string_view name;   // header: section name; entry or comment with '=': key
    std::string_view value;  // entry or comment with '=': value; text: the trimmed line
};

// A section found by name: its header line and where its body ends (the next header, or the end).
struct IniSection {
    IniLine header;
    size_t bodyEnd = 0;
};

class IniText {
  public:
    explicit IniText(std::string_view text) : text_(text) {}

    std::string_view Text() const { return text_; }

    // The line that starts at `offset` (which must be < Text().size()).
    IniLine LineAt(size_t offset) const;

    // Calls `visit(const IniLine&)` for each line starting in [from, to); stops early when it
    // returns false.
    template <typename Visit>
    void ForEachLine(size_t from, size_t to, Visit visit) const {
        for (size_t offset = from; offset < to;) {
            IniLine line = LineAt(offset);
            if (!visit(line)) return;
            offset = line.next;
        }
    }

    // The first section named `name` (trimmed before the search); false when there is none.
    bool FindSection(std::string_view name, IniSection& section) const;

    // The first entry (or comment holding '=') of `section` whose key is `key` (trimmed).
    bool FindKey(const IniSection& section, std::string_view key, IniLine& line) const;

    // The line end that lines added to this text get: the text's first line end, else CR LF.
    std::string_view LineEnd() const;

  private:
    std::string_view text_;
};

// `text` without its leading and trailing blanks (spaces and tabs).
std::string_view IniTrim(std::string_view text);

// True when section or key names `a` and `b` are the same without regard to ASCII case.
bool IniNamesEqual(std::string_view a, std::string_view b);

// The text after setting key `key` of section `section` to `value`. An existing key keeps its
// line up to and including the '=' (its spelling and layout) and gets the new value in place of
// the old one; a missing key becomes the line "key=value" after the last entry or text line of the
// section; a missing section is appended at the end as "[section]" and "key=value". Names are
// written trimmed, the value as given. Added lines end with LineEnd(); a last line without a line
// end gets one before anything is added after it.
std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// The text without the line of key `key` of section `section` (unchanged when it is missing).
std::string IniDeleteKey(std::string_view text, std::string_view section, std::string_view key);

// The text without section `section`: its header and every line up to the next header.
std::string IniDeleteSection(std::string_view text, std::string_view section);

// Reads INI file `hostPath` (a Linux path) whole into `text`. False with a Windows error when it
// cannot be read: ERROR_FILE_NOT_FOUND, or ERROR_PATH_NOT_FOUND when its folder is missing too;
// ERROR_ACCESS_DENIED for a folder, pipe or device, which are never read (no call waits on a pipe);
// ERROR_SHARING_VIOLATION while a handle holds the file without sharing reading or writing.
bool ReadIniFile(const std::string& hostPath, std::string& text, DWORD& error);

// Replaces the text of INI file `hostPath` by `edit(old text)`. A missing file counts as empty
// and is created even when the edit leaves it empty; an existing file whose text does not change
// is not rewritten. A symbolic link is followed: the file it leads to is replaced, the link stays.
//
// Writers of one folder, in any thread or process of the user, take turns under a lock of the
// user's lock file in the folder (".halcyon-ini.<uid>.lock", 0600, checked on its descriptor),
// held from the read to the replacement, so no update is lost; the lock is waited for 10 seconds
// at most, then the update fails with ERROR_SHARING_VIOLATION. (Writers of different users take no
// turns: each replacement is whole, but one user's update may undo another's made meanwhile.) The
// new text is written beside the file (`hostPath` + ".halcyon-new", made anew with O_EXCL, so a
// pipe or link put there is never opened) with the old file's permission bits, or 0600 for a new
// file, flushed to disk and renamed over the file: a reader or a crash at any moment finds the old
// file or the new one, whole. On failure the old file is left as it was and the result is false
// with a Windows error (ERROR_PATH_NOT_FOUND for a missing folder, ERROR_DISK_FULL,
// ERROR_ACCESS_DENIED for a read-only file (no owner write bit) or one the user may not write, for
// a lock file that is a link or not the user's own, ERROR_SHARING_VIOLATION while a handle holds
// the file without sharing reading or writing, …).
bool UpdateIniFile(const std::string& hostPath,
                   const std::function<std::string(std::string_view)>& edit, DWORD& error);

}  // namespace win::posix
