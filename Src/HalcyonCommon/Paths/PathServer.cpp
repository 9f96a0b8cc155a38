// SPDX-License-Identifier: Apache-2.0
// The installation's layout on the data server, relative to its root. Nothing is created.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"

namespace {

CString ServerFolder(const CString& base, const char* leaf) {
    CString folder;
    folder.Format("%s\\%s", static_cast<const char*>(base), leaf);
    return folder;
}

CString ServerMarketFolder(const char* top, unsigned char market) {
    return market == 0 ? CString(top) : halcyon::paths::MarketSubfolder(top, market);
}

}  // namespace

CString s_PathGetServerDatPath(unsigned char market) { return ServerMarketFolder("DAT", market); }
CString s_PathGetServerSysPath(unsigned char market) { return ServerMarketFolder("SYS", market); }
CString s_PathGetServerPatchPath() { return "Patch"; }
CString s_PathGetServerBondDataPath() { return ServerFolder(s_PathGetServerDatPath(0), "Bond"); }
CString s_PathGetServerBondRptPath() { return ServerFolder(s_PathGetServerBondDataPath(), "Rpt"); }

CString s_PathGetServerBondDailyRptPath() {
    return ServerFolder(s_PathGetServerBondRptPath(), "DailyHis");
}

CString s_PathGetServerBondWeeklyRptPath() {
    return ServerFolder(s_PathGetServerBondRptPath(), "WeeklyHis");
}

CString s_PathGetServerBondYieldCurvePath() {
    return ServerFolder(s_PathGetServerBondDataPath(), "YieldCurve");
}
