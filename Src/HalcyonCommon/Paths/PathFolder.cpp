// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Paths/PathFolder.h"

#include "Platform/Win.h"

namespace halcyon::paths {

void CreateFolder(const CString& path) { win::CreateDirectoryA(path, nullptr); }

CString FormFolder(CCriticalSection& lock, const CString& base, const char* leaf) {
    if (base.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    return AddFolder(base, leaf);
}

CString MarketSubfolder(const CString& base, unsigned char market) {
    CString folder;
    folder.Format("%s\\%04X", static_cast<const char*>(base), static_cast<unsigned int>(market));
    return folder;
}

CString AddFolder(const CString& base, const char* leaf) {
    CString folder;
    folder.Format("%s\\%s", static_cast<const char*>(base), leaf);
    CreateFolder(folder);
    return folder;
}

CString AddMarketFolder(const CString& base, unsigned char market) {
    CString folder = MarketSubfolder(base, market);
    CreateFolder(folder);
    return folder;
}

}  // namespace halcyon::paths
