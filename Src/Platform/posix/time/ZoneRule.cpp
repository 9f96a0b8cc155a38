// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/time/ZoneRule.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace win::posix {
namespace {

constexpr long kMaxOffsetHours = 24;   // a zone's offset, as POSIX bounds it
constexpr long kMaxSwitchHours = 167;  // a switch's time of day (RFC 8536 extends it so far)

// A zone's name: three or more letters, or three or more letters, digits, '+' and '-' within '<'
// and '>'.
bool ParseName(const char*& p, std::string& name) {
    name.clear();
    if (*p == '<') {
        for (++p; std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-'; ++p) {
            name += *p;
        }
        if (*p != '>') return false;
        ++p;
    } else {
        while (std::isalpha(static_cast<unsigned char>(*p))) name += *p++;
    }
    return name.size() >= 3;
}

// Up to three digits of a number, no more than `limit`.
bool ParsePart(const char*& p, long limit, long& value) {
    value = 0;
    int digits = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)) && digits < 3; ++p, ++digits) {
        value = value * 10 + (*p - '0');
    }
    return digits > 0 && value <= limit;
}

// [+-]hh[:mm[:ss]] in seconds, hours no more than `maxHours`; false when it is none.
bool ParseTime(const char*& p, long maxHours, long& seconds) {
    long sign = *p == '-' ? -1 : 1;
    if (*p == '-' || *p == '+') ++p;
    long hours = 0;
    long minutes = 0;
    long secs = 0;
    if (!ParsePart(p, maxHours, hours)) return false;
    if (*p == ':' && (++p, !ParsePart(p, 59, minutes))) return false;
    if (*p == ':' && (++p, !ParsePart(p, 59, secs))) return false;
    seconds = sign * (hours * 3600 + minutes * 60 + secs);
    return true;
}

// Steps over character `c` when it comes next.
bool Eat(const char*& p, char c) {
    if (*p != c) return false;
    ++p;
    return true;
}

bool ParseNumber(const char*& p, int& value) {
    long number = 0;
    if (!ParsePart(p, 999, number)) return false;
    value = static_cast<int>(number);
    return true;
}

// Mm.w.d, Jn or n, then an optional /time.
bool ParseSwitch(const char*& p, ZoneSwitch& when) {
    bool good;
    if (*p == 'M') {
        ++p;
        when.form = ZoneSwitch::Form::kMonthWeekDay;
        good = ParseNumber(p, when.month) && Eat(p, '.') && ParseNumber(p, when.week) &&
               Eat(p, '.') && ParseNumber(p, when.weekday) && when.month >= 1 && when.month <= 12 &&
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
    if (good && Eat(p, '/')) good = ParseTime(p, kMaxSwitchHours, when.seconds);
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
    if (!ParseName(p, rule.standardName) || !ParseTime(p, kMaxOffsetHours, west)) return false;
    rule.standardOffset = -west;
    if (*p == '\0') return true;
    if (!ParseName(p, rule.daylightName)) return false;
    rule.hasDaylight = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (*p != ',' && *p != '\0') {
        if (!ParseTime(p, kMaxOffsetHours, west)) return false;
        rule.daylightOffset = -west;
    }
    if (*p == '\0') {  // no dates: the C library's default, the United States' rule
        return ParseZoneRule(text + ",M3.2.0,M11.1.0", rule);
    }
    if (!Eat(p, ',') || !ParseSwitch(p, rule.daylightStart) || !Eat(p, ',') ||
        !ParseSwitch(p, rule.daylightEnd) || *p != '\0') {
        return false;
    }
    // Daylight time that moves no clock is none, as the C library reads it.
    rule.hasDaylight = rule.daylightOffset != rule.standardOffset;
    return true;
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
