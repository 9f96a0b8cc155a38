/// \file
/// The older exported names, kept for modules built against them.
///
/// Each name below is an exported function of its own that calls the current function named beside
/// it with the same arguments, in the same order, and returns its result: no check, no state, no
/// other effect. Everything said of the current function (results, failures, files, threads) holds
/// for its older name.
///
/// Two older names do not take their current function's arguments one for one:
/// - s_TQGetSQLCmdPath(group) is s_PathGetSQLCmdPath(group, "");
/// - s_TQGetVertionPath (spelled so) is s_PathGetVersionPath.
/// s_TQGetTickPath and s_TQGetHistoryPath exist in both forms of their current functions (market
/// only; market and a name or a character); s_TQGetBasicANPath exists only in the two-argument
/// form.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>
#include <Platform/CStringArray.h>

/// Language selection, loading, lookup and conversion: `LANG_<type letter><name>` is
/// `s_Lang<name>`.
///@{
HALCYON_API bool LANG_bGetAllLine(char* pBegin, char* pEnd);
HALCYON_API bool LANG_bGetKeyValue(CString& strKey, CString& strValue, const CString& strLine);
HALCYON_API bool LANG_bGetLanguageString(CString& strValue, const CString& strSection,
                                         const CString& strKey);
HALCYON_API bool LANG_bGetSection(CString& strSection, const CString& strLine);
HALCYON_API bool LANG_bInitSupportSimplifiedService();
HALCYON_API bool LANG_bInitialGBTable();
HALCYON_API bool LANG_bInitialLanguage();
HALCYON_API bool LANG_bInitialLanguageString();
HALCYON_API bool LANG_bIsConvertToSimplified(const unsigned char& byMarket);
HALCYON_API bool LANG_bUnInitialGBTable();
HALCYON_API bool LANG_bUnInitialLanguage();
HALCYON_API bool LANG_bUnInitialLanguageString();
HALCYON_API CString LANG_cszGetLangFile();
HALCYON_API int LANG_iGetLangID();
HALCYON_API void LANG_vConvertToSimplifiedChinese(const CString& strSource, CString& strResult);
///@}

/// Other language functions.
///@{
HALCYON_API void g_vConvertEnterChar(CString& strText, int nLength);  ///< s_LangConvertEnterChar
HALCYON_API CString s_TQGetCurrLangFilename();                        ///< s_LangGetCurrLangFilename
HALCYON_API int s_TQGetLangCount();                                   ///< s_LangGetLangCount
HALCYON_API bool s_TQbSetLang(CString& strLang);                      ///< s_LangSetLang
HALCYON_API CString s_TQcszGetLangString(const CString& strKey);      ///< s_LangGetLangString
HALCYON_API CString s_TQcszGetLangString(char* pszKey);               ///< s_LangGetLangString
HALCYON_API void s_TQvGetAllLang(CStringArray& arrLang);              ///< s_LangGetAllLang
///@}

/// The installation's folders: `s_TQGet<name>Path` is `s_PathGet<name>Path`.
///@{
HALCYON_API CString s_TQGetMainPath();
HALCYON_API CString s_TQGetBinPath();
HALCYON_API CString s_TQGetHelpPath();
HALCYON_API CString s_TQGetDocumentPath();
HALCYON_API CString s_TQGetFileDownloadPath();
HALCYON_API CString s_TQGetDatPath(unsigned char market);
HALCYON_API CString s_TQGetSysPath(unsigned char market);
HALCYON_API CString s_TQGetLogPath(unsigned char market);
HALCYON_API CString s_TQGetTempPath(unsigned char market);
HALCYON_API CString s_TQGetUserDocumentPath(const CString& user);
HALCYON_API CString s_TQGetDataExportPath(const CString& user);
HALCYON_API CString s_TQGetScreenSavePath(const CString& user);
HALCYON_API CString s_TQGetBondDataPath();
HALCYON_API CString s_TQGetBondRptPath();
HALCYON_API CString s_TQGetBondDailyRptPath();
HALCYON_API CString s_TQGetBondWeeklyRptPath();
HALCYON_API CString s_TQGetBondYieldCurvePath();
HALCYON_API CString s_TQGetFileDownloadPatchPath();
HALCYON_API CString s_TQGetFileDownloadDatPath(unsigned char market);
HALCYON_API CString s_TQGetFileDownloadSysPath(unsigned char market);
HALCYON_API CString s_TQGetFileDownloadBondDataPath();
HALCYON_API CString s_TQGetFileDownloadBondRptPath();
HALCYON_API CString s_TQGetFileDownloadBondDailyRptPath();
HALCYON_API CString s_TQGetFileDownloadBondWeeklyRptPath();
HALCYON_API CString s_TQGetFileDownloadBondYieldCurvePath();
HALCYON_API CString s_TQGetServerDatPath(unsigned char market);
HALCYON_API CString s_TQGetServerSysPath(unsigned char market);
HALCYON_API CString s_TQGetServerPatchPath();
HALCYON_API CString s_TQGetServerBondDataPath();
HALCYON_API CString s_TQGetServerBondRptPath();
HALCYON_API CString s_TQGetServerBondDailyRptPath();
HALCYON_API CString s_TQGetServerBondWeeklyRptPath();
HALCYON_API CString s_TQGetServerBondYieldCurvePath();
HALCYON_API CString s_TQGetLangPath();
HALCYON_API CString s_TQGetLangIniFilePath();
HALCYON_API CString s_TQGetTickPath(unsigned char market);
HALCYON_API CString s_TQGetTickPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetHistoryPath(unsigned char market);
HALCYON_API CString s_TQGetHistoryPath(unsigned char market, unsigned char ch);
HALCYON_API CString s_TQGetMemoryPath(unsigned char market);
HALCYON_API CString s_TQGetBasicANPath(unsigned char market, unsigned char ch);
HALCYON_API CString s_TQGetTickLogFilePath(unsigned char market);
HALCYON_API CString s_TQGetDividendPath(unsigned char market);
HALCYON_API CString s_TQGetBulletinPath(unsigned char market);
HALCYON_API CString s_TQGetDailyInfoPath(unsigned char market);
HALCYON_API CString s_TQGetSQLPath(unsigned char market);
HALCYON_API CString s_TQGetHistoryLogFilePath(unsigned char market, unsigned char ch);
HALCYON_API CString s_TQGetMagicPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetSignalPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetNewsHeadLinePath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetNewsRelatedInfoHeadlinePath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetNewsReviewPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetNewsStoryPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetRHeadlineReviewPath(unsigned char market, const CString& name);
HALCYON_API CString s_TQGetSQLCmdPath(const CString& group);  ///< s_PathGetSQLCmdPath(group, "")
HALCYON_API CString s_TQGetVertionPath();                     ///< s_PathGetVersionPath
///@}

