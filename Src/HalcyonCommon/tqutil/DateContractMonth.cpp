// SPDX-License-Identifier: Apache-2.0
// Futures contract month letters.
#include <HalcyonCommon/Dates.h>

namespace {

// Letter i (from 1) stands for month i.
const char kMonthLetters[] = "FGHJKMNQUVXZ";
constexpr unsigned kMonths = sizeof(kMonthLetters) - 1;

}  // namespace

char s_DateGetContractMonthCode(const unsigned int& nMonth) {
    return nMonth >= 1 && nMonth <= kMonths ? kMonthLetters[nMonth - 1] : ' ';
}

unsigned int s_DateGetContractMonthNumber(char chCode) {
    for (unsigned i = 0; i < kMonths; ++i) {  // never matches the terminator
        if (kMonthLetters[i] == chCode) return i + 1;
    }
    return 0;
}
