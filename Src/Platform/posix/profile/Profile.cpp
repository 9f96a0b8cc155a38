// SPDX-License-Identifier: Apache-2.0
// The private-profile functions over IniText and the INI file store: Windows' file names, buffer
// rules and error codes.
#include "Platform/posix/profile/Profile.h"

#include "Platform/common/Mbcs.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/profile/IniFile.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>

namespace win {
namespace {

using posix::IniLine;
using posix::IniSection;
using posix::IniText;

// Where a file name without a folder lives, and the file a NULL name means.
constexpr char kWindowsFolder[] = "C:\\windows\\";
constexpr char kDefaultProfile[] = "win.ini";

// ---- File names ----------------------------------------------------------------------------

bool HasFolder(const std::string& name) {
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        return true;
    // A trail byte of a double-byte character may be 0x5C; it is no backslash.
    return halcyon::mbcs::FindChar(name.data(), name.size(), '\\') >= 0 ||
           name.find('/') != std::string::npos;
}

// The Linux path of profile file `fileName`; false with a Windows error when it has none.
bool ProfilePath(LPCSTR fileName, std::string& host, DWORD& error) {
    std::string name = fileName != nullptr ? fileName : kDefaultProfile;
    if (name.empty()) {
        // "" names the Windows folder itself, which cannot be opened as a file.
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    if (!HasFolder(name)) name.insert(0, kWindowsFolder);
    return posix::ToHostPath(name.c_str(), host, error);
}

// ---- Reading -------------------------------------------------------------------------------

// A profile file as the reading functions see it: its bytes, or why there are none.
struct Profile {
    std::string text;
    bool found = false;
    DWORD error = ERROR_SUCCESS;
};

Profile LoadProfile(LPCSTR fileName) {
    Profile profile;
    std::string host;
    if (ProfilePath(fileName, host, profile.error))
        profile.found = posix::ReadIniFile(host, profile.text, profile.error);
    if (!profile.found) profile.text.clear();
    return profile;
}

// ---- Windows' buffer rules -----------------------------------------------------------------

// The caller's buffer of `size` bytes, filled with one string or with a list of strings.
class OutputBuffer {
  public:
    OutputBuffer(LPSTR buffer, DWORD size) : buffer_(buffer), size_(size) {}

    // At most size-1 bytes of `text` and a NUL; returns the bytes copied. Size 0 writes nothing.
    DWORD PutString(std::string_view text) {
        if (size_ == 0) return 0;
        size_t n = text.size() < size_ ? text.size() : size_ - 1;
        truncated_ = n < text.size();
        std::memcpy(buffer_, text.data(), n);
        buffer_[n] = '\0';
        return static_cast<DWORD>(n);
    }

    // Adds `part` to the current list item; EndItem ends the item with its NUL.
    void Add(std::string_view part) {
        size_t room = total_ < Limit() ? Limit() - total_ : 0;
        if (room > 0)
            std::memcpy(buffer_ + total_, part.data(), part.size() < room ? part.size() : room);
        total_ += part.size();
    }
    void EndItem() { Add(std::string_view("", 1)); }

    // Ends the list. It fits only with a spare byte (size >= total+2): then it gets its final NUL
    // and the result is its length. Otherwise its first size-2 bytes stay, NULs go to [size-2] and
    // [size-1], and the result is size-2. An empty list is one NUL (two when `twoNulsWhenEmpty`).
    DWORD EndList(bool twoNulsWhenEmpty) {
        if (size_ == 0) return 0;
        if (size_ == 1 || total_ + 2 > size_) {
            truncated_ = total_ > 0;
            if (size_ >= 2) buffer_[size_ - 2] = '\0';
            buffer_[size_ - 1] = '\0';
            return size_ >= 2 ? size_ - 2 : 0;
        }
        buffer_[total_] = '\0';
        if (total_ == 0 && twoNulsWhenEmpty) buffer_[1] = '\0';
        return static_cast<DWORD>(total_);
    }

    bool Truncated() const { return truncated_; }

  private:
    size_t Limit() const { return size_ >= 2 ? size_ - 2 : 0; }

    LPSTR buffer_;
    size_t size_;
    size_t total_ = 0;
    bool truncated_ = false;
};

// A name or value as Windows keeps it, a C string: a stray NUL ends it.
std::string_view AsCString(std::string_view text) { return text.substr(0, text.find('\0')); }

// A value without one pair of enclosing quotes ("x" or 'x').
std::string_view StripQuotes(std::string_view text) {
    bool quoted = text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
    return quoted ? text.substr(1, text.size() - 2) : text;
}

// The default as Windows hands it back: trailing spaces dropped, leading kept, quotes stripped.
std::string_view DefaultText(LPCSTR def) {
    std::string_view text = def != nullptr ? def : "";
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return StripQuotes(text);
}

// Converts as RtlCharToInteger does with base 0: leading blanks and control characters skipped,
// an optional sign, "0x" / "0o" / "0b" (lower case only) select base 16 / 8 / 2, else base 10;
// digits up to the first that is not one of the base; the value wraps modulo 2^32.
UINT CharToInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    UINT base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char prefix = text[i + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    UINT value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        UINT digit = c >= '0' && c <= '9'   ? static_cast<UINT>(c - '0')
                     : c >= 'a' && c <= 'z' ? static_cast<UINT>(c - 'a' + 10)
                     : c >= 'A' && c <= 'Z' ? static_cast<UINT>(c - 'A' + 10)
                                            : UINT_MAX;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0U - value : value;
}

// ---- Lookups -------------------------------------------------------------------------------

void ListSectionNames(const IniText& ini, OutputBuffer& out) {
    ini.ForEachLine(0, ini.Text().size(), [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kSection && !line.name.empty()) {
            out.Add(AsCString(line.name));
            out.EndItem();
        }
        return true;
    });
}

void ListKeys(const IniText& ini, const IniSection& section, OutputBuffer& out) {
    ini.ForEachLine(section.header.next, section.bodyEnd, [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kEntry) {
            out.Add(AsCString(line.name));
            out.EndItem();
        }
        return true;
    });
}

bool HasKeys(const IniText& ini, const IniSection& section) {
    bool found = false;
    ini.ForEachLine(section.header.next, section.bodyEnd, [&](const IniLine& line) {
        found = line.kind == IniLine::Kind::kEntry;
        return !found;
    });
    return found;
}

void ListEntries(const IniText& ini, const IniSection& section, OutputBuffer& out) {
    ini.ForEachLine(section.header.next, section.bodyEnd, [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kEntry) {
            out.Add(AsCString(line.name));
            out.Add("=");
            out.Add(AsCString(line.value));
            out.EndItem();
        } else if (line.kind == IniLine::Kind::kText) {
            out.Add(AsCString(line.value));
            out.EndItem();
        }
        return true;
    });
}

