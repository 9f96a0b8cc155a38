// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Profile/ProfileText.h"

#include "Platform/common/Mbcs.h"

#include <cstdint>
#include <cstring>

namespace halcyon::profile {

const LeadBytes& ActiveLeadBytes() {
    static const LeadBytes table = [] {
        LeadBytes bytes;
        for (unsigned int b = 0x80; b < 0x100; ++b) {
            bytes.lead[b] = mbcs::IsLeadByte(static_cast<unsigned char>(b));
            bytes.any = bytes.any || bytes.lead[b];
        }
        return bytes;
    }();
    return table;
}

void UpperCaseName(char* text, size_t length, const LeadBytes& lead) {
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            text[i] = static_cast<char>(c - 'a' + 'A');
        } else if (lead(c)) {
            ++i;  // the trail byte stays as it is
        }
    }
}

size_t FindChar(std::string_view text, char ch, const LeadBytes& lead) {
    if (!lead.any) {
        const void* at = std::memchr(text.data(), ch, text.size());
        return at == nullptr ? std::string_view::npos
                             : static_cast<size_t>(static_cast<const char*>(at) - text.data());
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ch) return i;
        if (lead(text[i])) ++i;
    }
    return std::string_view::npos;
}

long ParseLong(std::string_view text) {
    constexpr std::int64_t kMax = INT32_MAX;
    constexpr std::int64_t kMin = INT32_MIN;
    text = TrimLeft(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMax + 1) value = kMax + 1;  // saturated; the sign decides below
    }
    value = negative ? -value : value;
    if (value > kMax) value = kMax;
    if (value < kMin) value = kMin;
    return static_cast<long>(value);
}

}  // namespace halcyon::profile
