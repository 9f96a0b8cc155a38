// The control file "TimeZone.Ctl": where it is and what one of its lines says.
#pragma once

#include <Platform/CString.h>

namespace halcyon::timezone {

// A line is read into a buffer of this size: 255 characters and the terminator. A longer line
// is read in pieces, each taken as a line of its own.
constexpr int kLineBufferSize = 256;

constexpr long kMaxOffset = 720;  // minutes either side of GMT

enum class LineKind {
    kComment,  // starts with '/': skipped
    kZone,     // a code and an offset (the offset not yet checked against the range)
    kEnd,      // no first or no second field: the table ends here
};

struct ZoneLine {
    unsigned char code = 0;
    long offset = 0;
};

// What `line` says. The fields are split at spaces, commas and the line end; the line is read,
// not changed.
LineKind ParseLine(const char* line, ZoneLine& zone);

// "<SYS folder>\TimeZone.Ctl".
CString ControlFilePath();

}  // namespace halcyon::timezone