// The status of a lookup: success, or the error Windows leaves when the file, the section or the
// key is missing (ERROR_FILE_NOT_FOUND for a missing section or key of an existing file).
DWORD LookUpSection(const Profile& profile, const IniText& ini, LPCSTR name, IniSection& section) {
    if (!profile.found) return profile.error;
    return ini.FindSection(name, section) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

DWORD FindValue(const Profile& profile, LPCSTR sectionName, LPCSTR key, std::string_view& value) {
    IniText ini(profile.text);
    IniSection section;
    IniLine line;
    DWORD status = LookUpSection(profile, ini, sectionName, section);
    if (status != ERROR_SUCCESS) return status;
    if (!ini.FindKey(section, key, line)) return ERROR_FILE_NOT_FOUND;
    value = StripQuotes(posix::IniTrim(AsCString(line.value)));
    return ERROR_SUCCESS;
}

DWORD ReadString(const Profile& profile, LPCSTR sectionName, LPCSTR key, LPCSTR def,
                 OutputBuffer& out, DWORD& status) {
    IniText ini(profile.text);
    if (sectionName == nullptr) {
        status = profile.found ? ERROR_SUCCESS : profile.error;
        ListSectionNames(ini, out);
        return out.EndList(false);
    }
    std::string_view value;
    if (key != nullptr) {
        status = FindValue(profile, sectionName, key, value);
        return out.PutString(status == ERROR_SUCCESS ? value : DefaultText(def));
    }
    // A section without keys gives the default, as a missing one does.
    IniSection section;
    status = LookUpSection(profile, ini, sectionName, section);
    if (status == ERROR_SUCCESS && !HasKeys(ini, section)) status = ERROR_FILE_NOT_FOUND;
    if (status != ERROR_SUCCESS) return out.PutString(DefaultText(def));
    ListKeys(ini, section, out);
    return out.EndList(false);
}

// The last error of a read: why the file, section or key is missing, else whether the result was
// cut to fit the buffer.
DWORD LastError(DWORD status, const OutputBuffer& out) {
    if (status != ERROR_SUCCESS) return status;
    return out.Truncated() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS;
}

// Runs `body`; the only exceptions it can meet are allocation failures.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) {
    try {
        return body();
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    }
}

// ---- Writing -------------------------------------------------------------------------------

