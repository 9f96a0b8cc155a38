/// \file
/// Localisation: the user's language, the language string table, the eight status strings, and
/// the conversion of Traditional Chinese (Big5) text into Simplified Chinese (GB).
///
/// The language settings file is `root\Sys\Language\Language.ini`: "SETTING"/"LANG" is the selected
/// language's number, "SETTING"/"COUNT" the number installed, "LANGNAME"/1, 2, … the resource keys
/// of their display names, `"LANGFILE"/<LANG>` and `"BKLANGFILE"/<LANG>` the file names of the
/// selected language's language file and its second ("BK") file, both in `root\Sys\Language`.
///
/// A language file is text in the system code page, lines ended by CR LF. "[name]" starts a
/// section; "key=value" is an entry (split at the first "=", nothing trimmed; a later entry of the
/// same key wins); other lines are ignored. A value's `"\n"` or `"\N"` is shown as a line break.
/// The section of resource key "IDS_MAIN_TITLE" is the text between its first two underscores,
/// "MAIN"; the entry's key is the whole resource key.
///
/// None of these functions locks: call them from one thread at a time, and do not load or unload
/// while another thread looks texts up or converts.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>
#include <Platform/CStringArray.h>

/// Selection. The language number is read once per process and kept; s_LangSetLang writes the
/// choice for the next start of the process.
///@{
HALCYON_API int s_LangGetLangID();
HALCYON_API bool s_LangSetLang(CString& strLang);
HALCYON_API int s_LangGetLangCount();
HALCYON_API CString s_LangGetLangFile();
HALCYON_API CString s_LangGetBKLangFile();
HALCYON_API CString s_LangGetCurrLangFilename();
///@}
/// The display names of the installed languages, in the current language.
HALCYON_API void s_LangGetAllLang(CStringArray& arrLang);

/// Loading. s_LangInitialLanguage loads the conversion table first when the language is number 2,
/// then the string table, then fills the status strings; always true. A language file that cannot
/// be read is reported in a message box.
///@{
HALCYON_API bool s_LangInitialLanguage();
HALCYON_API bool s_LangInitialLanguageString();
HALCYON_API bool s_LangUnInitialLanguageString();
HALCYON_API bool s_LangUnInitialLanguage();
///@}

/// Lookup. s_LangGetLangString gives "" for a key the table lacks.
///@{
HALCYON_API bool s_LangGetLanguageString(CString& strValue, const CString& strSection,
                                         const CString& strKey);
HALCYON_API CString s_LangGetLangString(const CString& strKey);
HALCYON_API CString s_LangGetLangString(char* pszKey);
///@}
/// Replaces each backslash + "n"/"N" within the first nLength bytes with CR LF; the length stays.
HALCYON_API void s_LangConvertEnterChar(CString& strText, int nLength);

/// Parsing, in place: s_LangGetAllLine splits [begin, end] at carriage returns into the line
/// list (the byte after each carriage return is skipped, empty lines dropped, a NUL ends the
/// text); the other two split one line.
///@{
HALCYON_API bool s_LangGetAllLine(char* pBegin, char* pEnd);
HALCYON_API bool s_LangGetSection(CString& strSection, const CString& strLine);
HALCYON_API bool s_LangGetKeyValue(CString& strKey, CString& strValue, const CString& strLine);
///@}

/// A symbol's trading states in the current language, filled by s_LangInitialLanguage.
///@{
HALCYON_API extern CString STATUS_CLOSE_STRING;
HALCYON_API extern CString STATUS_PREOPEN_STRING;
HALCYON_API extern CString STATUS_OPEN_STRING;
HALCYON_API extern CString STATUS_EXPIRE_THIS_MONTH_STRING;
HALCYON_API extern CString STATUS_EXPIRE_NEXT_MONTH_STRING;
HALCYON_API extern CString STATUS_EARLYCLOSE_STRING;
HALCYON_API extern CString STATUS_EXISTPREMONTH_STRING;
HALCYON_API extern CString STATUS_LATEOPEN_STRING;
///@}

/// Traditional to Simplified. The table is `root\Sys\Language\BIG5-GB.TAB` (13565 two-byte GB
/// codes, one per Big5 position), with overrides from "RareCHT.ini" section "RareCharacter"
/// (index=GB code). Markets listed in `root\SYS\Application.ini`, "LANG_Service" /
/// "Simplified_Service" (two hex digits each, separated by blanks, commas or line feeds) already
/// deliver Simplified text.
///@{
HALCYON_API bool s_LangInitialGBTable();
HALCYON_API bool s_LangUnInitialGBTable();
HALCYON_API bool s_LangInitSupportSimplifiedService();
///@}
/// True when the language is number 2 and the market is 0 or not in the list of Simplified markets.
HALCYON_API bool s_LangIsConvertToSimplified(const unsigned char& byMarket);
/// Converts Big5 text to GB, character by character; leaves strResult alone when no table is
/// loaded. The result is never longer than the source.
HALCYON_API void s_LangConvertToSimplifiedChinese(const CString& strSource, CString& strResult);
