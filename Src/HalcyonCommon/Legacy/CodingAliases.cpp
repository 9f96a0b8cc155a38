// SPDX-License-Identifier: Apache-2.0
// The older names of the mutex wrappers, the conversions and the codecs; each calls its current
// function and nothing else.
#include <HalcyonCommon/Coding.h>
#include <HalcyonCommon/Convert.h>
#include <HalcyonCommon/Legacy.h>
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/Scrambler.h>

void* s_TQCreateMutex(const char* lpszName) { return s_MutexCreate(lpszName); }
void* s_TQOpenMutex(const char* lpszName) { return s_MutexOpen(lpszName); }
void s_TQCloseMutex(void* hMutex) { s_MutexClose(hMutex); }
void s_TQResetMutex(void* hMutex) { s_MutexReset(hMutex); }
bool s_TQWaitMutex(void* hMutex, bool bWait) { return s_MutexWait(hMutex, bWait); }

bool s_TQBCDtoHEX(unsigned long* pdwValue, unsigned char* const pbyBCD, unsigned short wLen) {
    return s_CastBCDtoHex(pdwValue, pbyBCD, wLen);
}
bool s_TQHEXtoBCD(unsigned long dwValue, unsigned char* pbyBCD, unsigned short wLen) {
    return s_CastHextoBCD(dwValue, pbyBCD, wLen);
}
bool s_TQHex2Str(unsigned char* pbySource, unsigned char byLen, unsigned char* pbyTarget,
                 unsigned char* pbyOutLen) {
    return s_CastHexToStr(pbySource, byLen, pbyTarget, pbyOutLen);
}
bool s_TQStr2Hex(unsigned char* pbySource, unsigned char byLen, unsigned char* pbyTarget,
                 unsigned char* pbyOutLen) {
    return s_CastStrToHex(pbySource, byLen, pbyTarget, pbyOutLen);
}
unsigned short s_TQPackHexToChar(unsigned short wLen, unsigned char* lpInptr,
                                 unsigned char* lpOutptr) {
    return s_CastHexToChar(wLen, lpInptr, lpOutptr);
}
unsigned long s_TQStrValue(char* pszValue, bool bHex) { return s_CastStrToValue(pszValue, bHex); }

long s_Tzip_mEncode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize) {
    return s_CodingEncode(pInBuf, lInLen, pOutBuf, lOutSize);
}
long s_Tzip_mDecode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize) {
    return s_CodingDecode(pInBuf, lInLen, pOutBuf, lOutSize);
}
long TQEncode(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput) {
    return s_CodingEncode_2(lLength, pbyInput, pbyOutput);
}
long TQDecode(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput) {
    return s_CodingDecode_2(lLength, pbyInput, pbyOutput);
}
