// SPDX-License-Identifier: Apache-2.0
// Loading the Big5 to GB table and converting text with it.
#include <HalcyonCommon/Lang.h>

#include "HalcyonCommon/Lang/GbTable.h"
#include "HalcyonCommon/Lang/LangState.h"
#include "Platform/Win.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace halcyon::lang;

namespace {

constexpr win::DWORD kOverrideSectionSize = 512;

// Reads section "RareCharacter" of RareCHT.ini into the overrides: "index=GB code" entries.
void ReadOverrides() {
    char section[kOverrideSectionSize] = {};
    CString path = LanguageFolder() + "RareCHT.ini";
    win::DWORD length =
        win::GetPrivateProfileSectionA("RareCharacter", section, kOverrideSectionSize, path);
    if (length >= kOverrideSectionSize) length = kOverrideSectionSize - 1;
    section[length] = '\0';
    for (const char* entry = section; *entry != '\0' && entry < section + length;) {
        size_t entryLength = std::strlen(entry);
        const char* equals = std::strchr(entry, '=');
        if (equals != nullptr) Overrides()[std::atoi(entry)] = CString(equals + 1).Left(2);
        entry += entryLength + 1;
    }
}

// Converts `length` bytes of `source` (its text ends at `textLength`, the first NUL) into `out`,
// which holds at least `textLength` bytes; returns the bytes written.
size_t Convert(const unsigned char* source, size_t textLength, size_t length,
               const unsigned char* outputs, char* out) {
    const ByteTables& bytes = Big5Bytes();
    size_t i = 0;
    size_t o = 0;
    while (i + 1 < textLength) {  // two bytes of text left: a pair is possible
        unsigned char lead = source[i];
        if (lead < 0x80) {
            out[o++] = static_cast<char>(lead);
            ++i;
            continue;
        }
        std::int32_t index = bytes.rowStart[lead] + bytes.trail[source[i + 1]];
        i += 2;
        if (index < 0) continue;  // not a Big5 pair: both bytes go
        const unsigned char* pair = outputs + 2 * index;
        out[o] = static_cast<char>(pair[0]);
        out[o + 1] = static_cast<char>(pair[1]);
        if (pair[0] == 0 || pair[1] == 0) return pair[0] == 0 ? o : o + 1;  // a 0 ends the text
        o += 2;
    }
    // The text's last byte: copied when it is the source's last too (or not a lead byte);
    // otherwise it pairs with the NUL after it, which is no trail byte, and both go.
    if (i < textLength && (source[i] < 0x80 || i + 1 >= length))
        out[o++] = static_cast<char>(source[i]);
    return o;
}

}  // namespace

bool s_LangInitialGBTable() {
    CString path = LanguageFolder() + "BIG5-GB.TAB";
    std::vector<char> file;
    int cause = 0;
    CString fileName;
    switch (ReadWholeFile(path, file, cause, fileName)) {
        case ReadResult::kOpenFailed:
            ReportOpenFailure(path, cause);
            LoadedOutputs().reset();
            return false;
        case ReadResult::kShortRead:
            ReportReadFailure(fileName);
            LoadedOutputs().reset();
            return false;
        case ReadResult::kRead:
            break;
    }
    ReadOverrides();
    LoadTableBytes(file.data(), file.size());
    return true;
}

bool s_LangUnInitialGBTable() {
    LoadedOutputs().reset();
    return true;
}

void s_LangConvertToSimplifiedChinese(const CString& strSource, CString& strResult) {
    const unsigned char* outputs = LoadedOutputs().get();
    if (outputs == nullptr) return;
    if (&strSource == &strResult) {
        CString source = strSource;
        s_LangConvertToSimplifiedChinese(source, strResult);
        return;
    }
    const std::string& source = strSource.str();
    size_t textLength = std::strlen(source.c_str());
    char* out = strResult.GetBufferSetLength(static_cast<int>(textLength));
    size_t written = Convert(reinterpret_cast<const unsigned char*>(source.data()), textLength,
                             source.size(), outputs, out);
    strResult.ReleaseBuffer(static_cast<int>(written));
}
