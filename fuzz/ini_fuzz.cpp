// Fuzzes the INI reader and writer. The input is the bytes of an INI file:
//   - every reading function runs on its text with two buffer sizes (one of 0 to 23 bytes picked
//     by a hash of the input, and one larger than the file), each buffer followed by guard bytes
//     that must stay untouched, and each result must keep Windows' size rules;
//   - the edits are applied to the text in memory and must read back what they wrote, keep the
//     other sections, and never touch bytes outside their lines;
//   - on one input in 32 (by the hash) the text goes to a file: every reading function must
//     give through the file what it gave on the text (result, bytes and last error), and one
//     write goes through the file and must read back.
//
// Speed: the file system took most of the time when every read loaded the file (24 loads and a
// rewrite per input); the reading functions on text in memory are the same code past the load.
// Each read parses the text again, so an input tries two sizes, not a list of six: across inputs
// every small size is tried. The file lives in a private folder on /dev/shm.
#include "support/FuzzCheck.h"

#include "Platform/Win.h"
#include "posix/IniFile.h"
#include "posix/SysCalls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Check;
using fuzz::Hash;

using win::DWORD;
using win::posix::IniLine;
using win::posix::IniSection;
using win::posix::IniText;

constexpr char kGuard = '\x5a';
constexpr size_t kSlack = 16;

constexpr uint32_t kSmallSizes = 24;
constexpr uint32_t kThroughFileOneIn = 32;

// The scratch folder and file live only while an input uses them: libFuzzer ends without running
// exit handlers, and /dev/shm is memory.
struct ScratchFile {
    const std::string folder = "/dev/shm/ini_fuzz." + std::to_string(getpid());
    const std::string path = folder + "/fuzz.ini";

    ScratchFile(const uint8_t* data, size_t size) {
        Check(mkdir(folder.c_str(), 0700) == 0, "cannot create the folder");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        Check(f != nullptr, "cannot create the scratch file");
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ~ScratchFile() {
        unlink(path.c_str());
        rmdir(folder.c_str());
    }
};

// The reading functions: a key, a section's keys, a section, the section names; through `file`
// when it is given, on `text` otherwise.
constexpr int kReads = 4;
DWORD Read(int read, std::string_view text, const char* file, const char* s, const char* k, char* b,
           DWORD n) {
    using win::posix::ProfileSectionFromText;
    using win::posix::ProfileStringFromText;
    switch (read) {
        case 0:
            if (file != nullptr) return win::GetPrivateProfileStringA(s, k, "d", b, n, file);
            return ProfileStringFromText(text, s, k, "d", b, n);
        case 1:
            if (file != nullptr)
                return win::GetPrivateProfileStringA(s, nullptr, " 'q' ", b, n, file);
            return ProfileStringFromText(text, s, nullptr, " 'q' ", b, n);
        case 2:
            if (file != nullptr) return win::GetPrivateProfileSectionA(s, b, n, file);
            return ProfileSectionFromText(text, s, b, n);
        default:
            if (file != nullptr) return win::GetPrivateProfileSectionNamesA(b, n, file);
            return ProfileStringFromText(text, nullptr, nullptr, nullptr, b, n);
    }
}

// Every read on the text, with guard bytes behind the buffer, keeps Windows' size rules.
void ReadText(std::string_view text, const char* s, const char* k, DWORD smallSize) {
    const auto whole = static_cast<DWORD>(text.size() + 2);
    for (DWORD size : {smallSize, whole}) {
        for (int read = 0; read < kReads; ++read) {
            std::vector<char> buf(size + kSlack, kGuard);
            DWORD ret = Read(read, text, nullptr, s, k, buf.data(), size);
            for (size_t i = size; i < buf.size(); ++i) Check(buf[i] == kGuard, "buffer overrun");
            Check(size == 0 ? ret == 0 : ret < size, "result outside the buffer");
            if (size > 0) Check(buf[ret] == '\0', "result not terminated");
        }
    }
    win::posix::ProfileIntFromText(text, s, k, 7);
}

// Every read through the file gives the result, bytes and last error of the same read on the text.
void ReadFile(const char* file, std::string_view text, const char* s, const char* k, DWORD size) {
    for (int read = 0; read < kReads; ++read) {
        std::vector<char> a(size + 1, kGuard), b(size + 1, kGuard);
        DWORD ra = Read(read, text, file, s, k, a.data(), size);
        DWORD ea = win::GetLastError();
        DWORD rb = Read(read, text, nullptr, s, k, b.data(), size);
        DWORD eb = win::GetLastError();
        Check(ra == rb && ea == eb && a == b, "the file and its text read differently");
    }
    Check(
        win::GetPrivateProfileIntA(s, k, 7, file) == win::posix::ProfileIntFromText(text, s, k, 7),
        "the file and its text give different numbers");
}

// The header names of `text`, in order, each followed by a NUL.
std::string SectionNames(const IniText& ini) {
    std::string names;
    ini.ForEachLine(0, ini.Text().size(), [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kSection) names.append(line.name).push_back('\0');
        return true;
    });
    return names;
}

