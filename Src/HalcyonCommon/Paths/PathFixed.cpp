// SPDX-License-Identifier: Apache-2.0
// Fixed folders beneath the root: binaries, help, documents, bond data.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::FormFolder;

CString s_PathGetBinPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetMainPath(), "BIN");
}

CString s_PathGetHelpPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetMainPath(), "Help");
}

CString s_PathGetDocumentPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetMainPath(), "My Document");
}

CString s_PathGetFileDownloadPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetMainPath(), "FileDownload");
}

CString s_PathGetUserDocumentPath(const CString& user) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetDocumentPath(), user);
}

CString s_PathGetDataExportPath(const CString& user) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetUserDocumentPath(user), "DataExport");
}

CString s_PathGetScreenSavePath(const CString& user) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetUserDocumentPath(user), "ScreenSave");
}

CString s_PathGetBondDataPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetDatPath(0), "Bond");
}

CString s_PathGetBondRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetBondDataPath(), "Rpt");
}

CString s_PathGetBondDailyRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetBondRptPath(), "DailyHis");
}

CString s_PathGetBondWeeklyRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetBondRptPath(), "WeeklyHis");
}

CString s_PathGetBondYieldCurvePath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetBondDataPath(), "YieldCurve");
}
