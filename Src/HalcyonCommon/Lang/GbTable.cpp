#include "HalcyonCommon/Lang/GbTable.h"

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

// The table index of (lead, trail position t), or -1 outside the table's rows.
int TableIndex(int lead, int t) {
    if (lead >= 0xA1 && lead <= 0xA3) return (lead - 0xA1) * kRowLength + t;
    if (lead >= 0xA4 && lead <= 0xC5) return 471 + (lead - 0xA4) * kRowLength + t;
    if (lead == 0xC6 && t < 63) return 471 + 34 * kRowLength + t;
    if (lead >= 0xC9 && lead <= 0xF9) return 5872 + (lead - 0xC9) * kRowLength + t;
    return -1;
}

bool IsReserved(int lead, int t) {
    return lead == 0xC7 || lead == 0xC8 || (lead == 0xC6 && t >= 63);
}

int TrailByte(int t) { return t < 63 ? 0x40 + t : 0xA1 + t - 63; }

}  // namespace

const ByteTables& Big5Bytes() {
    static const ByteTables tables = MakeByteTables();
    return tables;
}

Outputs& LoadedOutputs() {
    static Outputs outputs;
    return outputs;
}

std::map<int, CString>& Overrides() {
    static std::map<int, CString> overrides;
    return overrides;
}

void LoadTableBytes(const char* file, std::size_t fileLength) {
    Outputs outputs(new unsigned char[kRows * kRowLength * 2]);
    for (int lead = kFirstLead; lead <= 0xFE; ++lead) {
        for (int t = 0; t < kRowLength; ++t) {
            unsigned char* out = &outputs[((lead - kFirstLead) * kRowLength + t) * 2];
            int n = TableIndex(lead, t);
            auto offset = static_cast<std::size_t>(n) * 2;
            const CString* override = nullptr;
            if (n >= kFirstOverridable) {
                auto found = Overrides().find(n);
                if (found != Overrides().end() && found->second.GetLength() >= 2) {
                    override = &found->second;
                }
            }
            if (override != nullptr) {
                out[0] = static_cast<unsigned char>(override->GetAt(0));
                out[1] = static_cast<unsigned char>(override->GetAt(1));
            } else if (n >= 0 && file != nullptr && offset + 1 < fileLength) {
                out[0] = static_cast<unsigned char>(file[offset]);
                out[1] = static_cast<unsigned char>(file[offset + 1]);
            } else if (n >= 0 || IsReserved(lead, t)) {
                out[0] = out[1] = '?';  // past a short file's end, or a reserved row
            } else {
                out[0] = static_cast<unsigned char>(lead);
                out[1] = static_cast<unsigned char>(TrailByte(t));
            }
        }
    }
    LoadedOutputs() = std::move(outputs);
}

}  // namespace halcyon::lang
