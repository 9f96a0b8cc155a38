// SPDX-License-Identifier: Apache-2.0
#include "NimbusLog/LogDayFile.h"

#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"

#include <cstdint>
#include <ctime>

namespace halcyon::nimbuslog {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Local calendar time now; false when the runtime cannot convert it.
bool LocalNow(std::tm& now) {
    win::time64_t seconds;
    win::_time64(&seconds);
    return win::_localtime64_s(&now, &seconds) == 0;
}

}  // namespace

bool DayHasChanged(int& lastDay) {
    std::tm now;
    if (!LocalNow(now) || now.tm_mday == lastDay) return false;
    lastDay = now.tm_mday;
    return true;
}

bool TodaysFileName(char kindLetter, const CString& name, CString& fileName) {
    std::tm now;
    if (!LocalNow(now)) return false;
    fileName.Format("%c%s_%04d%02d%02d.log", kindLetter, static_cast<const char*>(name),
                    now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    return true;
}

std::FILE* OpenDayFile(const CString& folder, const CString& fileName) {
    MakeFolder(folder);
    CString path;
    path.Format("%s%s", static_cast<const char*>(folder), static_cast<const char*>(fileName));
    if (!FitsPath(path)) return nullptr;
    return win::_fsopen(path, "ab", _SH_DENYWR);
}

void RemoveFilesPastKeep(const CString& folder, char kindLetter, const CString& name,
                         int keepDays) {
    CString pattern;
    pattern.Format("%s%c%s_*.log", static_cast<const char*>(folder), kindLetter,
                   static_cast<const char*>(name));
    if (!FitsPath(pattern)) return;
    win::time64_t now = win::_time64(nullptr);
    win::_finddata64i32_t found;
    std::intptr_t search = win::_findfirst64i32(pattern, &found);
    if (search == -1) return;
    const std::int64_t keepSeconds = keepDays * kSecondsPerDay;
    do {
        auto age = static_cast<std::int64_t>(win::_difftime64(now, found.time_write));
        if (keepSeconds < age) {
            CString path;
            path.Format("%s%s", static_cast<const char*>(folder), found.name);
            if (FitsPath(path)) win::remove(path);
        }
    } while (win::_findnext64i32(search, &found) == 0);
    win::_findclose(search);
}

}  // namespace halcyon::nimbuslog
