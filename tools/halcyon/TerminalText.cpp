// SPDX-License-Identifier: Apache-2.0
#include "TerminalText.h"

#include <cstdlib>

namespace halcyon::tool {

unsigned SourceCodePage(int language) {
    const char* setting = std::getenv("HALCYON_CODEPAGE");
    if (setting != nullptr && !CharsetOfCodePage(std::strtoul(setting, nullptr, 10)).empty())
        return static_cast<unsigned>(std::strtoul(setting, nullptr, 10));
    return language == 2 ? 936 : 950;
}

std::string CharsetOfCodePage(unsigned codePage) {
    const struct {
        unsigned codePage;
        const char* charset;
    } kCharsets[] = {{936, "CP936"}, {950, "CP950"},   {932, "CP932"},
                     {949, "CP949"}, {1252, "CP1252"}, {65001, "UTF-8"}};
    for (const auto& entry : kCharsets) {
        if (entry.codePage == codePage) return entry.charset;
    }
    return "";
}

bool IsUtf8(const std::string& text) {
    constexpr size_t kBad = 9;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t more = lead < 0x80             ? 0
                            : (lead & 0xE0) == 0xC0 ? 1
                            : (lead & 0xF0) == 0xE0 ? 2
                            : (lead & 0xF8) == 0xF0 ? 3
                                                    : kBad;
        if (more == kBad || text.size() - i - 1 < more) return false;
        for (size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += more + 1;
    }
    return true;
}

}  // namespace halcyon::tool
