#include "LogTrouble.h"

#include "Platform/Win.h"

#include <cstring>

namespace halcyon::tool {

CString DayFilePath(CLogFileImpl& log, const std::string& name, bool debug) {
    win::SYSTEMTIME today;
    win::GetLocalTime(&today);
    CString path;
    path.Format("%s%c%s_%04d%02d%02d.log", static_cast<const char*>(log.GetFolder()),
                debug ? 'D' : 'S', name.c_str(), today.wYear, today.wMonth, today.wDay);
    return path;
}

std::string LogWriteTrouble(CLogFileImpl* log, const std::string& name, bool debug, int err) {
    if (log == nullptr) return "the log \"" + name + "\" cannot be opened";
    const std::string folder = halcyon::HostPath(log->GetFolder());
    const std::string file = halcyon::HostPath(DayFilePath(*log, name, debug));
    std::string text = "cannot write " + (file.empty() ? folder : file);
    if (err != 0) text += std::string(": ") + std::strerror(err);
    const std::string advice = FolderAdvice(folder, err);
    return advice.empty() ? text : text + " (" + advice + ")";
}

}  // namespace halcyon::tool
