// Double-byte-aware byte searches in the active code page.
//
// In Big5, GBK and Shift-JIS a trail byte may equal an ASCII byte such as '\' (Big5 "\xA5\x5C"),
// so a path must never be cut at a byte that is the second half of a character.
#pragma once

#include <HalcyonApi.h>

#include <cstddef>

namespace halcyon::mbcs {

// True when `byte` starts a double-byte character in the active code page.
bool IsLeadByte(unsigned char byte);

// Index of the first `ch` at or after `start` that is a character of its own, or -1.
int FindChar(const char* text, size_t length, char ch, size_t start = 0);

// Index of the last `ch` that is a character of its own (never a trail byte), or -1.
int ReverseFindChar(const char* text, size_t length, char ch);

// Upper- or lower-cases the ASCII letters of `text`, leaving double-byte characters alone.
void ToUpper(char* text, size_t length);
void ToLower(char* text, size_t length);

}  // namespace halcyon::mbcs
