// SPDX-License-Identifier: Apache-2.0
// The day file of a log: telling a new day, opening its file, and deleting the files that are
// past the retention.
#include <NimbusLog/LogFileImpl.h>

#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"

#include <cstdint>
#include <ctime>

using halcyon::nimbuslog::FitsPath;
using halcyon::nimbuslog::MakeFolder;

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Local calendar time now; false when the runtime cannot convert it.
bool LocalNow(std::tm& now) {
    win::time64_t seconds;
    win::_time64(&seconds);
    return win::_localtime64_s(&now, &seconds) == 0;
}

}  // namespace

// Only the day of the month counts: the 5th of the next month is the same day as the 5th.
bool CLogFileImpl::IsNewDay() {
    CSingleLock hold(&m_lock, true);
    std::tm now;
    if (!LocalNow(now) || now.tm_mday == m_nLastDay) return false;
    m_nLastDay = now.tm_mday;
    return true;
}

bool CLogFileImpl::RollOver() {
    CSingleLock hold(&m_lock, true);
    std::tm now;
    if (!LocalNow(now)) return false;
    m_strFileName.Format("%c%s_%04d%02d%02d.log", KindLetter(), static_cast<const char*>(m_strName),
                         now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    return OpenDayFile();
}

// The day file is appended to, in binary so that each line ends in exactly CR LF, and denied to
// other writers: one process at a time writes a log.
bool CLogFileImpl::OpenDayFile() {
    CSingleLock hold(&m_lock, true);
    MakeFolder(m_strFolder);
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    CString path;
    path.Format("%s%s", static_cast<const char*>(m_strFolder),
                static_cast<const char*>(m_strFileName));
    if (!FitsPath(path)) return false;
    m_pFile = win::_fsopen(path, "ab", _SH_DENYWR);
    if (m_pFile == nullptr) return false;
    RemoveOldFiles();
    return true;
}

// Deletes this log's files whose last write is more than the retention before now, counted in
// whole seconds: with one day kept, a file written 86400 seconds ago stays and one written 86401
// seconds ago goes.
void CLogFileImpl::RemoveOldFiles() {
    CSingleLock hold(&m_lock, true);
    if (!m_bInitialised || m_nKeepDays == 0) return;
    CString pattern;
    pattern.Format("%s%c%s_*.log", static_cast<const char*>(m_strFolder), KindLetter(),
                   static_cast<const char*>(m_strName));
    if (!FitsPath(pattern)) return;
    win::time64_t now = win::_time64(nullptr);
    win::_finddata64i32_t found;
    std::intptr_t search = win::_findfirst64i32(pattern, &found);
    if (search == -1) return;
    const std::int64_t keepSeconds = m_nKeepDays * kSecondsPerDay;
    do {
        auto age = static_cast<std::int64_t>(win::_difftime64(now, found.time_write));
        if (keepSeconds < age) {
            CString path;
            path.Format("%s%s", static_cast<const char*>(m_strFolder), found.name);
            if (FitsPath(path)) win::remove(path);
        }
    } while (win::_findnext64i32(search, &found) == 0);
    win::_findclose(search);
}
