// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Lang/GbTable.h"

#include "Platform/common/NeverDestroyed.h"

#include <cstring>

namespace halcyon::lang {
namespace {

constexpr std::int32_t kNone = -(1 << 20);

ByteTables MakeByteTables() {
    ByteTables t{};
    for (int b = 0; b < 256; ++b) {
        t.trail[b] = b >= 0x40 && b <= 0x7E   ? b - 0x40
                     : b >= 0xA1 && b <= 0xFE ? b - 0xA1 + 63
                                              : kNone;
        t.rowStart[b] = b >= kFirstLead && b <= 0xFE ? (b - kFirstLead) * kRowLength : kNone;
    }
    return t;
}

// The table index of the lead byte's first position, or -1 for a row outside the table.
int RowIndex(int lead) {
    if (lead >= 0xA1 && lead <= 0xA3) return (lead - 0xA1) * kRowLength;
    if (lead >= 0xA4 && lead <= 0xC6) return 471 + (lead - 0xA4) * kRowLength;
    if (lead >= 0xC9 && lead <= 0xF9) return 5872 + (lead - 0xC9) * kRowLength;
    return -1;
}

int TrailByte(int t) { return t < 63 ? 0x40 + t : 0xA1 + t - 63; }

constexpr std::size_t kOutputBytes = kRows * kRowLength * 2;

// The outputs that do not depend on the file: the pairs themselves outside the table's rows,
// "??" everywhere else until the file fills the table's rows.
const unsigned char* FixedOutputs() {
    static NeverDestroyed<std::unique_ptr<unsigned char[]>> fixed([] {
        std::unique_ptr<unsigned char[]> out(new unsigned char[kOutputBytes]);
        for (int lead = kFirstLead; lead <= 0xFE; ++lead) {
            bool keep = RowIndex(lead) < 0 && lead != 0xC7 && lead != 0xC8;
            for (int t = 0; t < kRowLength; ++t) {
                unsigned char* pair = &out[((lead - kFirstLead) * kRowLength + t) * 2];
                pair[0] = static_cast<unsigned char>(keep ? lead : '?');
                pair[1] = static_cast<unsigned char>(keep ? TrailByte(t) : '?');
            }
        }
        return out;
    }());
    return fixed->get();
}

// Copies the file's entries of one lead byte's row, as far as the file goes (0xC6 has table
// entries below trail 0xA1 only).
void CopyRow(unsigned char* out, int lead, const char* file, std::size_t fileLength) {
    int first = RowIndex(lead);
    if (first < 0 || file == nullptr) return;
    std::size_t wanted = lead == 0xC6 ? 63 * 2 : kRowLength * 2;
    auto offset = static_cast<std::size_t>(first) * 2;
    std::size_t available = offset >= fileLength ? 0 : (fileLength - offset) & ~std::size_t{1};
    std::size_t count = available < wanted ? available : wanted;
    if (count > 0) std::memcpy(out, file + offset, count);
}

// The output index of table index n.
int OutputIndex(int n) {
    int lead = n < 471    ? 0xA1 + n / kRowLength
               : n < 5872 ? 0xA4 + (n - 471) / kRowLength
                          : 0xC9 + (n - 5872) / kRowLength;
    return (lead - kFirstLead) * kRowLength + (n - RowIndex(lead));
}

}  // namespace

const ByteTables& Big5Bytes() {
    static const ByteTables tables = MakeByteTables();
    return tables;
}

Outputs& LoadedOutputs() {
    static NeverDestroyed<Outputs> outputs;
    return *outputs;
}

std::map<int, CString>& Overrides() {
    static NeverDestroyed<std::map<int, CString>> overrides;
    return *overrides;
}

void LoadTableBytes(const char* file, std::size_t fileLength) {
    Outputs outputs(new unsigned char[kOutputBytes]);
    std::memcpy(outputs.get(), FixedOutputs(), kOutputBytes);
    for (int lead = kFirstLead; lead <= 0xFE; ++lead) {
        CopyRow(&outputs[(lead - kFirstLead) * kRowLength * 2], lead, file, fileLength);
    }
    for (const auto& [n, value] : Overrides()) {
        if (n < kFirstOverridable || n >= kTableEntries || value.GetLength() < 2) continue;
        unsigned char* out = &outputs[OutputIndex(n) * 2];
        out[0] = static_cast<unsigned char>(value.GetAt(0));
        out[1] = static_cast<unsigned char>(value.GetAt(1));
    }
    LoadedOutputs() = std::move(outputs);
}

}  // namespace halcyon::lang
