// SPDX-License-Identifier: Apache-2.0
// Fuzz target for the conversions that classify text bytes (hex text to bytes, text to a value):
// arbitrary text and lengths, every buffer exactly as large as the function may use, so that a
// read or write past it is caught. The first byte picks the function; the results are checked
// against the rules they follow. (Bytes to hex text, the digit packing and the BCD conversions
// do arithmetic on bytes alone: the unit tests take each of their branches and buffer edges under
// AddressSanitizer.)
#include <HalcyonCommon.h>

#include "support/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using fuzz::Check;

// A heap buffer of exactly n bytes (n may be 0: still a distinct pointer), so that AddressSanitizer
// catches any access past it: zeroed, or a copy of `from`.
using Buffer = std::unique_ptr<unsigned char[]>;
Buffer Exact(size_t n, const std::uint8_t* from = nullptr) {
    Buffer b(new unsigned char[n]());
    if (from != nullptr && n > 0) std::memcpy(b.get(), from, n);
    return b;
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Text to bytes.
void StrToHex(const std::uint8_t* data, size_t size) {
    auto byLen = static_cast<unsigned char>(size > 255 ? 255 : size);
    Buffer source = Exact(byLen, data);
    Buffer bytes = Exact(byLen / 2);
    unsigned char n = 0xEE;
    Check(s_CastStrToHex(source.get(), byLen, bytes.get(), &n));
    Check(n == byLen / 2);
    for (unsigned i = 0; i < n; ++i) {
        int high = HexValue(source[2 * i]), low = HexValue(source[2 * i + 1]);
        Check(bytes[i] == (((high < 0 ? 0 : high) << 4) | (low < 0 ? 0 : low)));
    }
}

template <bool bHex>
void StrToValue(const std::uint8_t* data, size_t size) {
    size_t length = size > 32 ? 32 : size;
    Buffer text = Exact(length + 1);
    if (length > 0) std::memcpy(text.get(), data, length);
    auto* chars = reinterpret_cast<char*>(text.get());
    unsigned long value = s_CastStrToValue(chars, bHex);
    length = std::strlen(chars);
    std::uint32_t expected = 0;
    for (size_t i = 0; length <= 9 && i < length; ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0 || (!bHex && digit > 9)) break;
        expected = expected * (bHex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
    }
    Check(value == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using Target = void (*)(const std::uint8_t*, size_t);
    static const Target kTargets[] = {StrToHex, StrToValue<false>, StrToValue<true>};
    if (size >= 1) kTargets[data[0] % 3](data + 1, size - 1);
    return 0;
}
