// SPDX-License-Identifier: Apache-2.0
// The installation root and the four per-market top-level folders.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/Win.h"
#include "Platform/common/ModuleName.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::CreateFolder;
using halcyon::paths::kMarketCount;

namespace {

const char kFallbackRoot[] = "C:\\Nimbus\\";

// The folder of `exe`, or its parent when that folder is named BIN.
CString RootFromExecutable(const CString& exe) {
    int slash = exe.ReverseFind('\\');
    if (slash < 0) return exe;
    CString folder = exe.Left(slash);
    slash = folder.ReverseFind('\\');
    if (slash >= 0 && folder.Mid(slash + 1).CompareNoCase("BIN") == 0) folder = folder.Left(slash);
    return folder;
}

using halcyon::paths::MarketTable;

// Entry 0 of `table` is the top-level folder, entry m the folder of market m.
CString MarketFolder(MarketTable& table, const char* name, unsigned char market) {
    if (market >= kMarketCount) return CString();
    CString root = s_PathGetMainPath();
    if (root.IsEmpty()) return CString();
    CSingleLock hold(&table.lock, true);
    CString& top = table.entries[0];
    if (top.IsEmpty()) {
        top.Format("%s\\%s", static_cast<const char*>(root), name);
        CreateFolder(top);
    }
    if (market == 0) return top;
    CString& entry = table.entries[market];
    if (entry.IsEmpty()) {
        entry = halcyon::paths::MarketSubfolder(top, market);
        CreateFolder(entry);
    }
    return entry;
}

}  // namespace

CString s_PathGetMainPath() {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    static halcyon::NeverDestroyed<CString> root;
    CSingleLock hold(&lock.get(), true);
    if (!root->IsEmpty()) return *root;
    CString exe = halcyon::ExecutableFileName();
    *root = exe.IsEmpty() ? CString(kFallbackRoot) : RootFromExecutable(exe);
    CreateFolder(*root);
    return *root;
}

CString s_PathGetDatPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return MarketFolder(*table, "DAT", market);
}

CString s_PathGetSysPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return MarketFolder(*table, "SYS", market);
}

CString s_PathGetLogPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return MarketFolder(*table, "LOG", market);
}

CString s_PathGetTempPath(unsigned char market) {
    static halcyon::NeverDestroyed<MarketTable> table;
    return MarketFolder(*table, "TEMP", market);
}
