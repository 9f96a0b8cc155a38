// SPDX-License-Identifier: Apache-2.0
// Fuzzes the Big5 to GB conversion with any table bytes and any text, against a direct reading
// of the rules. Input: two bytes giving the table's length (so short, odd and full tables all
// occur), the table's bytes, then the text.
#include "support/FuzzCheck.h"

#include <HalcyonCommon.h>

#include "HalcyonCommon/Lang/GbTable.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

using fuzz::Check;

int TrailPosition(int t) {
    if (t >= 0x40 && t <= 0x7E) return t - 0x40;
    if (t >= 0xA1 && t <= 0xFE) return t - 0xA1 + 63;
    return -1;
}

// The conversion as the rules state it, over a zero-filled copy of the text's bytes.
std::string Reference(const std::string& table, const std::string& source) {
    size_t len = source.size();
    std::string in = source.c_str();
    in.resize(len + 2);
    std::string out;
    auto entry = [&](int n) {
        size_t at = static_cast<size_t>(n) * 2;
        return at + 1 < table.size() ? table.data() + at : "??";
    };
    for (size_t i = 0; i < len;) {
        int l = static_cast<unsigned char>(in[i]);
        if (l < 0x80 || i == len - 1) {
            out += static_cast<char>(l);
            ++i;
            continue;
        }
        int tb = static_cast<unsigned char>(in[i + 1]);
        i += 2;
        int t = TrailPosition(tb);
        if (t < 0 || l == 0x80 || l == 0xFF) continue;
        if ((l >= 0xA4 && l <= 0xC5) || (l == 0xC6 && tb <= 0x7E)) {
            out.append(entry(471 + (l - 0xA4) * 157 + t), 2);
        } else if (l >= 0xC9 && l <= 0xF9) {
            out.append(entry(5872 + (l - 0xC9) * 157 + t), 2);
        } else if (l >= 0xC6 && l <= 0xC8) {
            out += "??";
        } else if (l >= 0xA1 && l <= 0xA3) {
            out.append(entry((l - 0xA1) * 157 + t), 2);
        } else {
            out += static_cast<char>(l);
            out += static_cast<char>(tb);
        }
    }
    return std::string(out.c_str());  // the result ends at its first NUL
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t tableLength = (static_cast<size_t>(data[0]) << 8 | data[1]) * 2 % 27200;
    data += 2;
    size -= 2;
    if (tableLength > size) tableLength = size;
    std::string table(reinterpret_cast<const char*>(data), tableLength);
    std::string text(reinterpret_cast<const char*>(data) + tableLength, size - tableLength);
    static std::optional<std::string> loaded;  // a mutation of the text alone keeps the table
    if (loaded != table) {
        halcyon::lang::LoadTableBytes(table.data(), table.size());
        loaded = table;
    }
    CString result("unchanged");
    s_LangConvertToSimplifiedChinese(CString(text), result);
    Check(result.str() == Reference(table, text), "the result differs from the rules");
    return 0;
}
