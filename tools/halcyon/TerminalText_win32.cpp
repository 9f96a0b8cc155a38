// SPDX-License-Identifier: Apache-2.0
// A Windows console shows the system code page's texts itself: they go out as they are.
#include "TerminalText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace halcyon::tool {

TerminalText::TerminalText(bool, int) {}
TerminalText::~TerminalText() {}
std::string TerminalText::operator()(const std::string& text) const { return text; }

std::string Utf8Text(const std::string& text, int language) {
    const unsigned codePage = SourceCodePage(language);
    if (IsUtf8(text) || codePage == CP_UTF8) return text;
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (wide <= 0) return text;  // JSON gives each byte as the character of its number
    std::vector<wchar_t> chars(static_cast<size_t>(wide));
    MultiByteToWideChar(codePage, 0, text.data(), size, chars.data(), wide);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, chars.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, chars.data(), wide, &out[0], bytes, nullptr, nullptr);
    return bytes > 0 ? out : text;
}

}  // namespace halcyon::tool
