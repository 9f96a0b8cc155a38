/// \file
/// Date and time texts of the terminal: eight-digit dates YYYYMMDD, four-digit times HHMM, minute
/// counts of the day, futures contract month letters, and the same-week test.
///
/// The functions keep no mutable state and may be called from any thread. They report failures
/// through their results only (false, ' ', 0, -1 or the empty string); nothing is logged.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/COleDateTime.h>
#include <Platform/CString.h>

/// True when strDate is exactly eight decimal digits YYYYMMDD naming a real day from 1 January
/// 1970 on: month 1-12, day 1 to the month's length (29 February in leap years only).
HALCYON_API bool s_DateCheckDate(const CString& strDate);
/// The same check of lDate written with "%08d": shorter numbers are padded with zeros (and then
/// fail the year), negative numbers and numbers of more than eight digits fail.
HALCYON_API bool s_DateCheckDate(const long& lDate);

/// Gregorian leap year: divisible by 4 and not by 100, or divisible by 400.
HALCYON_API bool s_DateCheckIsLeapYear(const unsigned int& nYear);

/// True when strTime is exactly four decimal digits HHMM with hours 00-23 and minutes 00-59
/// (so "09:30" fails).
HALCYON_API bool s_DateCheckTime(const CString& strTime);

/// The contract month letter of month nMonth (1-12) from "FGHJKMNQUVXZ": 1 is 'F', 12 is 'Z';
/// ' ' for any other number.
HALCYON_API char s_DateGetContractMonthCode(const unsigned int& nMonth);
/// The month (1-12) of contract month letter chCode, case-sensitive ('H' is 3, 'h' is 0); 0 for
/// any other character.
HALCYON_API unsigned int s_DateGetContractMonthNumber(char chCode);

/// True when both dates are valid and fall into the same Sunday-to-Saturday week; the time of day
/// never matters. False when either status is not valid or either value lies outside the valid
/// dates.
HALCYON_API bool s_DateIsInSameWeek(const COleDateTime& dtFirst, const COleDateTime& dtSecond);

/// The time text "HHMM" of nMinutes since midnight (570 gives "0930"), or "HH:MM" with bColon.
/// Empty when nMinutes is negative, or when the text fails s_DateCheckTime and bSkipCheck is
/// false; with bSkipCheck the hours may pass 23 (1500 gives "2500", and more than two digits for
/// very large counts).
HALCYON_API CString s_DateTransMinutesToTimeFMTStr(const int& nMinutes, bool bSkipCheck,
                                                   bool bColon);
/// Hours × 60 + minutes of a time text that passes s_DateCheckTime; -1 otherwise.
HALCYON_API int s_DateTransTimeFMTStrToMinutes(const CString& strTime);
