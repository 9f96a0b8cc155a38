// SPDX-License-Identifier: Apache-2.0
// Digit and hexadecimal text to bytes and back, with their argument checks in the verify log.
#include <HalcyonCommon/Convert.h>

#include <HalcyonCommon/Diag.h>

#include <cstring>

namespace {

// The verify log names these checks by their module, as it names the single-instance check, and by
// fixed lines: tools that read the log look for the module "tqutil", and the lines must not move
// when this file is edited.
const char kSource[] = "tqutil";
enum VerifyLine : unsigned short {
    kSourceLine = 27,  // "pbySource != NULL"
    kTargetLine = 28,  // "pbyTarget != NULL"
    kOutLenLine = 29,  // "pbyOutLen != NULL"
    kLengthLine = 38,  // "wLen != 0"
    kInputLine = 42,   // "lpInptr != NULL"
    kOutputLine = 46,  // "lpOutptr != NULL"
    kBufferLine = 52,  // "j < sizeof(byBuffer)"
};
const char kHexDigits[] = "0123456789ABCDEF";

// 0-15 for a hexadecimal digit of either case, -1 for anything else.
int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

unsigned char Pack(unsigned char high, unsigned char low) {
    return static_cast<unsigned char>((high << 4) + (low - 0x30));
}

bool CheckTextArguments(const unsigned char* pbySource, const unsigned char* pbyTarget,
                        const unsigned char* pbyOutLen) {
    if (pbySource == nullptr) return TQVerify("pbySource != NULL", kSource, kSourceLine);
    if (pbyTarget == nullptr) return TQVerify("pbyTarget != NULL", kSource, kTargetLine);
    if (pbyOutLen == nullptr) return TQVerify("pbyOutLen != NULL", kSource, kOutLenLine);
    return true;
}

}  // namespace

unsigned short s_CastHexToChar(unsigned short wLen, unsigned char* lpInptr,
                               unsigned char* lpOutptr) {
    if (wLen == 0) {
        TQVerify("wLen != 0", kSource, kLengthLine);
        return 0;
    }
    if (lpInptr == nullptr) {
        TQVerify("lpInptr != NULL", kSource, kInputLine);
        return 0;
    }
    if (lpOutptr == nullptr) {
        TQVerify("lpOutptr != NULL", kSource, kOutputLine);
        return 0;
    }
    unsigned char byBuffer[256];
    unsigned j = (wLen + 1u) / 2u;
    if (!(j < sizeof(byBuffer))) {
        TQVerify("j < sizeof(byBuffer)", kSource, kBufferLine);
        return 0;
    }
    // Built apart from the output, so that packing a text onto itself works.
    unsigned out = 0, in = 0;
    if (wLen % 2 != 0) byBuffer[out++] = static_cast<unsigned char>(lpInptr[in++] - 0x30);
    for (; out < j; ++out, in += 2) byBuffer[out] = Pack(lpInptr[in], lpInptr[in + 1]);
    std::memcpy(lpOutptr, byBuffer, j);
    return static_cast<unsigned short>(j);
}

bool s_CastHexToStr(unsigned char* pbySource, unsigned char byLen, unsigned char* pbyTarget,
                    unsigned char* pbyOutLen) {
    if (!CheckTextArguments(pbySource, pbyTarget, pbyOutLen)) return false;
    pbyTarget[0] = 0;
    for (unsigned i = 0; i < byLen; ++i) {
        pbyTarget[2 * i] = static_cast<unsigned char>(kHexDigits[pbySource[i] >> 4]);
        pbyTarget[2 * i + 1] = static_cast<unsigned char>(kHexDigits[pbySource[i] & 15]);
    }
    pbyTarget[2u * byLen] = 0;
    *pbyOutLen = static_cast<unsigned char>(2u * byLen);  // one byte: wraps from 128 bytes on
    return true;
}

bool s_CastStrToHex(unsigned char* pbySource, unsigned char byLen, unsigned char* pbyTarget,
                    unsigned char* pbyOutLen) {
    if (!CheckTextArguments(pbySource, pbyTarget, pbyOutLen)) return false;
    *pbyOutLen = 0;
    for (unsigned k = 0; k + 1 < byLen; k += 2) {
        int high = HexValue(pbySource[k]);
        int low = HexValue(pbySource[k + 1]);
        pbyTarget[(*pbyOutLen)++] =
            static_cast<unsigned char>(((high < 0 ? 0 : high) << 4) | (low < 0 ? 0 : low));
    }
    return true;
}
