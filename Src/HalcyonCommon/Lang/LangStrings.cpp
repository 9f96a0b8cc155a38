// SPDX-License-Identifier: Apache-2.0
// The string table: loading the language files, looking texts up, the status strings.
#include <HalcyonCommon/Lang.h>

#include "HalcyonCommon/Lang/LangState.h"
#include "Platform/Win.h"

#include <Platform/CFile.h>

#include <string>

using halcyon::lang::ReadResult;

CString STATUS_CLOSE_STRING;
CString STATUS_PREOPEN_STRING;
CString STATUS_OPEN_STRING;
CString STATUS_EXPIRE_THIS_MONTH_STRING;
CString STATUS_EXPIRE_NEXT_MONTH_STRING;
CString STATUS_EARLYCLOSE_STRING;
CString STATUS_EXISTPREMONTH_STRING;
CString STATUS_LATEOPEN_STRING;

namespace {

struct StatusString {
    CString* target;
    const char* key;
};

const StatusString kStatusStrings[] = {
    {&STATUS_CLOSE_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_CLOSE"},
    {&STATUS_PREOPEN_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_PREOPEN"},
    {&STATUS_OPEN_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_OPEN"},
    {&STATUS_EXPIRE_THIS_MONTH_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_EXPIRE_THIS_MONTH"},
    {&STATUS_EXPIRE_NEXT_MONTH_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_EXPIRE_NEXT_MONTH"},
    {&STATUS_EARLYCLOSE_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_EARLYCLOSE"},
    {&STATUS_EXISTPREMONTH_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_EXISTPREMONTH"},
    {&STATUS_LATEOPEN_STRING, "IDS_BKAPI_STQSYMBOL_STATUS_LATEOPEN"},
};

// Adds the entries of the split lines to the table. A header of a section the table already
// has makes that section current again, so the second file adds to the sections of the first.
void AddLines(const std::vector<CString>& lines) {
    halcyon::lang::StringTable& table = halcyon::lang::Table();
    halcyon::lang::Section* current = nullptr;
    CString name;
    CString key;
    CString value;
    for (const CString& line : lines) {
        if (line.GetAt(0) == '[' && s_LangGetSection(name, line)) {
            current = &table[name.str()];
        } else if (current != nullptr && s_LangGetKeyValue(key, value, line)) {
            (*current)[key.str()] = value.str();
        }
    }
}

// True when `part`, a component of a name, steps up a folder: "..", or dots and blanks holding two
// dots or more, which Windows reads as ".." once it drops the trailing dots and blanks.
bool StepsUp(const std::string& part) {
    std::size_t dots = 0;
    for (char c : part) {
        if (c != '.' && c != ' ') return false;
        dots += c == '.' ? 1 : 0;
    }
    return dots >= 2;
}

// A language file is named by the settings file; a name inside the language folder is taken, its
// subfolders included, never one that leads elsewhere: an absolute name, a drive ("C:", also the
// ':' of a stream) or a step up. Double-byte aware: a Big5 trail byte 0x5C separates nothing.
bool StaysInFolder(const CString& name) {
    if (name.GetAt(0) == '\\' || name.GetAt(0) == '/' || name.Find(':') >= 0) return false;
    std::string part;
    const char* text = name;
    for (const char* p = text;; ++p) {
        if (*p == '\0' || *p == '/' || *p == '\\') {
            if (StepsUp(part)) return false;
            if (*p == '\0') return true;
            part.clear();
        } else if (win::IsDBCSLeadByte(static_cast<win::BYTE>(*p)) && p[1] != '\0') {
            part += *p++;  // the trail byte belongs to the character
            part += *p;
        } else {
            part += *p;
        }
    }
}

// The section of a resource key: the text between its first and second underscore.
CString SectionOfKey(const CString& key) {
    int first = key.Find('_');
    int second = first < 0 ? -1 : key.Find('_', first + 1);
    return second < 0 ? CString() : key.Mid(first + 1, second - first - 1);
}

}  // namespace

void halcyon::lang::AddLanguageText(std::vector<char>& text) {
    text.push_back('\r');
    size_t last = text.size() - 1;
    text.push_back('\0');
    s_LangGetAllLine(text.data(), text.data() + last);
    AddLines(Lines());
}

bool s_LangInitialLanguageString() {
    using namespace halcyon::lang;
    CString folder = LanguageFolder();
    CString mainPath = folder + s_LangGetLangFile();
    std::vector<char> text;
    int cause = CFileException::badPath;
    CString fileName;
    ReadResult result = StaysInFolder(s_LangGetLangFile())
                            ? ReadWholeFile(mainPath, text, cause, fileName)
                            : ReadResult::kOpenFailed;
    switch (result) {
        case ReadResult::kOpenFailed:
            ReportOpenFailure(mainPath, cause);
            return false;
        case ReadResult::kShortRead:
            ReportReadFailure(fileName);
            return false;
        case ReadResult::kRead:
            break;
    }
    std::vector<char> second;
    CString bkPath = folder + s_LangGetBKLangFile();
    if (StaysInFolder(s_LangGetBKLangFile()) &&
        ReadWholeFile(bkPath, second, cause, fileName) == ReadResult::kShortRead) {
        ReportReadFailure(fileName);
        return false;
    }
    text.insert(text.end(), second.begin(), second.end());
    AddLanguageText(text);
    return true;
}

bool s_LangUnInitialLanguageString() {
    halcyon::lang::Table().clear();
    return true;
}

bool s_LangInitialLanguage() {
    if (s_LangGetLangID() == 2) {
        s_LangInitialGBTable();
        s_LangInitSupportSimplifiedService();
    }
    s_LangInitialLanguageString();
    for (const StatusString& status : kStatusStrings) {
        *status.target = s_LangGetLangString(CString(status.key));
    }
    return true;
}

bool s_LangUnInitialLanguage() {
    s_LangUnInitialLanguageString();
    s_LangUnInitialGBTable();
    return true;
}

bool s_LangGetLanguageString(CString& strValue, const CString& strSection, const CString& strKey) {
    const halcyon::lang::StringTable& table = halcyon::lang::Table();
    auto section = table.find(strSection.str());
    if (section == table.end()) return false;
    auto entry = section->second.find(strKey.str());
    if (entry == section->second.end()) return false;
    strValue = entry->second;
    return true;
}

CString s_LangGetLangString(const CString& strKey) {
    CString value;
    if (!s_LangGetLanguageString(value, SectionOfKey(strKey), strKey)) return CString();
    s_LangConvertEnterChar(value, value.GetLength());
    return value;
}

CString s_LangGetLangString(char* pszKey) { return s_LangGetLangString(CString(pszKey)); }
