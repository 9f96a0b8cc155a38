// SPDX-License-Identifier: Apache-2.0
// Fuzzes the INI reader and writer on the bytes of an INI file, as text in memory (the file
// functions run the same code once the file is read):
//   - every reading function runs with two buffer sizes (one of 0 to 23 bytes picked by a hash of
//     the input, and one larger than the file), each buffer followed by guard bytes that must
//     stay untouched, and each result must keep Windows' size rules;
//   - a set must read back what it wrote, keep the other sections, and leave the bytes before
//     its section alone.
//
// Speed: each read parses the text again, so an input tries two sizes, not a list of six: across
// inputs every small size is tried.
#include "support/FuzzCheck.h"

#include "Platform/Win.h"
#include "Platform/posix/profile/IniFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Check;

using win::DWORD;
using win::posix::IniLine;
using win::posix::IniSection;
using win::posix::IniText;

constexpr char kGuard = '\x5a';
constexpr size_t kSlack = 16;
constexpr uint32_t kSmallSizes = 24;

// Every reading function (a key, a section's keys, the section names, a section), with guard
// bytes behind the buffer, keeps Windows' size rules.
void CheckReads(std::string_view text, const char* s, const char* k, DWORD smallSize) {
    using win::posix::ProfileStringFromText;
    const auto whole = static_cast<DWORD>(text.size() + 2);
    for (DWORD size : {smallSize, whole}) {
        for (int read = 0; read < 4; ++read) {
            std::vector<char> buf(size + kSlack, kGuard);
            char* b = buf.data();
            DWORD ret = read == 0   ? ProfileStringFromText(text, s, k, "d", b, size)
                        : read == 1 ? ProfileStringFromText(text, s, nullptr, " 'q' ", b, size)
                        : read == 2
                            ? ProfileStringFromText(text, nullptr, nullptr, nullptr, b, size)
                            : win::posix::ProfileSectionFromText(text, s, b, size);
            for (size_t i = size; i < buf.size(); ++i) Check(buf[i] == kGuard, "buffer overrun");
            Check(size == 0 ? ret == 0 : ret < size, "result outside the buffer");
            if (size > 0) Check(buf[ret] == '\0', "result not terminated");
        }
    }
    win::posix::ProfileIntFromText(text, s, k, 7);
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

// Sets `key` of `section` and checks that it reads back and that no header came or went but the
// new one. `names` is SectionNames of the text.
void CheckSet(const std::string& text, const std::string& names, const std::string& section,
              const std::string& key) {
    IniSection existing;
    bool hadSection = IniText(text).FindSection(section, existing);
    std::string edited = win::posix::IniSetValue(text, section, key, "fuzz value");
    IniText after(edited);
    IniSection found;
    IniLine line;
    Check(after.FindSection(section, found) && after.FindKey(found, key, line) &&
              line.value == "fuzz value",
          "a set value does not read back");
    std::string expectedNames = names;
    if (!hadSection) expectedNames.append(win::posix::IniTrim(section)).push_back('\0');
    Check(SectionNames(after) == expectedNames, "a set changed the sections");
    // (With no section found, `existing` is empty: no bytes before it.)
    Check(edited.compare(0, existing.header.next, text, 0, existing.header.next) == 0,
          "a set changed bytes before its section");
}

// The first entry of `section`, or "FuzzKey" when it has none.
std::string FirstKey(const IniText& ini, const std::string& section) {
    IniSection found;
    std::string key = "FuzzKey";
    if (!ini.FindSection(section, found)) return key;
    ini.ForEachLine(found.header.next, found.bodyEnd, [&](const IniLine& line) {
        bool entry = line.kind == IniLine::Kind::kEntry;
        if (entry) key = std::string(line.name);
        return !entry;
    });
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    IniText ini(text);
    // A section and key the file holds: its first header (as far as a C string holds it) and
    // that section's first entry.
    const std::string names = SectionNames(ini);
    const std::string section = names.empty() ? "Fuzz Section" : names.substr(0, names.find('\0'));
    const std::string key = FirstKey(ini, section);
    // Names made of the input's last bytes reach the trimming and folding of queries.
    std::string tail = text.substr(size > 6 ? size - 6 : 0);
    bool useTail = size > 0 && data[0] % 2 == 1;
    CheckReads(text, (useTail ? tail : section).c_str(), (useTail ? tail : key).c_str(),
               fuzz::Hash(data, size) % kSmallSizes);

    CheckSet(text, names, section, key);
    CheckSet(text, names, section, "FuzzKey");
    CheckSet(text, names, "Fuzz Section",
             key.find_first_of("\r\n") == std::string::npos ? key : "K");
    return 0;
}
