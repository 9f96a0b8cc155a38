// halcyon tz: the installation's market time zones, their differences and the local clock's.
#include "Command.h"
#include "Json.h"

#include <HalcyonCommon.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

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

bool Readable(const CString& path) {
    std::ifstream file(halcyon::HostPath(path));
    return file.good();
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

// {"zones":[{"code":"T","minutes":480,"offset":"+08:00"},...]}
int ListJson(const std::vector<unsigned char>& codes) {
    std::vector<std::string> zones;
    for (unsigned char code : codes) {
        long offset = s_TimeZoneLibGetTimeDiffFromGMT(code);
        zones.push_back(JsonObject()
                            .Text("code", std::string(1, static_cast<char>(code)))
                            .Number("minutes", static_cast<long long>(offset))
                            .Text("offset", HoursMinutes(offset))
                            .Str());
    }
    std::printf("%s\n", JsonObject().Json("zones", JsonArray(zones)).Str().c_str());
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

// Checks the file and the zones, then answers through the process-wide table.
int Answer(const std::vector<unsigned char>& zones,
           int (*answer)(const std::vector<unsigned char>& zones)) {
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
    int code = answer(zones);
    s_TimeZoneLibRelease();
    return code;
}

// The zone codes of the operands, then the answer; a usage error for an operand that is not one
// character.
int WithZones(const Invocation& call, int (*answer)(const std::vector<unsigned char>& zones)) {
    std::vector<unsigned char> zones;
    for (const std::string& operand : call.Operands()) {
        if (operand.size() != 1) return call.BadArgument(operand, "a zone code is one character");
        zones.push_back(static_cast<unsigned char>(operand[0]));
    }
    return Answer(zones, answer);
}

int ListZones(const Invocation& call) {
    if (call.Has("--json"))
        return WithZones(call,
                         [](const std::vector<unsigned char>&) { return ListJson(ZoneCodes()); });
    return WithZones(call, [](const std::vector<unsigned char>&) { return List(ZoneCodes()); });
}
int DiffZones(const Invocation& call) { return WithZones(call, Diff); }
int LocalZone(const Invocation& call) { return WithZones(call, Local); }

const CommandSpec kTzSpec{
    kCommand,
    "market time zones and their differences",
    "The market time zones of the installation's SYS\\TimeZone.Ctl: each a one-character code "
    "and its offset from GMT in minutes (positive east of Greenwich).",
    {{"list",
      "",
      "every zone, in the file's order: code, minutes from GMT, the offset as "
      "GMT+hh:mm",
      {{"--json", nullptr, "print one JSON object (docs/cli-json.md)"}},
      ListZones},
     {"diff", "A B", "how many minutes zone A's clock is ahead of zone B's", {}, DiffZones},
     {"local",
      "A",
      "how many minutes this computer's clock is ahead of zone A's, by the computer's standard "
      "time (daylight saving time is not applied)",
      {},
      LocalZone}},
    "A zone code is one character (case matters). Exit code 1 when the file cannot be read or a "
    "zone is not in it."};
const Registration kTz{kTzSpec};

}  // namespace
}  // namespace halcyon::tool
