// SPDX-License-Identifier: Apache-2.0
// Minutes of the day to time texts and back.
#include <HalcyonCommon/Dates.h>

CString s_DateTransMinutesToTimeFMTStr(const int& nMinutes, bool bSkipCheck, bool bColon) {
    if (nMinutes < 0) return CString();
    CString text;
    text.Format("%02d%02d", nMinutes / 60, nMinutes % 60);
    if (!bSkipCheck && !s_DateCheckTime(text)) return CString();
    if (bColon) text.Insert(2, ":");
    return text;
}

int s_DateTransTimeFMTStrToMinutes(const CString& strTime) {
    if (!s_DateCheckTime(strTime)) return -1;
    auto digit = [&](int i) { return strTime[i] - '0'; };
    return (digit(0) * 10 + digit(1)) * 60 + digit(2) * 10 + digit(3);
}
