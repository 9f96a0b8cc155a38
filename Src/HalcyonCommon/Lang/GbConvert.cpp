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
               const std::uint16_t* pairs, char* out) {
    size_t i = 0;
    size_t o = 0;
    while (i < textLength) {
        unsigned char lead = source[i];
        if (lead < 0x80 || i + 1 >= length) {
            out[o++] = static_cast<char>(lead);
            ++i;
            continue;
        }
        unsigned char trail = i + 1 < textLength ? source[i + 1] : 0;
        i += 2;
        if (lead == 0x80 || lead == 0xFF || !IsTrailByte(trail)) continue;
        std::uint16_t pair = pairs[lead * 256 + trail];
        auto first = static_cast<char>(pair & 0xFF);
        auto second = static_cast<char>(pair >> 8);
        if (first == '\0') break;  // a table entry of 0 ends the text
        out[o++] = first;
        if (second == '\0') break;
        out[o++] = second;
    }
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
            LoadedPairs().reset();
            return false;
        case ReadResult::kShortRead:
            ReportReadFailure(fileName);
            LoadedPairs().reset();
            return false;
        case ReadResult::kRead:
            break;
    }
    ReadOverrides();
    LoadedPairs() = BuildPairTable(file.data(), file.size(), Overrides());
    return true;
}

bool s_LangUnInitialGBTable() {
    LoadedPairs().reset();
    return true;
}

void s_LangConvertToSimplifiedChinese(const CString& strSource, CString& strResult) {
    const std::uint16_t* pairs = LoadedPairs().get();
    if (pairs == nullptr) return;
    if (&strSource == &strResult) {
        CString source = strSource;
        s_LangConvertToSimplifiedChinese(source, strResult);
        return;
    }
    const std::string& source = strSource.str();
    size_t textLength = std::strlen(source.c_str());
    char* out = strResult.GetBufferSetLength(static_cast<int>(textLength));
    size_t written = Convert(reinterpret_cast<const unsigned char*>(source.data()), textLength,
                             source.size(), pairs, out);
    strResult.ReleaseBuffer(static_cast<int>(written));
}
