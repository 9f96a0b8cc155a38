/// \file
/// The installation's folders.
///
/// The installation root is the folder of the process's executable, or its parent when that folder
/// is named BIN (any case); ``C:\Nimbus\`` when the executable's name cannot be had. Every folder
/// below is formed from the root with a backslash as separator, and the functions create the
/// folder they return (one level each; a failure to create is ignored and the path returned all
/// the same). An empty base gives an empty result. Any thread may call any of them.
///
/// The root and the DAT, SYS, LOG and TEMP folders per market are computed once per process and
/// served from memory afterwards. A market folder is the market code in four upper-case hex digits
/// (market 42: "002A"). Market code 255 has no folder: the four per-market functions return an
/// empty string for it and create nothing.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

/// The root, and the folders their names say beneath it (BIN, Help, DAT, SYS, LOG, TEMP, …).
///@{
HALCYON_API CString s_PathGetMainPath();
HALCYON_API CString s_PathGetBinPath();
HALCYON_API CString s_PathGetHelpPath();
HALCYON_API CString s_PathGetDocumentPath();
HALCYON_API CString s_PathGetFileDownloadPath();
HALCYON_API CString s_PathGetDatPath(unsigned char market);
HALCYON_API CString s_PathGetSysPath(unsigned char market);
HALCYON_API CString s_PathGetLogPath(unsigned char market);
HALCYON_API CString s_PathGetTempPath(unsigned char market);
///@}

/// One user's documents: `root\My Document\<user>` and its two subfolders.
///@{
HALCYON_API CString s_PathGetUserDocumentPath(const CString& user);
HALCYON_API CString s_PathGetDataExportPath(const CString& user);
HALCYON_API CString s_PathGetScreenSavePath(const CString& user);
///@}

/// Bond data beneath `root\DAT`.
///@{
HALCYON_API CString s_PathGetBondDataPath();
HALCYON_API CString s_PathGetBondRptPath();
HALCYON_API CString s_PathGetBondDailyRptPath();
HALCYON_API CString s_PathGetBondWeeklyRptPath();
HALCYON_API CString s_PathGetBondYieldCurvePath();
///@}

/// The download staging area, `root\FileDownload`. Nothing here is cached; the per-market ones
/// form and create both levels on every call.
///@{
HALCYON_API CString s_PathGetFileDownloadPatchPath();
HALCYON_API CString s_PathGetFileDownloadDatPath(unsigned char market);
HALCYON_API CString s_PathGetFileDownloadSysPath(unsigned char market);
HALCYON_API CString s_PathGetFileDownloadBondDataPath();
HALCYON_API CString s_PathGetFileDownloadBondRptPath();
HALCYON_API CString s_PathGetFileDownloadBondDailyRptPath();
HALCYON_API CString s_PathGetFileDownloadBondWeeklyRptPath();
HALCYON_API CString s_PathGetFileDownloadBondYieldCurvePath();
///@}

/// The same layout on the data server, relative to its root (`"DAT\0010"`); never created.
///@{
HALCYON_API CString s_PathGetServerDatPath(unsigned char market);
HALCYON_API CString s_PathGetServerSysPath(unsigned char market);
HALCYON_API CString s_PathGetServerPatchPath();
HALCYON_API CString s_PathGetServerBondDataPath();
HALCYON_API CString s_PathGetServerBondRptPath();
HALCYON_API CString s_PathGetServerBondDailyRptPath();
HALCYON_API CString s_PathGetServerBondWeeklyRptPath();
HALCYON_API CString s_PathGetServerBondYieldCurvePath();
///@}

/// The language files' folder and configuration file, from `root\system.ini`, section
/// "CONFIG_FILE", keys "FILEPATH" and "FILENAME" (read on every call; missing parts are empty).
///@{
HALCYON_API CString s_PathGetLangPath();
HALCYON_API CString s_PathGetLangIniFilePath();
///@}

/// Market data beneath `root\DAT`, by kind and by market (`"root\DAT\TICK\002A"` for market 42).
///
/// The nine functions below keep each market's folder once formed (market 0 included: its folder
/// is 0000) and create the kind's folder and the market's folder when they first form it; a
/// folder deleted later is not created again. Market code 255 has no folder: they return an empty
/// string for it and create nothing, as s_PathGetDatPath does.
///@{
HALCYON_API CString s_PathGetTickPath(unsigned char market);
HALCYON_API CString s_PathGetMinTickPath(unsigned char market);
HALCYON_API CString s_PathGetHistoryPath(unsigned char market);
HALCYON_API CString s_PathGetSignalTickPath(unsigned char market);
HALCYON_API CString s_PathGetStockLendingTickPath(unsigned char market);
HALCYON_API CString s_PathGetWizardPath(unsigned char market);
HALCYON_API CString s_PathGetNewIssuePath(unsigned char market);
HALCYON_API CString s_PathGetMemoryPath(unsigned char market);
HALCYON_API CString s_PathGetBasicANPath(unsigned char market);
///@}

