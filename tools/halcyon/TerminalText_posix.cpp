// SPDX-License-Identifier: Apache-2.0
#include "TerminalText.h"

#include "HostFiles.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>

namespace halcyon::tool {
namespace {

// Converts `text` with `converter`; a byte it cannot take is given by `unreadable`.
template <typename Unreadable>
std::string Convert(void* converter, const std::string& text, Unreadable unreadable) {
    auto* iconvIn = static_cast<iconv_t>(converter);
    iconv(iconvIn, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* next = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(iconvIn, &in, &inLeft, &next, &room);
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            unreadable(out, static_cast<unsigned char>(*in));
            ++in;
            --inLeft;
        }
    }
    return out;
}

}  // namespace

TerminalText::TerminalText(bool raw, int language) {
    if (raw || !IsTerminal(1)) return;
    std::setlocale(LC_CTYPE, "");
    const std::string target = nl_langinfo(CODESET);
    const std::string source = CharsetOfCodePage(SourceCodePage(language));
    if (source.empty() || source == target) return;
    iconv_t converter = iconv_open(target.c_str(), source.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return;
    converter_ = converter;
    toUtf8_ = target == "UTF-8";
}

TerminalText::~TerminalText() {
    if (converter_ != nullptr) iconv_close(static_cast<iconv_t>(converter_));
}

std::string TerminalText::operator()(const std::string& text) const {
    if (converter_ == nullptr || (toUtf8_ && IsUtf8(text))) return text;
    // A byte the source cannot read, or the terminal cannot show.
    return Convert(converter_, text, [](std::string& out, unsigned char) { out += '?'; });
}

std::string Utf8Text(const std::string& text, int language) {
    const std::string source = CharsetOfCodePage(SourceCodePage(language));
    if (IsUtf8(text) || source.empty() || source == "UTF-8") return text;
    iconv_t converter = iconv_open("UTF-8", source.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out = Convert(converter, text, [](std::string& to, unsigned char byte) {
        to += static_cast<char>(0xC0 | (byte >> 6));  // U+0080-U+00FF in UTF-8
        to += static_cast<char>(0x80 | (byte & 0x3F));
    });
    iconv_close(converter);
    return out;
}

}  // namespace halcyon::tool
