#include "HalcyonCommon/Lang/GbTable.h"

namespace halcyon::lang {
namespace {

constexpr std::uint16_t kQuestionMarks = '?' | ('?' << 8);

int TrailPosition(unsigned char trail) {
    if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
    if (trail >= 0xA1 && trail <= 0xFE) return trail - 0xA1 + 63;
    return -1;
}

std::uint16_t Pair(unsigned char first, unsigned char second) {
    return static_cast<std::uint16_t>(first | (second << 8));
}

std::uint16_t Entry(const char* file, std::size_t fileLength, int index) {
    auto offset = static_cast<std::size_t>(index) * 2;
    if (offset + 1 >= fileLength) return kQuestionMarks;
    return Pair(static_cast<unsigned char>(file[offset]),
                static_cast<unsigned char>(file[offset + 1]));
}

// The replacement of a pair whose trail byte is valid and whose lead byte is 0x81-0xFE.
std::uint16_t Replacement(unsigned char lead, unsigned char trail, const char* file,
                          std::size_t fileLength, const std::map<int, CString>& overrides) {
    int index = TableIndex(lead, trail);
    if (index < 0) {
        bool reserved = lead == 0xC7 || lead == 0xC8 || (lead == 0xC6 && trail >= 0xA1);
        return reserved ? kQuestionMarks : Pair(lead, trail);
    }
    if (index >= kFirstOverridable) {
        auto found = overrides.find(index);
        if (found != overrides.end() && found->second.GetLength() >= 2) {
            return Pair(static_cast<unsigned char>(found->second.GetAt(0)),
                        static_cast<unsigned char>(found->second.GetAt(1)));
        }
    }
    return Entry(file, fileLength, index);
}

}  // namespace

int TableIndex(unsigned char lead, unsigned char trail) {
    int t = TrailPosition(trail);
    if (t < 0) return -1;
    if (lead >= 0xA1 && lead <= 0xA3) return (lead - 0xA1) * 157 + t;
    if (lead >= 0xA4 && lead <= 0xC5) return 471 + (lead - 0xA4) * 157 + t;
    if (lead == 0xC6 && t < 63) return 471 + 34 * 157 + t;
    if (lead >= 0xC9 && lead <= 0xF9) return 5872 + (lead - 0xC9) * 157 + t;
    return -1;
}

PairTable BuildPairTable(const char* file, std::size_t fileLength,
                         const std::map<int, CString>& overrides) {
    PairTable pairs(new std::uint16_t[65536]());
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            auto l = static_cast<unsigned char>(lead);
            auto t = static_cast<unsigned char>(trail);
            if (IsTrailByte(t))
                pairs[lead * 256 + trail] = Replacement(l, t, file, fileLength, overrides);
        }
    }
    return pairs;
}

PairTable& LoadedPairs() {
    static PairTable pairs;
    return pairs;
}

std::map<int, CString>& Overrides() {
    static std::map<int, CString> overrides;
    return overrides;
}

}  // namespace halcyon::lang
