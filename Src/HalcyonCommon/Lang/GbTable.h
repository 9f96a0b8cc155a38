// The Big5 to GB conversion's tables.
//
// BIG5-GB.TAB holds one two-byte GB code per Big5 position, 13565 of them: the symbols (lead bytes
// 0xA1-0xA3), the frequent characters (0xA4-0xC5 and the first half of 0xC6) and the less frequent
// ones (0xC9-0xF9), each lead byte with 157 trail positions (0x40-0x7E, then 0xA1-0xFE).
//
// For converting, the loaded table has a row of 157 two-byte outputs for every lead byte from 0x81
// to 0xFE: the file's entries with the overrides in place for the table's rows, "??" for the
// reserved rows (0xC6A1-0xC8FE), and the pair itself for the lead bytes outside the table. A pair
// then finds its output with one addition, row start plus trail position; a negative sum means
// the pair is dropped.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace halcyon::lang {

constexpr int kTableEntries = 13565;
constexpr int kFirstOverridable = 471;  // the symbols take no overrides
constexpr int kRowLength = 157;
constexpr int kFirstLead = 0x81;
constexpr int kRows = 0xFE - kFirstLead + 1;

struct ByteTables {
    std::int32_t rowStart[256];  // the lead byte's first output index, very negative for none
    std::int32_t trail[256];     // the trail position 0-156, very negative for an invalid byte
};
const ByteTables& Big5Bytes();

// kRows * kRowLength outputs of two bytes each, in the order they are written.
using Outputs = std::unique_ptr<unsigned char[]>;

// The loaded outputs, null while no table is loaded, and the overrides read so far.
Outputs& LoadedOutputs();
std::map<int, CString>& Overrides();

// Makes the outputs from a table file's bytes and the overrides, and loads them. Entries past a
// short file's end are "??"; an override shorter than two bytes is ignored. Exported for the
// benchmark and the fuzz targets.
void LoadTableBytes(const char* file, std::size_t fileLength);

}  // namespace halcyon::lang
