/// JulianDay: a calendar date held as a count of days since 1 January 1970.
///
/// Day 0 is 1 January 1970 and also stands for "no date". Dates enter as the eight-digit text
/// YYYYMMDD or as a day count; years are reported as years since 1900 (2024 is 124). The class is
/// a plain 4-byte value with no shared state: separate objects may be used on separate threads.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

#include <cstdint>

class HALCYON_API JulianDay {
  public:
    /// The day number of the date text strDate. When CheckDate(strDate) fails, the failure is
    /// reported once through TQVerify ("CheckDate(strDate)") and the object holds day 0. A day
    /// beyond its month's end rolls over: 20240231 is 2 March 2024.
    JulianDay(const CString& strDate);  // NOLINT: implicit as callers use it
    /// The day number as given, unchecked (kept as a 32-bit number, as the class has always done).
    JulianDay(long lJulianDay);  // NOLINT

    /// True for exactly eight decimal digits YYYYMMDD with year 1970 or later, month 1-12 and
    /// day 1-31 (the day is not checked against the month's length). Reports nothing.
    bool CheckDate(const CString& strDate) const;

    /// The calendar date: wYear in years since 1900, wMonth 1-12, wDay 1-31. Day 0 gives 70, 1, 1.
    void GetDate(unsigned short& wYear, unsigned short& wMonth, unsigned short& wDay) const;
    /// "%04ld%02d%02d" of the full year, month and day: "20240229".
    CString GetDateString() const;
    /// The date as the number YYYYMMDD: 20240229.
    long GetJulianLong() const;

    /// Parts of GetDate; day 0 (no date) gives 70, 1 and 1.
    ///@{
    unsigned short GetYear() const;
    unsigned short GetMonth() const;
    unsigned short GetDay() const;
    ///@}

    /// Months since 1970 with January 1970 as 1 (12 × year since 1900 + month − 840); 0 for day 0.
    unsigned short GetJulMonth() const;
    /// Weeks since 1970, Sunday to Saturday: (day + 4) / 7. Week 0 is Thursday 1 January to
    /// Saturday 3 January 1970.
    unsigned short GetJulWeek() const;
    /// The day number.
    long GetJulianDay() const;
    /// Day of the week, 0 = Sunday … 6 = Saturday; 1 for day 0 (no date).
    unsigned short GetWeek() const;
    /// GetWeek() == 6.
    bool IsSaturday() const;

    // Day numbers below 0 (dates before 1970, from the number constructor only) answer with their
    // true proleptic Gregorian date and weekday, and GetDateString and GetJulianLong carry the
    // full year; in the unsigned short results, years before 1900 and weeks and months before
    // 1970 wrap around, as do years after 67435 and weeks and months past 65535.

  private:
    std::int32_t m_lJulianDay;
};
