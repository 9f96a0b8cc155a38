// SPDX-License-Identifier: Apache-2.0
// The older names of the localisation functions; each calls its current function and nothing else.
#include <HalcyonCommon/Lang.h>
#include <HalcyonCommon/Legacy.h>

bool LANG_bGetAllLine(char* pBegin, char* pEnd) { return s_LangGetAllLine(pBegin, pEnd); }
bool LANG_bGetKeyValue(CString& strKey, CString& strValue, const CString& strLine) {
    return s_LangGetKeyValue(strKey, strValue, strLine);
}
bool LANG_bGetLanguageString(CString& strValue, const CString& strSection, const CString& strKey) {
    return s_LangGetLanguageString(strValue, strSection, strKey);
}
bool LANG_bGetSection(CString& strSection, const CString& strLine) {
    return s_LangGetSection(strSection, strLine);
}
bool LANG_bInitSupportSimplifiedService() { return s_LangInitSupportSimplifiedService(); }
bool LANG_bInitialGBTable() { return s_LangInitialGBTable(); }
bool LANG_bInitialLanguage() { return s_LangInitialLanguage(); }
bool LANG_bInitialLanguageString() { return s_LangInitialLanguageString(); }
bool LANG_bIsConvertToSimplified(const unsigned char& byMarket) {
    return s_LangIsConvertToSimplified(byMarket);
}
bool LANG_bUnInitialGBTable() { return s_LangUnInitialGBTable(); }
bool LANG_bUnInitialLanguage() { return s_LangUnInitialLanguage(); }
bool LANG_bUnInitialLanguageString() { return s_LangUnInitialLanguageString(); }
CString LANG_cszGetLangFile() { return s_LangGetLangFile(); }
int LANG_iGetLangID() { return s_LangGetLangID(); }
void LANG_vConvertToSimplifiedChinese(const CString& strSource, CString& strResult) {
    s_LangConvertToSimplifiedChinese(strSource, strResult);
}

void g_vConvertEnterChar(CString& strText, int nLength) {
    s_LangConvertEnterChar(strText, nLength);
}
CString s_TQGetCurrLangFilename() { return s_LangGetCurrLangFilename(); }
int s_TQGetLangCount() { return s_LangGetLangCount(); }
bool s_TQbSetLang(CString& strLang) { return s_LangSetLang(strLang); }
CString s_TQcszGetLangString(const CString& strKey) { return s_LangGetLangString(strKey); }
CString s_TQcszGetLangString(char* pszKey) { return s_LangGetLangString(pszKey); }
void s_TQvGetAllLang(CStringArray& arrLang) { s_LangGetAllLang(arrLang); }
