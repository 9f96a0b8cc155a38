// SPDX-License-Identifier: Apache-2.0
// The language settings: the selected language, the installed ones, their file names.
#include <HalcyonCommon/Lang.h>
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Lang/LangState.h"
#include "Platform/Win.h"
#include "Platform/common/NeverDestroyed.h"

#include <cstdlib>

using halcyon::lang::LanguageIniPath;
using halcyon::lang::ReadSetting;

namespace {

int g_langId = -1;
halcyon::NeverDestroyed<CString> g_langFile;
halcyon::NeverDestroyed<CString> g_bkLangFile;

// The entry of the selected language's number, as written, in `section`.
CString SelectedLanguageEntry(const char* section) {
    CString lang = ReadSetting("SETTING", "LANG", "");
    return ReadSetting(section, lang, "");
}

}  // namespace

int s_LangGetLangID() {
    if (g_langId == -1) g_langId = std::atoi(ReadSetting("SETTING", "LANG", ""));
    return g_langId;
}

bool s_LangSetLang(CString& strLang) {
    win::WritePrivateProfileStringA("SETTING", "LANG", strLang, LanguageIniPath());
    return true;
}

int s_LangGetLangCount() {
    char* buffer = halcyon::lang::ProfileBuffer();
    win::GetPrivateProfileStringA("SETTING", "COUNT", "0", buffer,
                                  halcyon::lang::kProfileBufferSize, s_PathGetLangIniFilePath());
    return std::atoi(buffer);
}

CString s_LangGetLangFile() {
    if (g_langFile->IsEmpty()) *g_langFile = SelectedLanguageEntry("LANGFILE");
    return *g_langFile;
}

CString s_LangGetBKLangFile() {
    if (g_bkLangFile->IsEmpty()) *g_bkLangFile = SelectedLanguageEntry("BKLANGFILE");
    return *g_bkLangFile;
}

CString s_LangGetCurrLangFilename() {
    char* buffer = halcyon::lang::ProfileBuffer();
    CString ini = s_PathGetLangIniFilePath();
    win::GetPrivateProfileStringA("SETTING", "LANG", "0", buffer, halcyon::lang::kProfileBufferSize,
                                  ini);
    CString lang(buffer);
    win::GetPrivateProfileStringA("LANGFILE", lang, "", buffer, halcyon::lang::kProfileBufferSize,
                                  ini);
    return CString(buffer);
}
