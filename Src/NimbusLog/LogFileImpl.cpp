// SPDX-License-Identifier: Apache-2.0
// The inner log object: its state, its folders, its day file (LogDayFile.h) and the writing of
// one line.
#include <NimbusLog/LogFileImpl.h>

#include "NimbusLog/LogDayFile.h"
#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"

using halcyon::nimbuslog::MakeFolder;

CLogFileImpl::CLogFileImpl()
    : m_pFile(nullptr), m_nKind(kSystem), m_nLastDay(-1), m_bInitialised(false), m_nKeepDays(0) {}

CLogFileImpl::~CLogFileImpl() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
}

bool CLogFileImpl::Init(int nKind, const char* pszName, const char* pszRoot,
                        const char* pszSubFolder) {
    CSingleLock hold(&m_lock, true);
    if (m_bInitialised || pszName == nullptr || pszRoot == nullptr || pszSubFolder == nullptr ||
        !halcyon::nimbuslog::IsPlainName(pszName) || !halcyon::nimbuslog::IsPlainName(pszSubFolder))
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

bool CLogFileImpl::IsNewDay() {
    CSingleLock hold(&m_lock, true);
    return halcyon::nimbuslog::DayHasChanged(m_nLastDay);
}

bool CLogFileImpl::RollOver() {
    CSingleLock hold(&m_lock, true);
    if (!halcyon::nimbuslog::TodaysFileName(KindLetter(), m_strName, m_strFileName)) return false;
    return OpenDayFile();
}

bool CLogFileImpl::OpenDayFile() {
    CSingleLock hold(&m_lock, true);
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_pFile = halcyon::nimbuslog::OpenDayFile(m_strFolder, m_strFileName);
    if (m_pFile == nullptr) return false;
    RemoveOldFiles();
    return true;
}

void CLogFileImpl::RemoveOldFiles() {
    CSingleLock hold(&m_lock, true);
    if (!m_bInitialised || m_nKeepDays == 0) return;
    halcyon::nimbuslog::RemoveFilesPastKeep(m_strFolder, KindLetter(), m_strName, m_nKeepDays);
}

namespace {

// "hh:mm:ss:mmm\t" of `now`.
void FormatTime(const win::SYSTEMTIME& now, char (&text)[13]) {
    auto two = [&text](int at, int value) {
        text[at] = static_cast<char>('0' + value / 10 % 10);
        text[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(0, now.wHour);
    two(3, now.wMinute);
    two(6, now.wSecond);
    text[9] = static_cast<char>('0' + now.wMilliseconds / 100 % 10);
    two(10, now.wMilliseconds % 100);
    text[2] = text[5] = text[8] = ':';
    text[12] = '\t';
}

}  // namespace

bool CLogFileImpl::WriteLine(const char* pBody, size_t nLength) {
    CSingleLock hold(&m_lock, true);
    if (!m_bInitialised || pBody == nullptr) return false;
    if (IsNewDay()) RollOver();
    win::SYSTEMTIME now;
    win::GetLocalTime(&now);
    if (m_pFile == nullptr) return false;
    char time[13];
    FormatTime(now, time);
    bool written = std::fwrite(time, 1, sizeof time, m_pFile) == sizeof time &&
                   std::fwrite(pBody, 1, nLength, m_pFile) == nLength;
    written = std::fflush(m_pFile) == 0 && written;
    if (!written) std::clearerr(m_pFile);
    return written;
}
