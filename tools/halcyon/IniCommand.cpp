// halcyon ini: reading and writing an installation's INI settings through the library.
#include "Command.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <cstdio>
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
    std::fprintf(stderr, "halcyon ini: cannot read '%s'\n", file.c_str());
    return false;
}

int Get(const Invocation& call) {
    const std::string def = call.Value("--default");
    const bool cached = call.Has("--cached");
    Args names = call.Operands();
    names[0] = FromCurrentFolder(names[0]);
    const char* file = names[0].c_str();
    const char* section = names[1].c_str();
    const char* key = names[2].c_str();
    if (!Readable(names[0])) return kExitFailure;
    std::string value = ReadGrowing([&](char* buffer, unsigned long size) {
        return cached ? SProfileInfo::GetPrivateProfileStringA(section, key, def.c_str(), buffer,
                                                               size, file)
                      : s_ConfigReadProfileString(section, key, def.c_str(), buffer, size, file);
    });
    std::printf("%s\n", value.c_str());
    return kExitOk;
}

int Set(const Invocation& call) {
    const Args& args = call.Operands();
    const std::string file = FromCurrentFolder(args[0]);
    if (!s_ConfigWriteProfileString(args[1].c_str(), args[2].c_str(), args[3].c_str(),
                                    file.c_str())) {
        std::fprintf(stderr, "halcyon ini: cannot write '%s'\n", file.c_str());
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
      "prints the value of KEY in SECTION, or D (empty unless given) when the section or key is "
      "missing; read as the platform's profile functions read it, or with --cached as the "
      "library's profile cache (SProfileInfo) does, whose rules differ: the first key of a "
      "section and the last of repeated sections win, quotes stay",
      {{"--default", "D", "the value printed when the section or key is missing"},
       {"--cached", nullptr, "read through the library's profile cache"}},
      Get},
     {"set",
      "FILE SECTION KEY VALUE",
      "writes VALUE to KEY in SECTION, creating the file, section or key as needed",
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
