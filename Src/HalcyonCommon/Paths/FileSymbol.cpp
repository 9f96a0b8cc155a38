// SPDX-License-Identifier: Apache-2.0
// The names of a market's symbol files, local and FTP: <folder>\<name>.SYM (kind 0) and
// <folder>\<name>.IND (kind 1). The first name formed for a market and kind is kept.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::kMarketCount;

namespace {

constexpr unsigned int kKinds = 2;

// Entry market * 2 + kind; an empty entry has not been formed yet.
struct SymbolTable {
    CCriticalSection lock;
    CString entries[kMarketCount * kKinds];
};

bool ValidSymbol(unsigned char market, unsigned char kind) {
    return market < kMarketCount && kind < kKinds;
}

// The entry of (market, kind), formed from `folder()` when empty; `folder` runs under the lock.
template <typename Folder>
CString SymbolFileName(SymbolTable& table, unsigned char market, unsigned char kind,
                       const CString& name, Folder folder) {
    CSingleLock hold(&table.lock, true);
    CString& entry = table.entries[market * kKinds + kind];
    if (!entry.IsEmpty()) return entry;
    CString base = folder();
    if (base.IsEmpty()) return CString();
    entry.Format(kind == 0 ? "%s\\%s.SYM" : "%s\\%s.IND", static_cast<const char*>(base),
                 static_cast<const char*>(name));
    return entry;
}

}  // namespace

CString s_FileGetSymbolFileName(unsigned char market, unsigned char kind, const CString& name) {
    static halcyon::NeverDestroyed<SymbolTable> table;
    if (!ValidSymbol(market, kind)) return CString();
    return SymbolFileName(*table, market, kind, name,
                          [market] { return s_PathGetSysPath(market); });
}

// The mirror folder is obtained (and created) on every call, before the table is looked at.
CString s_FileGetFTPSymbolFileName(unsigned char market, unsigned char kind, const CString& name) {
    static halcyon::NeverDestroyed<SymbolTable> table;
    if (!ValidSymbol(market, kind)) return CString();
    CString ftp = s_PathGetFTPSysPath(market);
    if (ftp.IsEmpty()) return CString();
    return SymbolFileName(*table, market, kind, name, [&ftp] { return ftp; });
}
