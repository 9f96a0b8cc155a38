// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/time/ZoneRule.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace win::posix {
namespace {

// A zone's name: three or more letters, or anything but '>' within '<' and '>'.
bool ParseName(const char*& p, std::string& name) {
    name.clear();
    if (*p == '<') {
        for (++p; *p != '\0' && *p != '>'; ++p) name += *p;
        if (*p != '>') return false;
        ++p;
    } else {
        while (std::isalpha(static_cast<unsigned char>(*p))) name += *p++;
    }
    return name.size() >= 3;
}

// [+-]hh[:mm[:ss]] in seconds; false when no hour is there.
bool ParseTime(const char*& p, long& seconds) {
    long sign = *p == '-' ? -1 : 1;
    if (*p == '-' || *p == '+') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    long parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        parts[i] = std::strtol(p, &end, 10);
        p = end;
        if (i == 2 || *p != ':' || !std::isdigit(static_cast<unsigned char>(p[1]))) break;
        ++p;
    }
    seconds = sign * (parts[0] * 3600 + parts[1] * 60 + parts[2]);
    return true;
}

bool ParseNumber(const char*& p, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    char* end = nullptr;
    value = static_cast<int>(std::strtol(p, &end, 10));
    p = end;
    return true;
}

// Mm.w.d, Jn or n, then an optional /time.
bool ParseSwitch(const char*& p, ZoneSwitch& when) {
    bool good;
    if (*p == 'M') {
        ++p;
        when.form = ZoneSwitch::Form::kMonthWeekDay;
        good = ParseNumber(p, when.month) && *p++ == '.' && ParseNumber(p, when.week) &&
               *p++ == '.' && ParseNumber(p, when.weekday) && when.month >= 1 && when.month <= 12 &&
               when.week >= 1 && when.week <= 5 && when.weekday <= 6;
    } else if (*p == 'J') {
        ++p;
        when.form = ZoneSwitch::Form::kJulianNoLeap;
        good = ParseNumber(p, when.day) && when.day >= 1 && when.day <= 365;
    } else {
        when.form = ZoneSwitch::Form::kJulianZero;
        good = ParseNumber(p, when.day) && when.day <= 365;
    }
    when.seconds = 7200;
    if (good && *p == '/') {
        ++p;
        good = ParseTime(p, when.seconds);
    }
    return good;
}

// The rule at the end of a zone's file (TZif version 2 or later): the text on its last line.
bool FooterOf(const std::string& path, std::string& footer) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 6 || data.compare(0, 4, "TZif") != 0 || data[4] < '2' ||
        data.back() != '\n') {
        return false;
    }
    std::size_t start = data.rfind('\n', data.size() - 2);
    if (start == std::string::npos) return false;
    footer = data.substr(start + 1, data.size() - start - 2);
    return true;
}

}  // namespace

bool ParseZoneRule(const std::string& text, ZoneRule& rule) {
    rule = ZoneRule{};
    const char* p = text.c_str();
    long west = 0;
    if (!ParseName(p, rule.standardName) || !ParseTime(p, west)) return false;
    rule.standardOffset = -west;
    if (*p == '\0') return true;
    if (!ParseName(p, rule.daylightName)) return false;
    rule.hasDaylight = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (*p != ',' && *p != '\0' && ParseTime(p, west)) rule.daylightOffset = -west;
    if (*p == '\0') {  // no dates: the C library's default, the United States' rule
        return ParseZoneRule(text + ",M3.2.0,M11.1.0", rule);
    }
    return *p++ == ',' && ParseSwitch(p, rule.daylightStart) && *p++ == ',' &&
           ParseSwitch(p, rule.daylightEnd) && *p == '\0';
}

bool HostZoneRule(ZoneRule& rule) {
    const char* tz = std::getenv("TZ");
    std::string name = tz != nullptr ? tz : "";
    if (tz == nullptr) name = "/etc/localtime";
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    if (name.empty()) return ParseZoneRule("UTC0", rule);
    std::string footer;
    const char* dir = std::getenv("TZDIR");
    std::string path = name[0] == '/'
                           ? name
                           : std::string(dir != nullptr ? dir : "/usr/share/zoneinfo") + "/" + name;
    if (FooterOf(path, footer)) return ParseZoneRule(footer, rule);
    return ParseZoneRule(name, rule);
}

}  // namespace win::posix
