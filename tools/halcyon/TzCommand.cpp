// halcyon tz: the installation's market time zones, their differences and the local clock's.
#include "Command.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon tz list\n"
    "       halcyon tz diff A B\n"
    "       halcyon tz local A\n"
    "\n"
    "The market time zones of the installation's SYS\\TimeZone.Ctl: each a one-character code\n"
    "and its offset from GMT in minutes (positive east of Greenwich).\n"
    "\n"
    "list   every zone, in the file's order: code, minutes from GMT, the offset as GMT+hh:mm\n"
    "diff   how many minutes zone A's clock is ahead of zone B's\n"
    "local  how many minutes this computer's clock is ahead of zone A's, by the computer's\n"
    "       standard time (daylight saving time is not applied)\n"
    "\n"
    "A zone code is one character (case matters). Exit code 1 when the file cannot be read or a\n"
    "zone is not in it.\n";

const char kCommand[] = "tz";

// "+13:00", "-05:30".
std::string HoursMinutes(long minutes) {
    char text[48];
    long size = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02ld:%02ld", minutes < 0 ? '-' : '+', size / 60,
                  size % 60);
    return text;
}

// A code as the user sees it: the character, or \xHH when it does not print.
std::string Printable(unsigned char code) {
    char text[8];
    if (code > 0x20 && code < 0x7F)
        std::snprintf(text, sizeof text, "%c", code);
    else
        std::snprintf(text, sizeof text, "\\x%02X", code);
    return text;
}

CString ControlFilePath() {
    CString path;
    path.Format("%s\\TimeZone.Ctl", static_cast<const char*>(s_PathGetSysPath(0)));
    return path;
}

// Opened as the library opens it, which refuses a pipe rather than wait for its writer.
bool Readable(const CString& path) {
    std::FILE* file = win::fopen(path, "r");
    if (file != nullptr) std::fclose(file);
    return file != nullptr;
}

// The zones in the file's order. The process-wide table answers the questions; this one lists
// the zones and tells a zone from an unknown code, for which the answers are 0 as well.
std::vector<unsigned char> ZoneCodes() {
    CTimeZone table;
    std::vector<unsigned char> codes;
    for (POSITION pos = table.m_listTimeZone.GetHeadPosition(); pos != nullptr;) {
        codes.push_back(
            static_cast<CTimeZoneNode*>(table.m_listTimeZone.GetNext(pos))->m_byZoneCode);
    }
    return codes;
}

// "ahead of", "behind" or "the same as", with the hours and minutes.
std::string Relation(long minutes) {
    if (minutes == 0) return "the same as";
    std::string span = HoursMinutes(minutes).substr(1);
    return span + (minutes > 0 ? " ahead of" : " behind");
}

int List(const std::vector<unsigned char>& codes) {
    for (unsigned char code : codes) {
        long offset = s_TimeZoneLibGetTimeDiffFromGMT(code);
        std::printf("%-4s %5ld  GMT%s\n", Printable(code).c_str(), offset,
                    HoursMinutes(offset).c_str());
    }
    return kExitOk;
}

int Diff(const std::vector<unsigned char>& zones) {
    long minutes = s_TimeZoneLibGetTimeDiff(zones[0], zones[1]);
    std::printf("%ld minutes: zone %s's clock is %s zone %s's\n", minutes,
                Printable(zones[0]).c_str(), Relation(minutes).c_str(),
                Printable(zones[1]).c_str());
    return kExitOk;
}

int Local(const std::vector<unsigned char>& zones) {
    long minutes = s_TimeZoneLibGetLocalTimeDiff(zones[0]);
    std::printf("%ld minutes: this computer's clock (standard time) is %s zone %s's\n", minutes,
                Relation(minutes).c_str(), Printable(zones[0]).c_str());
    return kExitOk;
}

struct Action {
    const char* name;
    size_t zones;  // zone codes it takes
    int (*run)(const std::vector<unsigned char>& zones);
};

int ListAction(const std::vector<unsigned char>&) { return List(ZoneCodes()); }

const Action kActions[] = {{"list", 0, ListAction}, {"diff", 2, Diff}, {"local", 1, Local}};

// Checks the file and the zones, then answers through the process-wide table.
int Answer(const Action& action, const std::vector<unsigned char>& zones) {
    CString path = ControlFilePath();
    if (!Readable(path)) {
        std::fprintf(stderr, "halcyon tz: cannot read the time zone file %s\n",
                     static_cast<const char*>(path));
        return kExitFailure;
    }
    std::vector<unsigned char> known = ZoneCodes();
    if (known.empty()) {
        std::fprintf(stderr,
                     "halcyon tz: %s holds no zone (the table ends at the first line without "
                     "one)\n",
                     static_cast<const char*>(path));
        return kExitFailure;
    }
    for (unsigned char code : zones) {
        if (std::find(known.begin(), known.end(), code) != known.end()) continue;
        std::fprintf(stderr, "halcyon tz: zone '%s' is not in %s\n", Printable(code).c_str(),
                     static_cast<const char*>(path));
        return kExitFailure;
    }
    s_TimeZoneLibInitialize();
    int code = action.run(zones);
    s_TimeZoneLibRelease();
    return code;
}

int RunTz(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args.empty()) return UsageError(kCommand, "missing action (list, diff, local)");
    for (const auto& action : kActions) {
        if (args[0] != action.name) continue;
        if (args.size() != action.zones + 1) {
            return UsageError(kCommand, std::string(action.name) + " takes " +
                                            std::to_string(action.zones) + " zone code(s)");
        }
        std::vector<unsigned char> zones;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i].size() != 1)
                return UsageError(kCommand, "'" + args[i] + "' is not a zone code (one character)");
            zones.push_back(static_cast<unsigned char>(args[i][0]));
        }
        return Answer(action, zones);
    }
    return UsageError(kCommand, "unknown action '" + args[0] + "'");
}

const Registration kTz{"tz", "market time zones and their differences", RunTz};

}  // namespace
}  // namespace halcyon::tool
