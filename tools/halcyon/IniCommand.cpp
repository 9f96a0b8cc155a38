// SPDX-License-Identifier: Apache-2.0
// halcyon ini: reading and writing an installation's INI settings through the library.
#include "Command.h"
#include "HostFiles.h"
#include "SystemErrors.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

const char kCommand[] = "ini";
constexpr unsigned long kFirstBuffer = 4096;
constexpr unsigned long kLargestBuffer = 64UL << 20;

// Calls `read(buffer, size)` with growing buffers until the text fits (the result is shorter
// than size - 2, so that neither a value nor a list was cut); returns the bytes it gave.
template <typename Read>
std::string ReadGrowing(Read read) {
    std::vector<char> buffer;
    for (unsigned long size = kFirstBuffer;; size *= 2) {
        buffer.assign(size, '\0');
        unsigned long length = read(buffer.data(), size);
        if (length + 2 < size || size >= kLargestBuffer) return std::string(buffer.data(), length);
    }
}

// `file` from the current folder unless it names a drive or starts at a root.
std::string FromCurrentFolder(const std::string& file) {
    bool absolute = (file.size() > 1 && file[1] == ':') ||
                    (!file.empty() && (file[0] == '\\' || file[0] == '/'));
    if (absolute) return file;
    char folder[MAX_PATH * 4] = "";
    win::DWORD length = win::GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return file;
    return std::string(folder, length) + "\\" + file;
}

bool Readable(const std::string& file) {
    if (s_FileCheckFileExist(file.c_str())) return true;
    // The system's reason, from an open of the file itself.
    const std::string host = halcyon::HostPath(file.c_str());
    std::string reason = "not a file that can be read";
    errno = ENOENT;
    std::FILE* probe = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (probe == nullptr) reason = std::strerror(errno);
    if (probe != nullptr) std::fclose(probe);
    std::fprintf(stderr, "halcyon ini: cannot read '%s': %s\n", file.c_str(), reason.c_str());
    return false;
}

// The value of `key`, read with `def` as the default; the two readers differ (see the help).
std::string ReadValue(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& def, bool cached) {
    return ReadGrowing([&](char* buffer, unsigned long size) {
        return cached ? SProfileInfo::GetPrivateProfileStringA(
                            section.c_str(), key.c_str(), def.c_str(), buffer, size, file.c_str())
                      : s_ConfigReadProfileString(section.c_str(), key.c_str(), def.c_str(), buffer,
                                                  size, file.c_str());
    });
}

int Get(const Invocation& call) {
    const bool cached = call.Has("--cached");
    const Args& args = call.Operands();
    const std::string file = FromCurrentFolder(args[0]);
    if (!Readable(file)) return kExitFailure;
    // The readers give their default only for a missing section or key: two defaults that no
    // value can equal both at once tell a missing key from an empty value.
    const std::string value = ReadValue(file, args[1], args[2], "\x01", cached);
    if (value == "\x01" && ReadValue(file, args[1], args[2], "\x02", cached) == "\x02") {
        if (!call.Has("--default")) return kExitFailure;  // as git config: missing, no output
        std::printf("%s\n", call.Value("--default").c_str());
        return kExitOk;
    }
    std::printf("%s\n", value.c_str());
    return kExitOk;
}

// Why a section, key or value would not survive the trip through the file; "" when it does.
std::string Unwritable(const std::string& text, const char* what, const char* also) {
    if (text.find_first_of("\r\n") != std::string::npos)
        return std::string("a ") + what + " holds no line break";
    if (also != nullptr && text.find_first_of(also) != std::string::npos)
        return std::string("a ") + what + " holds no '" + also + "'";
    return "";
}

int Set(const Invocation& call) {
    const Args& args = call.Operands();
    const struct {
        const std::string& text;
        const char* what;
        const char* also;
        bool mayBeEmpty;
    } parts[] = {{args[1], "section name", nullptr, false},
                 {args[2], "key", "=", false},
                 {args[3], "value", nullptr, true}};
    for (const auto& part : parts) {
        if (!part.mayBeEmpty && part.text.find_first_not_of(" \t") == std::string::npos)
            return call.BadArgument(part.text, std::string("an empty ") + part.what);
        std::string why = Unwritable(part.text, part.what, part.also);
        if (!why.empty()) return call.BadArgument(part.text, why);
    }
    const std::string file = FromCurrentFolder(args[0]);
    if (int err = WriteAccessError(halcyon::HostPath(file.c_str()))) {
        std::fprintf(stderr, "halcyon ini: cannot write '%s': %s\n", file.c_str(),
                     std::strerror(err));
        return kExitFailure;
    }
    if (!s_ConfigWriteProfileString(args[1].c_str(), args[2].c_str(), args[3].c_str(),
                                    file.c_str())) {
        std::fprintf(stderr, "halcyon ini: cannot write '%s': %s\n", file.c_str(),
                     ReasonOfError(win::GetLastError()).c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int Sections(const Invocation& call) {
    const std::string file = FromCurrentFolder(call.Operands()[0]);
    if (!Readable(file)) return kExitFailure;
    std::string names = ReadGrowing([&](char* buffer, unsigned long size) {
        return s_ConfigProfileSectionNames(buffer, size, file.c_str());
    });
    for (size_t start = 0; start < names.size();) {
        size_t end = names.find('\0', start);
        if (end == std::string::npos) end = names.size();
        std::printf("%s\n", names.substr(start, end - start).c_str());
        start = end + 1;
    }
    return kExitOk;
}

const CommandSpec kIniSpec{
    kCommand,
    "read and write INI settings (platform or cached reading)",
    "",
    {{"get",
      "FILE SECTION KEY",
      "prints the value of KEY in SECTION; when the section or key is missing, prints D with "
      "--default D, and otherwise nothing, with exit code 1 (an empty value is printed as an "
      "empty line, exit code 0). Read as the platform's profile functions read it, or with "
      "--cached as the "
      "library's profile cache (SProfileInfo) does, whose rules differ: the first key of a "
      "section and the last of repeated sections win, quotes stay",
      {{"--default", "D", "the value printed when the section or key is missing"},
       {"--cached", nullptr, "read through the library's profile cache"}},
      Get},
     {"set",
      "FILE SECTION KEY VALUE",
      "writes VALUE to KEY in SECTION, creating the file, section or key as needed. Refuses "
      "(exit code 2) an empty section or key, a key holding '=', and line breaks anywhere, "
      "which would write other lines than the one meant; refuses (exit code 1) to replace a "
      "file this user may not write. The file keeps its permissions.",
      {},
      Set},
     {"sections", "FILE", "prints the file's section names, one a line", {}, Sections}},
    "FILE is a path as the library takes it (C:\\Nimbus\\SYS\\System.INI, or a host path); a "
    "relative one is taken from the current folder (the platform's profile functions would look "
    "for a bare name in the Windows folder).\n"
    "A FILE that cannot be read is an error (exit code 1)."};
const Registration kIni{kIniSpec};

}  // namespace
}  // namespace halcyon::tool
