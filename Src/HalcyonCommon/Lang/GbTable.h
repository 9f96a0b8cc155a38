// The Big5 to GB conversion's tables.
//
// BIG5-GB.TAB holds one two-byte GB code per Big5 position, 13565 of them: the symbols (lead bytes
// 0xA1-0xA3), the frequent characters (0xA4-0xC5 and the first half of 0xC6) and the less frequent
// ones (0xC9-0xF9), each lead byte with 157 trail positions (0x40-0x7E, then 0xA1-0xFE).
//
// Converting looks every byte pair up in one table of all 65536 pairs, made when the file is
// loaded: for a pair with a valid trail byte and a lead byte from 0x81 to 0xFE it holds the two
// bytes that replace it (a table entry, an override, "??" for the reserved rows 0xC6A1-0xC8FE, or
// the pair itself outside the table's rows). Pairs with any other bytes are dropped.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <Platform/CString.h>

namespace halcyon::lang {

constexpr int kTableEntries = 13565;
constexpr int kFirstOverridable = 471;  // the symbols take no overrides

// The table index of a Big5 pair in the table's rows, or -1 (reserved rows, other leads, bad
// trail bytes).
int TableIndex(unsigned char lead, unsigned char trail);

// True when `trail` is a Big5 trail byte (0x40-0x7E or 0xA1-0xFE).
inline bool IsTrailByte(unsigned char trail) {
    return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE);
}

// The replacement of each pair, indexed by lead * 256 + trail, first byte in the low half.
using PairTable = std::unique_ptr<std::uint16_t[]>;

// Builds the pair table from the file's bytes (entries past a short file's end give "??") and the
// overrides (values shorter than two bytes are ignored).
PairTable BuildPairTable(const char* file, std::size_t fileLength,
                         const std::map<int, CString>& overrides);

// The loaded pair table (null while none is loaded) and the overrides read so far.
PairTable& LoadedPairs();
std::map<int, CString>& Overrides();

}  // namespace halcyon::lang
