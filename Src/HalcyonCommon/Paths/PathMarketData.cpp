// SPDX-License-Identifier: Apache-2.0
// Market data folders beneath root\DAT, by kind and by market: the nine kept in a table per
// kind, the tick log folders, and the three formed anew on every call.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::AddFolder;
using halcyon::paths::AddMarketFolder;
using halcyon::paths::kMarketCount;
using halcyon::paths::MarketTable;

namespace {

// DAT\<kind>\<market>, formed and created once per market; both levels are created when the
// market's entry is formed. Market 255 has no entry: empty, nothing created.
CString CachedDataFolder(MarketTable& table, const char* kind, unsigned char market) {
    if (market >= kMarketCount) return CString();
    CSingleLock hold(&table.lock, true);
    CString& entry = table.entries[market];
    if (!entry.IsEmpty()) return entry;
    CString dat = s_PathGetDatPath(0);
    if (dat.IsEmpty()) return CString();
    entry = AddMarketFolder(AddFolder(dat, kind), market);
    return entry;
}

// DAT\<kind>\<market>, both levels formed and created on every call.
CString DataFolder(CCriticalSection& lock, const char* kind, unsigned char market) {
    CString dat = s_PathGetDatPath(0);
    if (dat.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    return AddMarketFolder(AddFolder(dat, kind), market);
}

}  // namespace

CString s_PathGetTickPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "TICK", market);
}

CString s_PathGetMinTickPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "Min", market);
}

CString s_PathGetHistoryPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "HISTORY", market);
}

CString s_PathGetSignalTickPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "SignalTick", market);
}

CString s_PathGetStockLendingTickPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "StockLending", market);
}

CString s_PathGetWizardPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "Wizard", market);
}

CString s_PathGetNewIssuePath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "NewIssue", market);
}

CString s_PathGetMemoryPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "MEMORY", market);
}

CString s_PathGetBasicANPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return CachedDataFolder(*table, "BASICAN", market);
}

CString s_PathGetTickLogFilePath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    if (market >= kMarketCount) return CString();
    CSingleLock hold(&table->lock, true);
    CString& entry = table->entries[market];
    if (!entry.IsEmpty()) return entry;
    CString tick = s_PathGetTickPath(market);
    if (tick.IsEmpty()) return CString();
    entry = AddFolder(tick, "LOG");
    return entry;
}

CString s_PathGetDividendPath(unsigned char market) { return s_PathGetHistoryPath(market); }

CString s_PathGetBulletinPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return DataFolder(*lock, "BULLETIN", market);
}

CString s_PathGetDailyInfoPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return DataFolder(*lock, "DAILYINFO", market);
}

CString s_PathGetSQLPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return DataFolder(*lock, "SQL", market);
}
