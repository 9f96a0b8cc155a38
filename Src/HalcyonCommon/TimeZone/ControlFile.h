// SPDX-License-Identifier: Apache-2.0
// The control file "TimeZone.Ctl": where it is and what one of its lines says.
#pragma once

#include <Platform/CString.h>

class CTimeZone;

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

// Gives the file's next line into `buffer` as fgets does (at most size - 1 characters, up to and
// with the line feed, then a terminator); false at the end of the file.
using NextLine = bool (*)(char* buffer, int size, void* context);

// Appends the zones of the lines that `next` gives to `table`, skipping comments, up to the
// first line that holds no zone or a zone the table refuses.
void ReadZones(NextLine next, void* context, CTimeZone& table);

// "<SYS folder>\TimeZone.Ctl".
CString ControlFilePath();

}  // namespace halcyon::timezone
