// SPDX-License-Identifier: Apache-2.0
// The two log classes: an owning pointer to the inner object, and the shape of their lines.
#include <NimbusLog/SystemLog.h>

#include "NimbusLog/LogLine.h"
#include "NimbusLog/LogRoot.h"

#include <cstring>
#include <new>

using halcyon::nimbuslog::LineText;

namespace {

const char kVersion[] = "1.1.0R01";

const char* LevelText(int nLevel) {
    static const char* const kLevels[] = {"INFO", "WARNING", "MEDIUM", "HIGH", "CRITICAL"};
    return nLevel >= 1 && nLevel <= 4 ? kLevels[nLevel] : kLevels[0];
}

// The file's own name: the text after the last backslash.
const char* SourceName(const char* pszSourceFile) {
    if (pszSourceFile == nullptr) return "(null)";
    const char* slash = std::strrchr(pszSourceFile, '\\');
    return slash != nullptr ? slash + 1 : pszSourceFile;
}

bool InitLog(CLogFileImpl* impl, int kind, const char* pszName) {
    if (impl == nullptr || pszName == nullptr) return false;
    CString root = halcyon::nimbuslog::MakeLogRoot();
    return impl->Init(kind, pszName, root, pszName);
}

}  // namespace

CSystemLog::CSystemLog() : m_pImpl(new (std::nothrow) CLogFileImpl) {}
CSystemLog::~CSystemLog() { delete m_pImpl; }
const char* CSystemLog::GetVersion() { return kVersion; }
bool CSystemLog::Init(const char* pszName) {
    return InitLog(m_pImpl, CLogFileImpl::kSystem, pszName);
}

void CSystemLog::SetKeepDays(int nDays) {
    if (m_pImpl != nullptr) m_pImpl->SetKeepDays(nDays);
}

bool CSystemLog::Write(int nLevel, int nValue, const char* pszText1, const char* pszText2) {
    if (m_pImpl == nullptr) return false;
    // "%-8s\t%d\t%s\t%s\r\n"
    LineText line;
    line.Padded(LevelText(nLevel), 8).Tab().Number(nValue).Tab().Text(pszText1).Tab();
    line.Text(pszText2).End();
    return m_pImpl->WriteLine(line.data(), line.size());
}

CDebugLog::CDebugLog() : m_pImpl(new (std::nothrow) CLogFileImpl) {}
CDebugLog::~CDebugLog() { delete m_pImpl; }
const char* CDebugLog::GetVersion() { return kVersion; }
bool CDebugLog::Init(const char* pszName) {
    return InitLog(m_pImpl, CLogFileImpl::kDebug, pszName);
}

void CDebugLog::SetKeepDays(int nDays) {
    if (m_pImpl != nullptr) m_pImpl->SetKeepDays(nDays);
}

bool CDebugLog::Write(const char* pszSourceFile, int nLine, const char* pszMessage) {
    if (m_pImpl == nullptr) return false;
    // "%-20s\t%d\t%s\r\n"
    LineText line;
    line.Padded(SourceName(pszSourceFile), 20).Tab().Number(nLine).Tab().Text(pszMessage).End();
    return m_pImpl->WriteLine(line.data(), line.size());
}
