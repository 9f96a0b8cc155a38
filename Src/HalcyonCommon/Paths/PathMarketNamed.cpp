// SPDX-License-Identifier: Apache-2.0
// Folders of one name or one character below a market folder, and the news, MAGIC, SIGNAL and
// SQL command folders. Nothing here is kept: each level a function adds is formed and created on
// every call.
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Paths/PathFolder.h"
#include "Platform/common/NeverDestroyed.h"

using halcyon::paths::AddFolder;
using halcyon::paths::AddMarketFolder;
using halcyon::paths::FormFolder;

namespace {

// base\<ch> (one character, "%c"), created. Empty when `base` is empty.
CString CharFolder(CCriticalSection& lock, const CString& base, unsigned char ch) {
    if (base.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    CString folder;
    folder.Format("%s\\%c", static_cast<const char*>(base), ch);
    halcyon::paths::CreateFolder(folder);
    return folder;
}

// DAT\<kind>\<market>\<name>, every level created.
CString KindMarketNameFolder(CCriticalSection& lock, const char* kind, unsigned char market,
                             const CString& name) {
    CString dat = s_PathGetDatPath(0);
    if (dat.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    return AddFolder(AddMarketFolder(AddFolder(dat, kind), market), name);
}

// DAT\<market>\<kind>\<name>, every level created.
CString NewsFolder(CCriticalSection& lock, unsigned char market, const char* kind,
                   const CString& name) {
    CString dat = s_PathGetDatPath(0);
    if (dat.IsEmpty()) return CString();
    CSingleLock hold(&lock, true);
    return AddFolder(AddFolder(AddMarketFolder(dat, market), kind), name);
}

}  // namespace

CString s_PathGetTickPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetTickPath(market), name);
}

CString s_PathGetMinTickPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetMinTickPath(market), name);
}

CString s_PathGetSignalTickPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetSignalTickPath(market), name);
}

CString s_PathGetWizardPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return FormFolder(*lock, s_PathGetWizardPath(market), name);
}

CString s_PathGetHistoryPath(unsigned char market, unsigned char ch) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return CharFolder(*lock, s_PathGetHistoryPath(market), ch);
}

CString s_PathGetBasicANPath(unsigned char market, unsigned char ch) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return CharFolder(*lock, s_PathGetBasicANPath(market), ch);
}

// The history log is a file in the character's folder: its name is formed, not created.
CString s_PathGetHistoryLogFilePath(unsigned char market, unsigned char ch) {
    CString folder = s_PathGetHistoryPath(market, ch);
    if (folder.IsEmpty()) return folder;
    return folder + "\\LOG";
}

CString s_PathGetMagicPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return KindMarketNameFolder(*lock, "MAGIC", market, name);
}

CString s_PathGetSignalPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return KindMarketNameFolder(*lock, "SIGNAL", market, name);
}

CString s_PathGetNewsHeadLinePath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return NewsFolder(*lock, market, "Headline", name);
}

CString s_PathGetNewsRelatedInfoHeadlinePath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return NewsFolder(*lock, market, "RelatedInfoHeadline", name);
}

CString s_PathGetNewsReviewPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return NewsFolder(*lock, market, "Review", name);
}

CString s_PathGetNewsStoryPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return NewsFolder(*lock, market, "Story", name);
}

CString s_PathGetRHeadlineReviewPath(unsigned char market, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    return NewsFolder(*lock, market, "Review", name);
}

CString s_PathGetSQLCmdPath(const CString& group, const CString& name) {
    static halcyon::NeverDestroyed<CCriticalSection> lock;
    CString dat = s_PathGetDatPath(0);
    if (dat.IsEmpty()) return CString();
    CSingleLock hold(&lock.get(), true);
    CString folder = AddFolder(AddFolder(dat, "SQLCommand"), group);
    return name.IsEmpty() ? folder : AddFolder(folder, name);
}
