/// \file
/// Hex, BCD and string-value conversions.
///
/// Packed BCD holds two decimal digits per byte, the more significant in the high nibble, most
/// significant byte first. Hexadecimal text is two characters per byte, high nibble first; it is
/// written with '0'-'9' and 'A'-'F' and read with 'a'-'f' too.
///
/// All six functions are re-entrant: they use only their arguments and the stack, and a failed
/// call writes nothing. s_CastHexToChar, s_CastHexToStr and s_CastStrToHex report a failed
/// argument check through TQVerify (one line in the verify log) before returning 0 or false.
#pragma once

#include <HalcyonCommon/Export.h>

/// Reads wLen (1-10) packed-BCD bytes into *pdwValue and returns true. Nibbles above 9 are
/// weighted like digits; the sum is taken modulo 2^32 (on every platform). False, with nothing
/// written, when a pointer is null or wLen is outside 1-10.
HALCYON_API bool s_CastBCDtoHex(unsigned long* pdwValue, unsigned char* const pbyBCD,
                                unsigned short wLen);

/// Writes dwValue as wLen packed-BCD bytes (2 × wLen digits, leading zeros) and returns true.
/// False, with nothing written, when pbyBCD is null, wLen is 0, or dwValue has more than 2 × wLen
/// decimal digits (where unsigned long is 64 bits wide, values beyond 32 bits are written in
/// full when they fit, and refused when they do not; nothing is truncated).
HALCYON_API bool s_CastHextoBCD(unsigned long dwValue, unsigned char* pbyBCD, unsigned short wLen);

/// Packs wLen digit characters from lpInptr into (wLen + 1) / 2 bytes at lpOutptr (no terminator)
/// and returns that count: each pair becomes (first << 4) + (second - '0'), modulo 256, and an odd
/// count starts with a byte of the first character alone (first - '0'). For digits this is packed
/// BCD with a leading zero digit when the count is odd. Returns 0 after a TQVerify report when
/// wLen is 0 ("wLen != 0"), a pointer is null ("lpInptr != NULL", "lpOutptr != NULL") or wLen is
/// 511 or more ("j < sizeof(byBuffer)": at most 255 bytes are produced).
HALCYON_API unsigned short s_CastHexToChar(unsigned short wLen, unsigned char* lpInptr,
                                           unsigned char* lpOutptr);

/// Writes byLen bytes of pbySource as 2 × byLen hexadecimal characters into pbyTarget, followed
/// by a terminator (pbyTarget must hold 2 × byLen + 1 bytes), sets *pbyOutLen to 2 × byLen and
/// returns true. *pbyOutLen holds one byte: callers keep byLen at 127 or below; for a longer
/// source the whole text is still written and terminated, and *pbyOutLen gets 2 × byLen modulo
/// 256. False after a TQVerify report when a pointer is null ("pbySource != NULL",
/// "pbyTarget != NULL", "pbyOutLen != NULL").
HALCYON_API bool s_CastHexToStr(unsigned char* pbySource, unsigned char byLen,
                                unsigned char* pbyTarget, unsigned char* pbyOutLen);

/// Reads byLen characters of hexadecimal text from pbySource into bytes at pbyTarget (at most
/// byLen / 2 bytes, no terminator), sets *pbyOutLen to their count and returns true. A character
/// that is not a hexadecimal digit counts as 0; a trailing odd character is ignored. False after
/// a TQVerify report when a pointer is null (the same three texts as s_CastHexToStr).
HALCYON_API bool s_CastStrToHex(unsigned char* pbySource, unsigned char byLen,
                                unsigned char* pbyTarget, unsigned char* pbyOutLen);

/// The number written at the start of the NUL-terminated text pszValue: decimal digits, or with
/// bHex also 'A'-'F' and 'a'-'f', up to the first other character; no sign, blanks or prefix.
/// Computed modulo 2^32 (on every platform). 0 when pszValue is null or longer than 9 characters
/// (only the first 10 characters are ever read).
HALCYON_API unsigned long s_CastStrToValue(char* pszValue, bool bHex);
