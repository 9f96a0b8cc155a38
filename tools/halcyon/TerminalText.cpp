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

}  // namespace halcyon::tool
