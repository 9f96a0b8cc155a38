// SPDX-License-Identifier: Apache-2.0
// Splitting a language file's text into lines, and a line into a section name or an entry.
#include <HalcyonCommon/Lang.h>

#include "HalcyonCommon/Lang/LangState.h"
#include "Platform/Win.h"

namespace {

// The first carriage return in [p, last] that is a character of its own, or null; a NUL ends
// the search. A lead byte and the byte after it are one character.
char* FindCarriageReturn(char* p, const char* last) {
    while (p <= last && *p != '\0') {
        if (*p == '\r') return p;
        bool pair = win::IsDBCSLeadByte(static_cast<unsigned char>(*p)) && p < last && p[1] != '\0';
        p += pair ? 2 : 1;
    }
    return nullptr;
}

}  // namespace

bool s_LangGetAllLine(char* pBegin, char* pEnd) {
    std::vector<CString>& lines = halcyon::lang::Lines();
    lines.clear();
    if (pBegin == nullptr || pEnd == nullptr) return true;
    char* position = pBegin;
    while (position < pEnd) {
        char* cr = FindCarriageReturn(position, pEnd);
        if (cr == nullptr) break;
        *cr = '\0';
        if (cr != position) lines.emplace_back(position, static_cast<int>(cr - position));
        if (pEnd - cr < 2) break;
        position = cr + 2;  // past the line feed
    }
    return true;
}

bool s_LangGetSection(CString& strSection, const CString& strLine) {
    if (strLine.GetLength() < 3) return false;
    strSection = strLine.Mid(1, strLine.GetLength() - 2);
    return true;
}

bool s_LangGetKeyValue(CString& strKey, CString& strValue, const CString& strLine) {
    int equals = strLine.Find('=');
    if (equals < 0) return false;
    strKey = strLine.Left(equals);
    strValue = strLine.Mid(equals + 1);
    return true;
}

// Double-byte characters are stepped over whole, so a Big5 character whose trail byte is a
// backslash (0xA5 0x5C) followed by "n" stays as it is.
void s_LangConvertEnterChar(CString& strText, int nLength) {
    int length = strText.GetLength();
    const char* text = strText.GetString();
    int limit = nLength < length ? nLength : length;
    for (int i = 0; i + 1 < limit && text[i] != '\0';) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\' && (text[i + 1] == 'n' || text[i + 1] == 'N')) {
            strText.SetAt(i, '\r');
            strText.SetAt(i + 1, '\n');
            text = strText.GetString();
            i += 2;
        } else {
            i += win::IsDBCSLeadByte(byte) && text[i + 1] != '\0' ? 2 : 1;
        }
    }
}
