// SPDX-License-Identifier: Apache-2.0
#include "LogTrouble.h"

#include "Platform/Win.h"

#include <cstring>
#include <filesystem>

namespace halcyon::tool {

CString DayFilePath(CLogFileImpl& log, const std::string& name, bool debug) {
    win::SYSTEMTIME today;
    win::GetLocalTime(&today);
    CString path;
    path.Format("%s%c%s_%04d%02d%02d.log", static_cast<const char*>(log.GetFolder()),
                debug ? 'D' : 'S', name.c_str(), today.wYear, today.wMonth, today.wDay);
    return path;
}

namespace {

// The host's path for a library path, links on the way followed: the folder an operator looks at
// (an installation's LOG is often a link).
std::string RealHostPath(const CString& path) {
    std::string host = halcyon::HostPath(path);
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(host, error);
    return error || real.empty() ? host : real.string();
}

}  // namespace

std::string LogWriteTrouble(CLogFileImpl* log, const std::string& name, bool debug, int err) {
    if (log == nullptr) return "the log \"" + name + "\" cannot be opened";
    const std::string folder = RealHostPath(log->GetFolder());
    const std::string file = RealHostPath(DayFilePath(*log, name, debug));
    std::string text = "cannot write " + (file.empty() ? folder : file);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        text += ": its folder cannot be made";
    else if (err != 0)
        text += std::string(": ") + std::strerror(err);
    const std::string advice = FolderAdvice(folder, err);
    return advice.empty() ? text : text + " (" + advice + ")";
}

}  // namespace halcyon::tool
