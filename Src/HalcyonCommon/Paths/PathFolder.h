// SPDX-License-Identifier: Apache-2.0
// The common shape of the folder functions: form a path from a base, create it, return it.
#pragma once

#include <Platform/CCriticalSection.h>
#include <Platform/CString.h>

namespace halcyon::paths {

// Markets 0-254 have folders; 255 has none.
constexpr unsigned int kMarketCount = 255;

// A per-market table of finished folders, filled as markets are asked for and guarded by its
// function's own critical section. An empty entry has not been formed yet.
struct MarketTable {
    CCriticalSection lock;
    CString entries[kMarketCount];
};

// Single-level make-directory; a failure (folder exists, no permission) is ignored.
void CreateFolder(const CString& path);

// Under `lock`: base\leaf, created. Empty when `base` is empty.
CString FormFolder(CCriticalSection& lock, const CString& base, const char* leaf);

// base\%04X of `market`.
CString MarketSubfolder(const CString& base, unsigned char market);

// base\leaf and base\%04X, created; for functions that add several levels under their own lock.
CString AddFolder(const CString& base, const char* leaf);
CString AddMarketFolder(const CString& base, unsigned char market);

}  // namespace halcyon::paths
