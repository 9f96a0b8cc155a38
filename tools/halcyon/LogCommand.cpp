// halcyon log: one line into a system or debug log, the path of a log's day file, and the
// clean-up of its old files, for the scripts around the terminal.
#include "Command.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <climits>
#include <cstdio>

namespace halcyon::tool {
namespace {

int WriteFailed(const std::string& kind, const std::string& name) {
    std::fprintf(stderr,
                 "halcyon log: the line was not written to %s log \"%s\" (its folder is missing "
                 "or its path too long, or another process writes its file today)\n",
                 kind.c_str(), name.c_str());
    return kExitFailure;
}

// Operand `index` as a number of an int's range; false after a usage error in `code`.
bool Number(const Invocation& call, size_t index, long& value, int& code) {
    const std::string& text = call.Operands()[index];
    if (ParseNumber(text, INT_MIN, INT_MAX, value)) return true;
    code = call.BadArgument(text, "not a whole number");
    return false;
}

int WriteSystem(const Invocation& call) {
    const Args& a = call.Operands();
    long level, value;
    int code = kExitUsage;
    if (!Number(call, 1, level, code) || !Number(call, 2, value, code)) return code;
    CSystemLog* log = s_NimbusLogGetSystemLogObj(a[0].c_str());
    if (log == nullptr ||
        !log->Write(static_cast<int>(level), static_cast<int>(value), a[3].c_str(), a[4].c_str()))
        return WriteFailed("system", a[0]);
    return kExitOk;
}

int WriteDebug(const Invocation& call) {
    const Args& a = call.Operands();
    long line;
    int code = kExitUsage;
    if (!Number(call, 2, line, code)) return code;
    CDebugLog* log = s_NimbusLogGetDebugLogObj(a[0].c_str());
    if (log == nullptr || !log->Write(a[1].c_str(), static_cast<int>(line), a[3].c_str()))
        return WriteFailed("debug", a[0]);
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

int ShowPath(const Invocation& call) {
    const std::string& name = call.Operands()[0];
    const bool debug = call.Has("--debug");
    const bool host = call.Has("--host");
    CLogFileImpl* log = LogFile(name, debug);
    if (log == nullptr) return WriteFailed(debug ? "debug" : "system", name);
    win::SYSTEMTIME today;
    win::GetLocalTime(&today);
    CString path;
    path.Format("%s%c%s_%04d%02d%02d.log", static_cast<const char*>(log->GetFolder()),
                debug ? 'D' : 'S', name.c_str(), today.wYear, today.wMonth, today.wDay);
    std::printf("%s\n", host ? halcyon::HostPath(path).c_str() : static_cast<const char*>(path));
    return kExitOk;
}

int Keep(const Invocation& call) {
    const std::string& name = call.Operands()[0];
    const bool debug = call.Has("--debug");
    long days;
    if (!ParseNumber(call.Operands()[1], 0, INT_MAX / 86400, days))
        return call.BadArgument(call.Operands()[1], "DAYS is a whole number from 0 to 24855");
    CLogFileImpl* log = LogFile(name, debug);
    if (log == nullptr) return WriteFailed(debug ? "debug" : "system", name);
    log->SetKeepDays(static_cast<int>(days));
    log->RemoveOldFiles();
    return kExitOk;
}

const Option kDebug{"--debug", nullptr, "the debug log NAME rather than the system log"};

const CommandSpec kLogSpec{
    "log",
    "write a log line, show a log's day file, delete old log files",
    "",
    {{"system",
      "NAME LEVEL VALUE TEXT1 TEXT2",
      "writes one line into the system log NAME of this installation, as the terminal's modules "
      "do (LEVEL 1 WARNING, 2 MEDIUM, 3 HIGH, 4 CRITICAL, else INFO)",
      {},
      WriteSystem},
     {"debug",
      "NAME FILE LINE MESSAGE",
      "writes one line into the debug log NAME (FILE is printed from its last backslash)",
      {},
      WriteDebug},
     {"path",
      "NAME",
      "prints today's file of the system log NAME, as the library names it",
      {kDebug, {"--host", nullptr, "the path as the host names it"}},
      ShowPath},
     {"keep",
      "NAME DAYS",
      "deletes the log's files last written more than DAYS x 86400 seconds ago (DAYS 0 keeps "
      "every file)",
      {kDebug},
      Keep}},
    "A write fails while another process writes that log's day file."};
const Registration kLog{kLogSpec};

}  // namespace
}  // namespace halcyon::tool
