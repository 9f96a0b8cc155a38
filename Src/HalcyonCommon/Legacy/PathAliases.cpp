// SPDX-License-Identifier: Apache-2.0
// The older names of the folder functions; each calls its current function and nothing else.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Legacy.h>
#include <HalcyonCommon/Paths.h>

CString s_TQGetMainPath() { return s_PathGetMainPath(); }
CString s_TQGetBinPath() { return s_PathGetBinPath(); }
CString s_TQGetHelpPath() { return s_PathGetHelpPath(); }
CString s_TQGetDocumentPath() { return s_PathGetDocumentPath(); }
CString s_TQGetFileDownloadPath() { return s_PathGetFileDownloadPath(); }
CString s_TQGetDatPath(unsigned char market) { return s_PathGetDatPath(market); }
CString s_TQGetSysPath(unsigned char market) { return s_PathGetSysPath(market); }
CString s_TQGetLogPath(unsigned char market) { return s_PathGetLogPath(market); }
CString s_TQGetTempPath(unsigned char market) { return s_PathGetTempPath(market); }

CString s_TQGetUserDocumentPath(const CString& user) { return s_PathGetUserDocumentPath(user); }
CString s_TQGetDataExportPath(const CString& user) { return s_PathGetDataExportPath(user); }
CString s_TQGetScreenSavePath(const CString& user) { return s_PathGetScreenSavePath(user); }

CString s_TQGetBondDataPath() { return s_PathGetBondDataPath(); }
CString s_TQGetBondRptPath() { return s_PathGetBondRptPath(); }
CString s_TQGetBondDailyRptPath() { return s_PathGetBondDailyRptPath(); }
CString s_TQGetBondWeeklyRptPath() { return s_PathGetBondWeeklyRptPath(); }
CString s_TQGetBondYieldCurvePath() { return s_PathGetBondYieldCurvePath(); }

CString s_TQGetFileDownloadPatchPath() { return s_PathGetFileDownloadPatchPath(); }
CString s_TQGetFileDownloadDatPath(unsigned char market) {
    return s_PathGetFileDownloadDatPath(market);
}
CString s_TQGetFileDownloadSysPath(unsigned char market) {
    return s_PathGetFileDownloadSysPath(market);
}
CString s_TQGetFileDownloadBondDataPath() { return s_PathGetFileDownloadBondDataPath(); }
CString s_TQGetFileDownloadBondRptPath() { return s_PathGetFileDownloadBondRptPath(); }
CString s_TQGetFileDownloadBondDailyRptPath() { return s_PathGetFileDownloadBondDailyRptPath(); }
CString s_TQGetFileDownloadBondWeeklyRptPath() { return s_PathGetFileDownloadBondWeeklyRptPath(); }
CString s_TQGetFileDownloadBondYieldCurvePath() {
    return s_PathGetFileDownloadBondYieldCurvePath();
}

CString s_TQGetServerDatPath(unsigned char market) { return s_PathGetServerDatPath(market); }
CString s_TQGetServerSysPath(unsigned char market) { return s_PathGetServerSysPath(market); }
CString s_TQGetServerPatchPath() { return s_PathGetServerPatchPath(); }
CString s_TQGetServerBondDataPath() { return s_PathGetServerBondDataPath(); }
CString s_TQGetServerBondRptPath() { return s_PathGetServerBondRptPath(); }
CString s_TQGetServerBondDailyRptPath() { return s_PathGetServerBondDailyRptPath(); }
CString s_TQGetServerBondWeeklyRptPath() { return s_PathGetServerBondWeeklyRptPath(); }
CString s_TQGetServerBondYieldCurvePath() { return s_PathGetServerBondYieldCurvePath(); }

CString s_TQGetLangPath() { return s_PathGetLangPath(); }
CString s_TQGetLangIniFilePath() { return s_PathGetLangIniFilePath(); }

CString s_TQGetTickPath(unsigned char market) { return s_PathGetTickPath(market); }
CString s_TQGetTickPath(unsigned char market, const CString& name) {
    return s_PathGetTickPath(market, name);
}
CString s_TQGetHistoryPath(unsigned char market) { return s_PathGetHistoryPath(market); }
CString s_TQGetHistoryPath(unsigned char market, unsigned char ch) {
    return s_PathGetHistoryPath(market, ch);
}
CString s_TQGetMemoryPath(unsigned char market) { return s_PathGetMemoryPath(market); }
CString s_TQGetBasicANPath(unsigned char market, unsigned char ch) {
    return s_PathGetBasicANPath(market, ch);
}
CString s_TQGetTickLogFilePath(unsigned char market) { return s_PathGetTickLogFilePath(market); }
CString s_TQGetDividendPath(unsigned char market) { return s_PathGetDividendPath(market); }
CString s_TQGetBulletinPath(unsigned char market) { return s_PathGetBulletinPath(market); }
CString s_TQGetDailyInfoPath(unsigned char market) { return s_PathGetDailyInfoPath(market); }
CString s_TQGetSQLPath(unsigned char market) { return s_PathGetSQLPath(market); }
CString s_TQGetHistoryLogFilePath(unsigned char market, unsigned char ch) {
    return s_PathGetHistoryLogFilePath(market, ch);
}

CString s_TQGetMagicPath(unsigned char market, const CString& name) {
    return s_PathGetMagicPath(market, name);
}
CString s_TQGetSignalPath(unsigned char market, const CString& name) {
    return s_PathGetSignalPath(market, name);
}
CString s_TQGetNewsHeadLinePath(unsigned char market, const CString& name) {
    return s_PathGetNewsHeadLinePath(market, name);
}
CString s_TQGetNewsRelatedInfoHeadlinePath(unsigned char market, const CString& name) {
    return s_PathGetNewsRelatedInfoHeadlinePath(market, name);
}
CString s_TQGetNewsReviewPath(unsigned char market, const CString& name) {
    return s_PathGetNewsReviewPath(market, name);
}
CString s_TQGetNewsStoryPath(unsigned char market, const CString& name) {
    return s_PathGetNewsStoryPath(market, name);
}
CString s_TQGetRHeadlineReviewPath(unsigned char market, const CString& name) {
    return s_PathGetRHeadlineReviewPath(market, name);
}

// The older name took the group alone: the current function's second argument, the file name,
// is empty, which names the group's folder itself.
CString s_TQGetSQLCmdPath(const CString& group) { return s_PathGetSQLCmdPath(group, CString()); }
CString s_TQGetVertionPath() { return s_PathGetVersionPath(); }
