// SPDX-License-Identifier: Apache-2.0
// Whether two dates fall into the same Sunday-to-Saturday week.
#include <HalcyonCommon/Dates.h>

namespace {

constexpr double kHalfSecond = 1.0 / 172800.0;  // in days
constexpr long kDaysPerWeek = 7;

// Midnight of the date's day; invalid when the date is not valid or out of range.
COleDateTime Midnight(const COleDateTime& date) {
    return COleDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
}

}  // namespace

bool s_DateIsInSameWeek(const COleDateTime& dtFirst, const COleDateTime& dtSecond) {
    if (dtFirst.GetStatus() != COleDateTime::valid || dtSecond.GetStatus() != COleDateTime::valid)
        return false;
    COleDateTime first = Midnight(dtFirst), second = Midnight(dtSecond);
    if (first.GetStatus() != COleDateTime::valid || second.GetStatus() != COleDateTime::valid)
        return false;
    double span = (second - first).GetTotalDays();
    auto days = static_cast<long>(span + (span < 0 ? -kHalfSecond : kHalfSecond));
    if (days >= kDaysPerWeek || days <= -kDaysPerWeek) return false;
    // Within six days, the later date is in the same week unless its weekday comes earlier.
    int firstDay = first.GetDayOfWeek(), secondDay = second.GetDayOfWeek();
    return days >= 0 ? secondDay >= firstDay : firstDay >= secondDay;
}
