// SPDX-License-Identifier: Apache-2.0
// The download staging area beneath root\FileDownload. Its bases are obtained while the
// function's own critical section is held; nothing is cached.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::CreateFolder;
using halcyon::paths::FormFolder;

namespace {

// Both levels, formed and created on every call.
CString StagingMarketFolder(CCriticalSection& lock, const char* name, unsigned char market) {
    CSingleLock hold(&lock, true);
    CString top = FormFolder(lock, s_PathGetFileDownloadPath(), name);
    if (top.IsEmpty() || market == 0) return top;
    CString folder = halcyon::paths::MarketSubfolder(top, market);
    CreateFolder(folder);
    return folder;
}

// base() evaluated under `lock`, then base\leaf created.
template <typename Base>
CString StagingFolder(CCriticalSection& lock, Base base, const char* leaf) {
    CSingleLock hold(&lock, true);
    return FormFolder(lock, base(), leaf);
}

}  // namespace

CString s_PathGetFileDownloadPatchPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(*lock, s_PathGetFileDownloadPath, "Patch");
}

CString s_PathGetFileDownloadDatPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingMarketFolder(*lock, "DAT", market);
}

CString s_PathGetFileDownloadSysPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingMarketFolder(*lock, "SYS", market);
}

CString s_PathGetFileDownloadBondDataPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(
        *lock, [] { return s_PathGetFileDownloadDatPath(0); }, "Bond");
}

CString s_PathGetFileDownloadBondRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(*lock, s_PathGetFileDownloadBondDataPath, "Rpt");
}

CString s_PathGetFileDownloadBondDailyRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(*lock, s_PathGetFileDownloadBondRptPath, "DailyHis");
}

CString s_PathGetFileDownloadBondWeeklyRptPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(*lock, s_PathGetFileDownloadBondRptPath, "WeeklyHis");
}

CString s_PathGetFileDownloadBondYieldCurvePath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return StagingFolder(*lock, s_PathGetFileDownloadBondDataPath, "YieldCurve");
}
