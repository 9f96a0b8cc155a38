// SPDX-License-Identifier: Apache-2.0
// The number at the start of a short text, decimal or hexadecimal.
#include <HalcyonCommon/Convert.h>

#include <cstdint>

namespace {

constexpr int kMaxCharacters = 9;

// The digit's value in base 10 or 16, or -1 when `c` is not a digit of that base.
int DigitValue(char c, bool bHex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (bHex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (bHex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

unsigned long s_CastStrToValue(char* pszValue, bool bHex) {
    if (pszValue == nullptr) return 0;
    int length = 0;
    while (length <= kMaxCharacters && pszValue[length] != '\0') ++length;
    if (length > kMaxCharacters) return 0;
    const std::uint32_t base = bHex ? 16 : 10;
    std::uint32_t value = 0;
    for (int i = 0, digit; (digit = DigitValue(pszValue[i], bHex)) >= 0; ++i) {
        value = value * base + static_cast<std::uint32_t>(digit);
    }
    return value;
}