/// Application information: `s_TQGet<name>` is `s_AppInfoGet<name>`.
///@{
HALCYON_API void s_TQGetAPPCopywrite(CString& strValue);
HALCYON_API void s_TQGetAPPID(CString& strValue);
HALCYON_API void s_TQGetAPPUserId(CString& strValue);
HALCYON_API void s_TQGetAccountType(CString& strValue);
HALCYON_API void s_TQGetBrokerID(CString& strValue);
HALCYON_API void s_TQGetConnectVSTAAddr(CString& strValue);
HALCYON_API void s_TQGetLoginType(CString& strValue);
HALCYON_API void s_TQGetProductDate(CString& strValue);
HALCYON_API void s_TQGetProductID(CString& strValue);
HALCYON_API void s_TQGetProductName(CString& strValue);
HALCYON_API void s_TQGetProductType(CString& strValue);
HALCYON_API void s_TQGetProductVersion(CString& strValue);
HALCYON_API CString s_TQGetSystemInfoByKeyInSection(const CString& strKey,
                                                    const CString& strSection);
HALCYON_API CString s_TQGetVersionInfoByKey(CString& strKey);
HALCYON_API bool s_TQCheckPrevInstance(const char* lpszTaskName);  ///< s_AppInfoCheckPrevInstance
///@}

/// Named mutexes: `s_TQ<verb>Mutex` is `s_Mutex<verb>`.
///@{
HALCYON_API void* s_TQCreateMutex(const char* lpszName);
HALCYON_API void* s_TQOpenMutex(const char* lpszName);
HALCYON_API void s_TQCloseMutex(void* hMutex);
HALCYON_API void s_TQResetMutex(void* hMutex);
HALCYON_API bool s_TQWaitMutex(void* hMutex, bool bWait);
///@}

/// Conversions.
///@{
HALCYON_API bool s_TQBCDtoHEX(unsigned long* pdwValue, unsigned char* const pbyBCD,
                              unsigned short wLen);  ///< s_CastBCDtoHex
HALCYON_API bool s_TQHEXtoBCD(unsigned long dwValue, unsigned char* pbyBCD,
                              unsigned short wLen);  ///< s_CastHextoBCD
HALCYON_API bool s_TQHex2Str(unsigned char* pbySource, unsigned char byLen,
                             unsigned char* pbyTarget,
                             unsigned char* pbyOutLen);  ///< s_CastHexToStr
HALCYON_API bool s_TQStr2Hex(unsigned char* pbySource, unsigned char byLen,
                             unsigned char* pbyTarget,
                             unsigned char* pbyOutLen);  ///< s_CastStrToHex
HALCYON_API unsigned short s_TQPackHexToChar(unsigned short wLen, unsigned char* lpInptr,
                                             unsigned char* lpOutptr);  ///< s_CastHexToChar
HALCYON_API unsigned long s_TQStrValue(char* pszValue, bool bHex);      ///< s_CastStrToValue
///@}

/// Codecs: the LZ/Huffman codec and the block scrambler.
///@{
HALCYON_API long s_Tzip_mEncode(char* pInBuf, long lInLen, char* pOutBuf,
                                long lOutSize);  ///< s_CodingEncode
HALCYON_API long s_Tzip_mDecode(char* pInBuf, long lInLen, char* pOutBuf,
                                long lOutSize);  ///< s_CodingDecode
HALCYON_API long TQEncode(long lLength, unsigned char* pbyInput,
                          unsigned char* pbyOutput);  ///< s_CodingEncode_2
HALCYON_API long TQDecode(long lLength, unsigned char* pbyInput,
                          unsigned char* pbyOutput);  ///< s_CodingDecode_2
///@}
