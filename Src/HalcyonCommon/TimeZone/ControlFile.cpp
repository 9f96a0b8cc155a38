// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/TimeZone/ControlFile.h"

#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/TimeZone.h>

#include <climits>

namespace halcyon::timezone {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\n'; }

// The start of the next field at or after `p`, or null when the line has no more.
const char* NextField(const char* p) {
    while (*p != '\0' && IsSeparator(*p)) ++p;
    return *p != '\0' ? p : nullptr;
}

const char* FieldEnd(const char* p) {
    while (*p != '\0' && !IsSeparator(*p)) ++p;
    return p;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The number at the start of the field [p, end) as atoi reads it: blanks, a sign, the leading
// digits; 0 when there are none. A number beyond the range of int is held at INT_MAX or INT_MIN,
// as the current C runtime does, which lies outside every valid offset.
long ReadNumber(const char* p, const char* end) {
    while (p < end && IsCSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<long>(value);
}

}  // namespace

LineKind ParseLine(const char* line, ZoneLine& zone) {
    if (line[0] == '/') return LineKind::kComment;
    const char* first = NextField(line);
    if (first == nullptr) return LineKind::kEnd;
    const char* second = NextField(FieldEnd(first));
    if (second == nullptr) return LineKind::kEnd;
    zone.code = static_cast<unsigned char>(*first);
    zone.offset = ReadNumber(second, FieldEnd(second));
    return LineKind::kZone;
}

void ReadZones(NextLine next, void* context, CTimeZone& table) {
    char line[kLineBufferSize];
    while (next(line, kLineBufferSize, context)) {
        ZoneLine zone;
        LineKind kind = ParseLine(line, zone);
        if (kind == LineKind::kComment) continue;
        if (kind == LineKind::kEnd || !table.InsertTimeZoneNode(zone.code, zone.offset)) break;
    }
}

CString ControlFilePath() {
    CString path;
    path.Format("%s\\TimeZone.Ctl", static_cast<const char*>(s_PathGetSysPath(0)));
    return path;
}

}  // namespace halcyon::timezone