/// The tick log folder, `root\DAT\TICK\<market>\LOG`: kept and created like the tick folder
/// (empty for market 255). The dividend folder is the history folder itself.
///@{
HALCYON_API CString s_PathGetTickLogFilePath(unsigned char market);
HALCYON_API CString s_PathGetDividendPath(unsigned char market);
///@}

/// Bulletins, daily information and SQL files: `root\DAT\BULLETIN\<market>` and so on, both levels
/// formed and created on every call, for any market code (255 is 00FF here).
///@{
HALCYON_API CString s_PathGetBulletinPath(unsigned char market);
HALCYON_API CString s_PathGetDailyInfoPath(unsigned char market);
HALCYON_API CString s_PathGetSQLPath(unsigned char market);
///@}

/// One name or one character below a market folder. Nothing here is kept: each level the function
/// adds is formed and created on every call. The name is used as given, as one more component; an
/// empty name leaves the result ending in a backslash.
///@{
HALCYON_API CString s_PathGetTickPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetMinTickPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetSignalTickPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetWizardPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetHistoryPath(unsigned char market, unsigned char ch);
HALCYON_API CString s_PathGetBasicANPath(unsigned char market, unsigned char ch);
///@}
/// s_PathGetHistoryPath(market, ch) + `"\LOG"`: the name of the history log, which is not created.
HALCYON_API CString s_PathGetHistoryLogFilePath(unsigned char market, unsigned char ch);
/// `root\DAT\MAGIC\<market>\<name>` and `root\DAT\SIGNAL\<market>\<name>`.
///@{
HALCYON_API CString s_PathGetMagicPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetSignalPath(unsigned char market, const CString& name);
///@}
/// News: `root\DAT\<market>\Headline\<name>`, `…\RelatedInfoHeadline\<name>`, `…\Review\<name>`,
/// `…\Story\<name>`; s_PathGetRHeadlineReviewPath names the same folder as s_PathGetNewsReviewPath.
///@{
HALCYON_API CString s_PathGetNewsHeadLinePath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetNewsRelatedInfoHeadlinePath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetNewsReviewPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetNewsStoryPath(unsigned char market, const CString& name);
HALCYON_API CString s_PathGetRHeadlineReviewPath(unsigned char market, const CString& name);
///@}
/// `root\DAT\SQLCommand\<group>`, and `root\DAT\SQLCommand\<group>\<name>` when the name is not
/// empty.
HALCYON_API CString s_PathGetSQLCmdPath(const CString& group, const CString& name);

/// The FTP mirror of s_PathGetDatPath(market) and s_PathGetSysPath(market): the local folder,
/// upper-cased, with `"\FTP"` inserted in front of its first ``\DAT\`` (or ``\SYS\``), so that
/// `C:\Quote\DAT\002A` becomes `C:\QUOTE\FTP\DAT\002A`. Every level of it is created, from the
/// drive on, on every call. Empty for market 255. Should the local folder hold no ``\DAT\`` past
/// its first character, the result is the upper-cased local folder with a trailing backslash, and
/// nothing is created.
///@{
HALCYON_API CString s_PathGetFTPDatPath(unsigned char market);
HALCYON_API CString s_PathGetFTPSysPath(unsigned char market);
///@}

/// A market's symbol files: kind 0 is `s_PathGetSysPath(market)\<name>.SYM`, kind 1 is
/// `s_PathGetSysPath(market)\<name>.IND`; the FTP variant names them in s_PathGetFTPSysPath(market)
/// (and creates that folder on every call). Empty for market 255 and for any other kind.
/// The first name formed for a market and kind is kept for the life of the process: a later call
/// for the same market and kind returns it whatever name it passes.
///@{
HALCYON_API CString s_FileGetSymbolFileName(unsigned char market, unsigned char kind,
                                            const CString& name);
HALCYON_API CString s_FileGetFTPSymbolFileName(unsigned char market, unsigned char kind,
                                               const CString& name);
///@}
