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
    iconv_t converter = static_cast<iconv_t>(converter_);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* next = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(converter, &in, &inLeft, &next, &room);
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';  // a byte the source cannot read, or the terminal cannot show
            ++in;
            --inLeft;
        }
    }
    return out;
}

}  // namespace halcyon::tool
