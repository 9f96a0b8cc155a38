// SPDX-License-Identifier: Apache-2.0
// Numbers to packed BCD bytes and back.
#include <HalcyonCommon/Convert.h>

#include <cstdint>

namespace {

constexpr unsigned short kMaxBcdBytesRead = 10;

}  // namespace

bool s_CastBCDtoHex(unsigned long* pdwValue, unsigned char* const pbyBCD, unsigned short wLen) {
    if (pdwValue == nullptr || pbyBCD == nullptr || wLen < 1 || wLen > kMaxBcdBytesRead)
        return false;
    // Horner's rule gives the same sum of nibble × power of ten, modulo 2^32, as weighting each
    // nibble separately; nibbles above 9 weigh like digits.
    std::uint32_t value = 0;
    for (unsigned short i = 0; i < wLen; ++i) {
        value = value * 100u + static_cast<std::uint32_t>(pbyBCD[i] >> 4) * 10u + (pbyBCD[i] & 15u);
    }
    *pdwValue = value;
    return true;
}

bool s_CastHextoBCD(unsigned long dwValue, unsigned char* pbyBCD, unsigned short wLen) {
    if (pbyBCD == nullptr || wLen == 0) return false;
    unsigned long long rest = dwValue;
    for (unsigned short i = 0; i < wLen && rest != 0; ++i) rest /= 100;
    if (rest != 0) return false;  // more than 2 × wLen digits
    unsigned long long value = dwValue;
    for (unsigned short i = wLen; i-- > 0;) {
        pbyBCD[i] = static_cast<unsigned char>(((value / 10 % 10) << 4) | (value % 10));
        value /= 100;
    }
    return true;
}
