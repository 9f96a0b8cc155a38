// SPDX-License-Identifier: Apache-2.0
// The FTP mirror folders: the local DAT or SYS folder of a market, upper-cased, with "\FTP"
// inserted in front of the first "\DAT\" (or "\SYS\"), every level created from the left.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/Mbcs.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::CreateFolder;
using halcyon::paths::kMarketCount;

namespace {

// Where `marker` ("\DAT\") first stands in `path` as whole characters (its backslash is not the
// trail byte of a double-byte character); -1 when it does not.
int FindMarker(const CString& path, const char* marker) {
    const char* text = path;
    const auto length = static_cast<size_t>(path.GetLength());
    const CString wanted(marker);
    for (int at = halcyon::mbcs::FindChar(text, length, '\\'); at >= 0;
         at = halcyon::mbcs::FindChar(text, length, '\\', static_cast<size_t>(at) + 1)) {
        if (path.Mid(at, wanted.GetLength()) == wanted) return at;
    }
    return -1;
}

// Creates every folder of `path` from the left: the text up to and including each backslash.
void CreateEveryLevel(const CString& path) {
    const char* text = path;
    const auto length = static_cast<size_t>(path.GetLength());
    for (int at = halcyon::mbcs::FindChar(text, length, '\\'); at >= 0;
         at = halcyon::mbcs::FindChar(text, length, '\\', static_cast<size_t>(at) + 1)) {
        CreateFolder(path.Left(at + 1));
    }
}

CString FtpMirror(CCriticalSection& lock, const CString& local, const char* marker) {
    if (local.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    CString path = local + "\\";
    path.MakeUpper();
    int at = FindMarker(path, marker);
    if (at <= 0) return path;
    path.Insert(at, "\\FTP");
    CreateEveryLevel(path);
    return path.Left(path.GetLength() - 1);
}

}  // namespace

CString s_PathGetFTPDatPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    if (market >= kMarketCount) return CString();
    return FtpMirror(*lock, s_PathGetDatPath(market), "\\DAT\\");
}

CString s_PathGetFTPSysPath(unsigned char market) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    if (market >= kMarketCount) return CString();
    return FtpMirror(*lock, s_PathGetSysPath(market), "\\SYS\\");
}
