// halcyon log: one line into a system or debug log, the path of a log's day file, and the
// clean-up of its old files, for the scripts around the terminal.
#include "Command.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <climits>
#include <cstdio>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon log system NAME LEVEL VALUE TEXT1 TEXT2\n"
    "       halcyon log debug NAME FILE LINE MESSAGE\n"
    "       halcyon log path NAME [--debug] [--host]\n"
    "       halcyon log keep NAME DAYS [--debug]\n"
    "\n"
    "system and debug write one line into the log NAME of this installation, as the\n"
    "terminal's modules do (LEVEL 1 WARNING, 2 MEDIUM, 3 HIGH, 4 CRITICAL, else INFO; FILE is\n"
    "printed from its last backslash). A write fails while another process writes that log's\n"
    "day file. path prints today's file of the system log NAME (of the debug log with --debug),\n"
    "as the library names it, or as the host names it with --host. keep deletes the log's files\n"
    "last written more than DAYS × 86400 seconds ago (DAYS 0 keeps every file).\n";

int WriteFailed(const std::string& kind, const std::string& name) {
    std::fprintf(stderr,
                 "halcyon log: the line was not written to %s log \"%s\" (its folder is missing "
                 "or its path too long, or another process writes its file today)\n",
                 kind.c_str(), name.c_str());
    return kExitFailure;
}

bool Number(const std::string& text, long& value) {
    return ParseNumber(text, INT_MIN, INT_MAX, value);
}

int WriteSystem(const Args& a) {
    long level, value;
    if (a.size() != 6 || !Number(a[2], level) || !Number(a[3], value))
        return UsageError("log",
                          "system takes NAME LEVEL VALUE TEXT1 TEXT2 (LEVEL, VALUE numbers)");
    CSystemLog* log = s_NimbusLogGetSystemLogObj(a[1].c_str());
    if (log == nullptr ||
        !log->Write(static_cast<int>(level), static_cast<int>(value), a[4].c_str(), a[5].c_str()))
        return WriteFailed("system", a[1]);
    return kExitOk;
}

int WriteDebug(const Args& a) {
    long line;
    if (a.size() != 5 || !Number(a[3], line))
        return UsageError("log", "debug takes NAME FILE LINE MESSAGE (LINE a number)");
    CDebugLog* log = s_NimbusLogGetDebugLogObj(a[1].c_str());
    if (log == nullptr || !log->Write(a[2].c_str(), static_cast<int>(line), a[4].c_str()))
        return WriteFailed("debug", a[1]);
    return kExitOk;
}

// The log's inner object: a debug log with --debug, else a system log.
CLogFileImpl* LogFile(const std::string& name, bool debug) {
    if (debug) {
        CDebugLog* log = s_NimbusLogGetDebugLogObj(name.c_str());
        return log != nullptr ? log->GetLogFile() : nullptr;
    }
    CSystemLog* log = s_NimbusLogGetSystemLogObj(name.c_str());
    return log != nullptr ? log->GetLogFile() : nullptr;
}

int ShowPath(const Args& a, bool debug, bool host) {
    if (a.size() != 2) return UsageError("log", "path takes NAME [--debug] [--host]");
    CLogFileImpl* log = LogFile(a[1], debug);
    if (log == nullptr) return WriteFailed(debug ? "debug" : "system", a[1]);
    win::SYSTEMTIME today;
    win::GetLocalTime(&today);
    CString path;
    path.Format("%s%c%s_%04d%02d%02d.log", static_cast<const char*>(log->GetFolder()),
                debug ? 'D' : 'S', a[1].c_str(), today.wYear, today.wMonth, today.wDay);
    std::printf("%s\n", host ? halcyon::HostPath(path).c_str() : static_cast<const char*>(path));
    return kExitOk;
}

int Keep(const Args& a, bool debug) {
    long days;
    if (a.size() != 3 || !ParseNumber(a[2], 0, INT_MAX / 86400, days))
        return UsageError("log", "keep takes NAME DAYS (DAYS from 0 to 24855)");
    CLogFileImpl* log = LogFile(a[1], debug);
    if (log == nullptr) return WriteFailed(debug ? "debug" : "system", a[1]);
    log->SetKeepDays(static_cast<int>(days));
    log->RemoveOldFiles();
    return kExitOk;
}

int RunLog(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    Args rest;
    bool debug = false, host = false;
    for (const std::string& arg : args) {
        if (arg == "--debug") {
            debug = true;
        } else if (arg == "--host") {
            host = true;
        } else {
            rest.push_back(arg);
        }
    }
    const std::string what = rest.empty() ? "" : rest[0];
    if ((debug || host) && what != "path" && what != "keep")
        return UsageError("log", "--debug and --host belong to path (and --debug to keep)");
    if (what == "system") return WriteSystem(rest);
    if (what == "debug") return WriteDebug(rest);
    if (what == "path") return ShowPath(rest, debug, host);
    if (what == "keep" && !host) return Keep(rest, debug);
    return UsageError("log", "expected system, debug, path or keep (see halcyon log --help)");
}

const Registration kLog{"log", "write a log line, show a log's day file, delete old log files",
                        RunLog};

}  // namespace
}  // namespace halcyon::tool
