// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Lang/LangState.h"

#include <HalcyonCommon/Paths.h>
#include <Platform/CFile.h>

#include "Platform/Win.h"
#include "Platform/common/NeverDestroyed.h"

namespace halcyon::lang {
namespace {

ReadResult ReadFileBytes(const CString& path, std::vector<char>& bytes, int& cause,
                         CString& fileName) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error)) {
        cause = error.m_cause;
        return ReadResult::kOpenFailed;
    }
    fileName = file.GetFileName();
    try {
        unsigned long long length = file.GetLength();
        if (length > kMaxFileSize) return ReadResult::kShortRead;
        bytes.assign(static_cast<size_t>(length) + 1, '\0');
        unsigned int read = file.Read(bytes.data(), static_cast<unsigned int>(length));
        file.Close();
        if (read < length) return ReadResult::kShortRead;
        bytes.resize(static_cast<size_t>(length));
        return ReadResult::kRead;
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
        return ReadResult::kOpenFailed;
    }
}

}  // namespace

StringTable& Table() {
    static NeverDestroyed<StringTable> table;
    return *table;
}

std::vector<CString>& Lines() {
    static NeverDestroyed<std::vector<CString>> lines;
    return *lines;
}

char* ProfileBuffer() {
    static char buffer[kProfileBufferSize];
    return buffer;
}

CString LanguageFolder() { return s_PathGetMainPath() + "\\Sys\\Language\\"; }

CString LanguageIniPath() { return LanguageFolder() + "Language.ini"; }

CString ReadSetting(const char* section, const char* key, const char* defaultValue) {
    char* buffer = ProfileBuffer();
    buffer[0] = '\0';
    win::GetPrivateProfileStringA(section, key, defaultValue, buffer, kProfileBufferSize,
                                  LanguageIniPath());
    return CString(buffer);
}

ReadResult ReadWholeFile(const CString& path, std::vector<char>& bytes, int& cause,
                         CString& fileName) {
    bytes.clear();
    ReadResult result = ReadFileBytes(path, bytes, cause, fileName);
    if (result != ReadResult::kRead) bytes.clear();
    return result;
}

void ReportOpenFailure(const CString& path, int cause) {
    CString text;
    text.Format("[%s]--error code:%d\n", static_cast<const char*>(path), cause);
    win::MessageBoxA(nullptr, text, nullptr, MB_OK);
}

void ReportReadFailure(const CString& fileName) {
    CString text;
    text.Format("[%s] reading error!\n", static_cast<const char*>(fileName));
    win::MessageBoxA(nullptr, text, nullptr, MB_OK);
}

}  // namespace halcyon::lang
