// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/base/CodePage.h"

#include "Platform/posix/base/Errors.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace win {
namespace {

struct CharsetCodePage {
    const char* charset;  // as locale names spell it, compared without case, '-' and '_'
    UINT codePage;
};

constexpr CharsetCodePage kCharsets[] = {
    {"big5", 950},     {"big5hkscs", 950}, {"cp950", 950},   {"gbk", 936},
    {"gb2312", 936},   {"gb18030", 936},   {"cp936", 936},   {"sjis", 932},
    {"shiftjis", 932}, {"cp932", 932},     {"eucjp", 932},   {"euckr", 949},
    {"cp949", 949},    {"utf8", 65001},    {"cp1252", 1252}, {"iso88591", 1252},
};

std::string Normalised(const char* text) {
    std::string out;
    for (; *text != '\0' && *text != '@'; ++text) {
        if (*text == '-' || *text == '_') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
    }
    return out;
}

UINT CodePageFromLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || value[0] == '\0') continue;
        const char* dot = std::strchr(value, '.');
        if (dot == nullptr) return 1252;
        std::string charset = Normalised(dot + 1);
        for (const CharsetCodePage& entry : kCharsets) {
            if (charset == entry.charset) return entry.codePage;
        }
        return 1252;
    }
    return 1252;
}

UINT ReadActiveCodePage() {
    const char* value = std::getenv("HALCYON_CODEPAGE");
    if (value != nullptr) {
        long cp = std::strtol(value, nullptr, 10);
        if (cp == 950 || cp == 936 || cp == 932 || cp == 949 || cp == 1252 || cp == 65001)
            return static_cast<UINT>(cp);
    }
    return CodePageFromLocale();
}

}  // namespace

UINT GetACP() {
    static const UINT codePage = ReadActiveCodePage();
    return codePage;
}

BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
    // CP_ACP, CP_OEMCP, CP_MACCP and CP_THREAD_ACP: the active code page serves for all.
    if (CodePage <= 3) CodePage = GetACP();
    switch (CodePage) {
        case 932:
            return (TestChar >= 0x81 && TestChar <= 0x9F) || (TestChar >= 0xE0 && TestChar <= 0xFC);
        case 936:
        case 949:
        case 950:
            return TestChar >= 0x81 && TestChar <= 0xFE;
        default:
            break;
    }
    // The single-byte code pages and UTF-8 have no lead bytes; a code page Windows does not have
    // is refused.
    static const UINT kKnown[] = {437,  850,  852,  855,  857,  866,  874,   1250,  1251,  1252,
                                  1253, 1254, 1255, 1256, 1257, 1258, 20127, 28591, 65000, 65001};
    for (UINT known : kKnown) {
        if (CodePage == known) return FALSE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// The active code page's answers, worked out once: the parsers ask for every byte they read.
BOOL IsDBCSLeadByte(BYTE TestChar) {
    static const std::array<bool, 256> lead = [] {
        std::array<bool, 256> bytes{};
        for (unsigned int b = 0; b < bytes.size(); ++b) {
            bytes[b] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b)) != FALSE;
        }
        return bytes;
    }();
    return lead[TestChar] ? TRUE : FALSE;
}

}  // namespace win
