/// \file
/// COleDateTime and COleDateTimeSpan: the host framework's date-and-time value and its difference.
///
/// A DATE counts days since 30 December 1899, midnight (1 January 1900 is 2.0, 1 January 2000 is
/// 36526.0); its fraction is the time of day. Before that day the whole part is the day and the
/// fraction still counts forward into it: -1.25 is 29 December 1899, 06:00. Differences and
/// comparisons therefore work on the "linear" value (whole part plus time of day), not on the raw
/// number. Valid dates run from 1 January 100 to 31 December 9999.
///
/// Plain values: no shared state, safe to use from any thread.
#pragma once

#include <HalcyonApi.h>

typedef double DATE;  ///< days since 30 December 1899, midnight (see above)

/// A difference of two moments in days (with fraction), and its status.
class HALCYON_API COleDateTimeSpan {
  public:
    /// Whether the value means anything.
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTimeSpan() = default;  ///< 0 days, valid
    /// dblSpanSrc days, or the days, hours, minutes and seconds given; valid.
    ///@{
    COleDateTimeSpan(double dblSpanSrc);  // NOLINT: implicit as in the framework
    COleDateTimeSpan(long lDays, int nHours, int nMins, int nSecs);
    ///@}

    /// The status.
    ///@{
    DateTimeSpanStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    ///@}

    /// The whole span in days, hours, minutes or seconds, with fraction.
    ///@{
    double GetTotalDays() const { return m_span; }
    double GetTotalHours() const { return m_span * 24; }
    double GetTotalMinutes() const { return m_span * 24 * 60; }
    double GetTotalSeconds() const { return m_span * 24 * 60 * 60; }
    ///@}
    /// Whole days, the fraction dropped (towards zero): 1.75 days gives 1, -1.75 gives -1.
    long GetDays() const;

    /// Comparison of the spans.
    ///@{
    bool operator==(const COleDateTimeSpan& other) const { return m_span == other.m_span; }
    bool operator!=(const COleDateTimeSpan& other) const { return m_span != other.m_span; }
    bool operator<(const COleDateTimeSpan& other) const { return m_span < other.m_span; }
    bool operator>(const COleDateTimeSpan& other) const { return m_span > other.m_span; }
    ///@}

    double m_span = 0.0;                  ///< the span in days
    DateTimeSpanStatus m_status = valid;  ///< its status
};

/// A moment as a DATE, and its status.
class HALCYON_API COleDateTime {
  public:
    /// Whether the value means anything.
    enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;  ///< 0.0 (30 December 1899, midnight), valid
    /// The DATE given; valid, unchecked.
    COleDateTime(DATE dtSrc);  // NOLINT: implicit as in the framework; valid, unchecked
    /// Valid when the parts name a real moment: year 100-9999, month 1-12, day within the
    /// month (29 February only in leap years), hour 0-23, minute and second 0-59. Otherwise the
    /// status is invalid and the value 0.0.
    COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

    /// Set the value from parts, with the constructor's rules; 0 on success, 1 when invalid.
    /// SetDate sets midnight of that day; SetTime sets that time on 30 December 1899.
    ///@{
    int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
    int SetDate(int nYear, int nMonth, int nDay);
    int SetTime(int nHour, int nMin, int nSec);
    ///@}

    /// The status.
    ///@{
    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    ///@}
    /// The value, m_dt.
    operator DATE() const { return m_dt; }  // NOLINT

    /// Parts of the value, to the nearest second. -1 when the status is not valid or the value
    /// lies outside the valid dates. GetDayOfWeek: 1 = Sunday … 7 = Saturday.
    ///@{
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    int GetDayOfYear() const;
    ///@}

    /// The difference in days (linear values). Its status is null when either status is null,
    /// otherwise invalid when either is not valid.
    ///@{
    COleDateTimeSpan operator-(const COleDateTime& date) const;
    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    ///@}

    /// Order of the moments (linear values).
    ///@{
    bool operator==(const COleDateTime& date) const;
    bool operator!=(const COleDateTime& date) const;
    bool operator<(const COleDateTime& date) const;
    bool operator>(const COleDateTime& date) const;
    bool operator<=(const COleDateTime& date) const;
    bool operator>=(const COleDateTime& date) const;
    ///@}

    DATE m_dt = 0.0;                  ///< the value
    DateTimeStatus m_status = valid;  ///< its status
};