std::string ValueOf(const std::string& text, const std::string& section, const std::string& key) {
    IniText ini(text);
    IniSection found;
    IniLine line;
    if (!ini.FindSection(section, found) || !ini.FindKey(found, key, line)) return "<missing>";
    return std::string(line.value);
}

// Sets `key` of `section` and checks that it reads back and that no header came or went but the
// new one. `names` is SectionNames of the text.
void CheckSet(const std::string& text, const std::string& names, const std::string& section,
              const std::string& key) {
    IniText before(text);
    IniSection existing;
    bool hadSection = before.FindSection(section, existing);
    std::string edited = win::posix::IniSetValue(text, section, key, "fuzz value");
    Check(ValueOf(edited, section, key) == "fuzz value", "a set value does not read back");
    std::string after = names;
    if (!hadSection) after.append(win::posix::IniTrim(section)).push_back('\0');
    Check(SectionNames(IniText(edited)) == after, "a set changed the sections");
    Check(
        edited.compare(0, existing.header.next, text, 0, existing.header.next) == 0 || !hadSection,
        "a set changed bytes before its section");
}

void CheckDeletes(const std::string& text, const std::string& section, const std::string& key) {
    IniText ini(text);
    IniSection found;
    if (!ini.FindSection(section, found)) return;
    std::string noSection = win::posix::IniDeleteSection(text, section);
    Check(noSection.size() == text.size() - (found.bodyEnd - found.header.begin),
          "a section deletion removed other bytes");
    IniLine line;
    if (!ini.FindKey(found, key, line)) return;
    std::string noKey = win::posix::IniDeleteKey(text, section, key);
    Check(noKey == text.substr(0, line.begin) + text.substr(line.next),
          "a key deletion removed other bytes");
}

// A section and key that the file holds (its first header and that section's first entry).
void NamesFromText(const IniText& ini, std::string& section, std::string& key) {
    section = "Fuzz Section";
    key = "FuzzKey";
    bool inFirst = false;
    ini.ForEachLine(0, ini.Text().size(), [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::kSection) {
            if (inFirst) return false;
            section = std::string(line.name);
            inFirst = true;
        } else if (inFirst && line.kind == IniLine::Kind::kEntry) {
            key = std::string(line.name);
            return false;
        }
        return true;
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Durability is not what is fuzzed here; flushing every input to disk would only slow it down.
    win::posix::Sys().fsync = [](int) { return 0; };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    IniText ini(text);
    std::string section, key;
    NamesFromText(ini, section, key);

    const uint32_t hash = Hash(data, size);
    const DWORD smallSize = hash % kSmallSizes;
    std::string readSection = section;
    std::string readKey = key;
    if (size > 0 && data[0] % 2 == 1) {
        // Names made of the input's last bytes reach the trimming and folding of queries.
        readSection = readKey = text.substr(size > 6 ? size - 6 : 0);
    }
    ReadText(text, readSection.c_str(), readKey.c_str(), smallSize);

    const std::string names = SectionNames(ini);
    CheckSet(text, names, section, key);
    CheckSet(text, names, section, "FuzzKey");
    CheckSet(text, names, "Fuzz Section",
             key.find_first_of("\r\n") == std::string::npos ? key : "K");
    CheckDeletes(text, section, key);

    if (hash / kSmallSizes % kThroughFileOneIn != 0) return 0;
    ScratchFile scratch(data, size);
    std::string file = win::posix::ToWindowsPath(scratch.path);
    ReadFile(file.c_str(), text, readSection.c_str(), readKey.c_str(), smallSize);
    Check(win::WritePrivateProfileStringA(section.c_str(), key.c_str(), "on disk", file.c_str()),
          "a write failed");
    char buf[16];
    win::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf, file.c_str());
    // Names holding a NUL are cut there by both calls alike.
    Check(std::strcmp(buf, "on disk") == 0, "a written value does not read back");
    return 0;
}
