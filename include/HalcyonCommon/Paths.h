// The installation's folders.
//
// The installation root is the folder of the process's executable, or its parent when that folder
// is named BIN (any case); "C:\Nimbus\" when the executable's name cannot be had. Every folder
// below is formed from the root with a backslash as separator, and the functions create the
// folder they return (one level each; a failure to create is ignored and the path returned all
// the same). An empty base gives an empty result. Any thread may call any of them.
//
// The root and the DAT, SYS, LOG and TEMP folders per market are computed once per process and
// served from memory afterwards. A market folder is the market code in four upper-case hex digits
// (market 42: "002A"). Market code 255 has no folder: the four per-market functions return an
// empty string for it and create nothing.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

HALCYON_API CString s_PathGetMainPath();
HALCYON_API CString s_PathGetBinPath();
HALCYON_API CString s_PathGetHelpPath();
HALCYON_API CString s_PathGetDocumentPath();
HALCYON_API CString s_PathGetFileDownloadPath();
HALCYON_API CString s_PathGetDatPath(unsigned char market);
HALCYON_API CString s_PathGetSysPath(unsigned char market);
HALCYON_API CString s_PathGetLogPath(unsigned char market);
HALCYON_API CString s_PathGetTempPath(unsigned char market);

// One user's documents: root\My Document\<user> and its two subfolders.
HALCYON_API CString s_PathGetUserDocumentPath(const CString& user);
HALCYON_API CString s_PathGetDataExportPath(const CString& user);
HALCYON_API CString s_PathGetScreenSavePath(const CString& user);

// Bond data beneath root\DAT.
HALCYON_API CString s_PathGetBondDataPath();
HALCYON_API CString s_PathGetBondRptPath();
HALCYON_API CString s_PathGetBondDailyRptPath();
HALCYON_API CString s_PathGetBondWeeklyRptPath();
HALCYON_API CString s_PathGetBondYieldCurvePath();

// The download staging area, root\FileDownload. Nothing here is cached; the per-market ones
// form and create both levels on every call.
HALCYON_API CString s_PathGetFileDownloadPatchPath();
HALCYON_API CString s_PathGetFileDownloadDatPath(unsigned char market);
HALCYON_API CString s_PathGetFileDownloadSysPath(unsigned char market);
HALCYON_API CString s_PathGetFileDownloadBondDataPath();
HALCYON_API CString s_PathGetFileDownloadBondRptPath();
HALCYON_API CString s_PathGetFileDownloadBondDailyRptPath();
HALCYON_API CString s_PathGetFileDownloadBondWeeklyRptPath();
HALCYON_API CString s_PathGetFileDownloadBondYieldCurvePath();

// The same layout on the data server, relative to its root ("DAT\0010"); never created.
HALCYON_API CString s_PathGetServerDatPath(unsigned char market);
HALCYON_API CString s_PathGetServerSysPath(unsigned char market);
HALCYON_API CString s_PathGetServerPatchPath();
HALCYON_API CString s_PathGetServerBondDataPath();
HALCYON_API CString s_PathGetServerBondRptPath();
HALCYON_API CString s_PathGetServerBondDailyRptPath();
HALCYON_API CString s_PathGetServerBondWeeklyRptPath();
HALCYON_API CString s_PathGetServerBondYieldCurvePath();

// The language files' folder and configuration file, from root\system.ini, section
// "CONFIG_FILE", keys "FILEPATH" and "FILENAME" (read on every call; missing parts are empty).
HALCYON_API CString s_PathGetLangPath();
HALCYON_API CString s_PathGetLangIniFilePath();