std::string EditedText(std::string_view text, LPCSTR section, LPCSTR key, LPCSTR value) {
    if (key == nullptr) return posix::IniDeleteSection(text, section);
    if (value == nullptr) return posix::IniDeleteKey(text, section, key);
    return posix::IniSetValue(text, section, key, value);
}

bool WriteProfile(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName, DWORD& error) {
    std::string host;
    if (!ProfilePath(fileName, host, error)) return false;
    auto edit = [&](std::string_view text) { return EditedText(text, section, key, value); };
    return posix::UpdateIniFile(host, edit, error);
}

// ---- The reading functions on a loaded profile ------------------------------------------------

DWORD StringOf(const Profile& profile, LPCSTR app, LPCSTR key, LPCSTR def, LPSTR buffer,
               DWORD size) {
    OutputBuffer out(buffer, size);
    DWORD status = ERROR_SUCCESS;
    DWORD result = ReadString(profile, app, key, def, out, status);
    SetLastError(LastError(status, out));
    return result;
}

// GetPrivateProfileIntA reads the string that GetPrivateProfileStringA gives into a short
// buffer: with a null section or key that is the first name of the list.
UINT IntOf(const Profile& profile, LPCSTR app, LPCSTR key, UINT def) {
    if (app == nullptr || key == nullptr) {
        char text[30];
        if (StringOf(profile, app, key, "", text, sizeof text) == 0) return def;
        return text[0] == '\0' ? def : CharToInteger(text);
    }
    std::string_view value;
    DWORD status = FindValue(profile, app, key, value);
    SetLastError(status);
    return status == ERROR_SUCCESS && !value.empty() ? CharToInteger(value) : def;
}

DWORD SectionOf(const Profile& profile, LPCSTR app, LPSTR buffer, DWORD size) {
    IniText ini(profile.text);
    IniSection section;
    OutputBuffer out(buffer, size);
    DWORD status = LookUpSection(profile, ini, app, section);
    if (status == ERROR_SUCCESS) ListEntries(ini, section, out);
    DWORD result = out.EndList(true);
    SetLastError(LastError(status, out));
    return result;
}

Profile FromText(std::string_view text) {
    Profile profile;
    profile.text.assign(text.data(), text.size());
    profile.found = true;
    return profile;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (lpReturnedString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Guarded<DWORD>(0, [&] {
        return StringOf(LoadProfile(lpFileName), lpAppName, lpKeyName, lpDefault, lpReturnedString,
                        nSize);
    });
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault, LPCSTR lpFileName) {
    auto def = static_cast<UINT>(nDefault);
    return Guarded<UINT>(def,
                         [&] { return IntOf(LoadProfile(lpFileName), lpAppName, lpKeyName, def); });
}

DWORD GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                LPCSTR lpFileName) {
    if (lpAppName == nullptr || lpReturnedString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Guarded<DWORD>(
        0, [&] { return SectionOf(LoadProfile(lpFileName), lpAppName, lpReturnedString, nSize); });
}

DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize, LPCSTR lpFileName) {
    return GetPrivateProfileStringA(nullptr, nullptr, nullptr, lpszReturnBuffer, nSize, lpFileName);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
    if (lpAppName == nullptr) {
        // Also the "flush the cache" call with all three NULL: there is no cache to flush.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return Guarded<BOOL>(FALSE, [&] {
        DWORD error = ERROR_SUCCESS;
        bool ok = WriteProfile(lpAppName, lpKeyName, lpString, lpFileName, error);
        SetLastError(ok ? ERROR_SUCCESS : error);
        return ok ? TRUE : FALSE;
    });
}

namespace posix {

DWORD ProfileStringFromText(std::string_view text, LPCSTR lpAppName, LPCSTR lpKeyName,
                            LPCSTR lpDefault, LPSTR lpReturnedString, DWORD nSize) {
    if (lpReturnedString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Guarded<DWORD>(0, [&] {
        return StringOf(FromText(text), lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize);
    });
}

UINT ProfileIntFromText(std::string_view text, LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault) {
    auto def = static_cast<UINT>(nDefault);
    return Guarded<UINT>(def, [&] { return IntOf(FromText(text), lpAppName, lpKeyName, def); });
}

DWORD ProfileSectionFromText(std::string_view text, LPCSTR lpAppName, LPSTR lpReturnedString,
                             DWORD nSize) {
    if (lpAppName == nullptr || lpReturnedString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Guarded<DWORD>(
        0, [&] { return SectionOf(FromText(text), lpAppName, lpReturnedString, nSize); });
}

}  // namespace posix
}  // namespace win
