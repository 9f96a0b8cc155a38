// SPDX-License-Identifier: Apache-2.0
// Fuzzes the language-file parser, in code page 950 (Big5), where a trail byte may be "\", "[",
// "]" or "_". The input is the joined text of a language file and its second file. After loading
// it, every entry must read back as a straightforward model of the rules says: the lines are the
// text's CR-separated pieces, a "[" line of three characters or more names a section, a line with
// "=" is an entry of the current section, and a later entry of a key wins.
#include "support/FuzzCheck.h"

#include <HalcyonCommon.h>

#include "HalcyonCommon/Lang/LangState.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Check;

// The model views the split lines, which stay put until the next input: copying every name and
// value again took a tenth of the target's time in allocations.
using Model = std::map<std::string_view, std::map<std::string_view, std::string_view>>;

Model Expected(const std::vector<CString>& lines) {
    Model model;
    std::map<std::string_view, std::string_view>* current = nullptr;
    for (const CString& line : lines) {
        std::string_view text = line.str();
        if (text[0] == '[' && text.size() >= 3) {
            current = &model[text.substr(1, text.size() - 2)];
            continue;
        }
        int equals = line.Find('=');  // the first "=" that is a character of its own
        if (current != nullptr && equals >= 0) {
            (*current)[text.substr(0, static_cast<size_t>(equals))] =
                text.substr(static_cast<size_t>(equals) + 1);
        }
    }
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("HALCYON_CODEPAGE", "950", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    s_LangUnInitialLanguageString();
    halcyon::lang::AddLanguageText(text);
    const std::vector<CString>& lines = halcyon::lang::Lines();
    for (const CString& line : lines) {
        Check(!line.IsEmpty(), "an empty line was kept");
        Check(line.str().find('\0') == std::string::npos, "a line holds a NUL");
    }
    Model model = Expected(lines);
    for (const auto& [section, entries] : model) {
        for (const auto& [key, value] : entries) {
            CString got("unset");
            CString sectionName(section.data(), static_cast<int>(section.size()));
            CString keyName(key.data(), static_cast<int>(key.size()));
            Check(s_LangGetLanguageString(got, sectionName, keyName) != 0, "an entry is missing");
            Check(got.str() == value, "an entry holds another value");
        }
    }
    if (size > 0) {  // the line-break rule on the raw input, with any length
        CString raw(reinterpret_cast<const char*>(data), static_cast<int>(size));
        s_LangConvertEnterChar(raw, static_cast<int>(data[0]) - 8);
        Check(raw.GetLength() == static_cast<int>(size), "the line breaks changed the length");
    }
    // Leaves nothing allocated, so that libFuzzer's leak check has nothing to look into.
    s_LangUnInitialLanguageString();
    s_LangGetAllLine(nullptr, nullptr);
    return 0;
}
