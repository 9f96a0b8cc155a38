// SPDX-License-Identifier: Apache-2.0
// Records as they travel through a shell: one a line (the default), each ended by a NUL byte
// (--null), or one a line in hexadecimal (--hex), which carries any bytes.
#pragma once

#include <cstdio>
#include <string>

namespace halcyon::tool {

enum class Framing { kLines, kNull, kHex };

constexpr size_t kMaxRecordBytes = 3095;

// The bytes that carry `record`; false with `why` when the framing cannot carry it (a line break
// in a line, a NUL byte with --null).
bool Frame(const std::string& record, Framing framing, std::string& framed, std::string& why);

enum class ReadResult { kRecord, kEnd, kBad };

// Reads the next record from `in`, skipping empty ones; kBad with `why` for a record the framing
// cannot hold (too long, bad hexadecimal). The stream is left after the bad record.
ReadResult ReadFramed(std::FILE* in, Framing framing, std::string& record, std::string& why);

}  // namespace halcyon::tool
