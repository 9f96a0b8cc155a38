// The inner log object: its state, its folders, and the writing of one line.
#include <NimbusLog/LogFileImpl.h>

#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"

#include <cstdarg>

using halcyon::nimbuslog::MakeFolder;

CLogFileImpl::CLogFileImpl()
    : m_pFile(nullptr), m_nKind(kSystem), m_nLastDay(-1), m_bInitialised(false), m_nKeepDays(0) {}

CLogFileImpl::~CLogFileImpl() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
}

bool CLogFileImpl::Init(int nKind, const char* pszName, const char* pszRoot,
                        const char* pszSubFolder) {
    CSingleLock hold(&m_lock, true);
    if (m_bInitialised || pszName == nullptr || pszRoot == nullptr || pszSubFolder == nullptr)
        return false;
    m_strName = pszName;
    m_strRoot = pszRoot;
    m_strFolder = m_strRoot + "\\" + pszSubFolder + "\\";
    m_strSubFolder = pszSubFolder;
    m_nKind = nKind;
    m_bInitialised = true;
    MakeFolder(m_strFolder);
    CString kindFolder;
    kindFolder.Format("%s\\%s", static_cast<const char*>(m_strFolder),
                      m_nKind == kDebug ? "debug\\" : "system\\");
    MakeFolder(kindFolder);
    m_strFolder = kindFolder;
    return true;
}

void CLogFileImpl::SetKeepDays(int nDays) {
    CSingleLock hold(&m_lock, true);
    if (nDays >= 0) m_nKeepDays = nDays;
}

CString CLogFileImpl::GetFileName() {
    CSingleLock hold(&m_lock, true);
    return m_strFileName;
}

CString CLogFileImpl::GetFolder() {
    CSingleLock hold(&m_lock, true);
    return m_strFolder;
}

char CLogFileImpl::KindLetter() const { return m_nKind == kDebug ? 'D' : 'S'; }

bool CLogFileImpl::WriteLine(const char* pszFormat, ...) {
    CSingleLock hold(&m_lock, true);
    if (!m_bInitialised) return false;
    if (IsNewDay()) RollOver();
    win::SYSTEMTIME now;
    win::GetLocalTime(&now);
    if (m_pFile == nullptr) return false;

    bool written = std::fprintf(m_pFile, "%02d:%02d:%02d:%03d\t", now.wHour, now.wMinute,
                                now.wSecond, now.wMilliseconds) > 0;
    std::va_list args;
    va_start(args, pszFormat);
    written = std::vfprintf(m_pFile, pszFormat, args) >= 0 && written;
    va_end(args);
    written = std::fflush(m_pFile) == 0 && written;
    if (!written) std::clearerr(m_pFile);
    return written;
}
