// SPDX-License-Identifier: Apache-2.0
// Julian day numbers (days since 1 January 1970) to and from datetime.date, and the date and
// time texts of the terminal.
#include "Bytes.h"
#include "Errors.h"

#include <HalcyonCommon/Dates.h>
#include <HalcyonCommon/JulianDay.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace py = pybind11;
using namespace pybind11::literals;

namespace halcyon::python {
namespace {

struct YearMonthDay {
    int year, month, day;
};

YearMonthDay FromDate(const py::handle& date) {
    py::object type = py::module_::import("datetime").attr("date");
    if (!py::isinstance(date, type))
        throw py::type_error("a datetime.date is required, not '" +
                             std::string(py::str(py::type::of(date).attr("__name__"))) + "'");
    return {date.attr("year").cast<int>(), date.attr("month").cast<int>(),
            date.attr("day").cast<int>()};
}

long JulianDayOf(const py::handle& date) {
    YearMonthDay d = FromDate(date);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    JulianDay probe(0L);
    // Checked first: the text constructor reports a failed check in the verify log.
    if (!probe.CheckDate(text))
        RaiseValueError("the terminal's dates start on 1 January 1970, not " + std::string(text));
    return JulianDay(CString(text)).GetJulianDay();
}

// A day number, or a date turned into one.
long DayNumber(const py::handle& day) {
    if (py::isinstance<py::int_>(day)) {
        long long n = day.cast<long long>();
        if (n < -0x7FFFFFFFLL - 1 || n > 0x7FFFFFFFLL) RaiseValueError("a day number has 32 bits");
        return static_cast<long>(n);
    }
    return JulianDayOf(day);
}

py::object DateOf(long long day) {
    if (day < -719162 || day > 2932896)  // 1 January 1 to 31 December 9999
        RaiseValueError("day " + std::to_string(day) +
                        " lies outside datetime.date's years 1-9999");
    long number = JulianDay(static_cast<long>(day)).GetJulianLong();  // YYYYMMDD
    return py::module_::import("datetime")
        .attr("date")(number / 10000, number / 100 % 100, number % 100);
}

bool CheckDate(const py::handle& value) {
    if (py::isinstance<py::int_>(value)) {
        long long n = value.cast<long long>();
        if (n < 0 || n > 99999999) return false;
        const long date = static_cast<long>(n);
        return s_DateCheckDate(date);
    }
    return s_DateCheckDate(CString(TextArgument(value)));
}

std::string ContractMonthCode(int month) {
    unsigned int m = month < 0 ? 0 : static_cast<unsigned int>(month);
    char code = s_DateGetContractMonthCode(m);
    if (code == ' ') RaiseValueError("a month is 1 to 12, not " + std::to_string(month));
    return std::string(1, code);
}

int ContractMonth(const std::string& code) {
    unsigned int month = code.size() == 1 ? s_DateGetContractMonthNumber(code[0]) : 0;
    if (month == 0) RaiseValueError("'" + code + "' is not a contract month letter (FGHJKMNQUVXZ)");
    return static_cast<int>(month);
}

std::string MinutesToTime(long long minutes, bool colon, bool skipCheck) {
    if (minutes < 0 || minutes > 0x7FFFFFFF) RaiseValueError("minutes must be 0 or more");
    const int n = static_cast<int>(minutes);
    CString text = s_DateTransMinutesToTimeFMTStr(n, skipCheck, colon);
    if (text.IsEmpty()) RaiseValueError(std::to_string(minutes) + " minutes pass the day's end");
    return text.str();
}

int TimeToMinutes(const py::handle& text) {
    std::string value = TextArgument(text);
    int minutes = s_DateTransTimeFMTStrToMinutes(CString(value));
    if (minutes < 0) RaiseValueError("'" + value + "' is no HHMM time (0000-2359)");
    return minutes;
}

bool SameWeek(const py::handle& first, const py::handle& second) {
    YearMonthDay a = FromDate(first), b = FromDate(second);
    return s_DateIsInSameWeek(COleDateTime(a.year, a.month, a.day, 0, 0, 0),
                              COleDateTime(b.year, b.month, b.day, 0, 0, 0));
}

}  // namespace

void RegisterDates(py::module_& m) {
    m.def("julian_day", &JulianDayOf, "date"_a,
          "The day number of a datetime.date: days since 1 January 1970 (day 0). ValueError for "
          "earlier dates.");
    m.def("date_from_julian", &DateOf, "day"_a,
          "The datetime.date of a day number (negative numbers are days before 1970).");
    m.def(
        "julian_week", [](const py::handle& d) { return JulianDay(DayNumber(d)).GetJulWeek(); },
        "day"_a, "Weeks since 1970, Sunday to Saturday, of a date or day number: (day + 4) // 7.");
    m.def(
        "julian_month", [](const py::handle& d) { return JulianDay(DayNumber(d)).GetJulMonth(); },
        "day"_a, "Months since 1970 of a date or day number, January 1970 being 1 (0 for day 0).");
    m.def("check_date", &CheckDate, "date"_a,
          "True for eight digits YYYYMMDD (text or int) naming a real day from 1970 on.");
    m.def(
        "check_time", [](const py::handle& t) { return s_DateCheckTime(CString(TextArgument(t))); },
        "time"_a, "True for four digits HHMM with hours 00-23 and minutes 00-59.");
    m.def(
        "is_leap_year", [](unsigned int year) { return s_DateCheckIsLeapYear(year); }, "year"_a,
        "Gregorian leap year.");
    m.def("contract_month_code", &ContractMonthCode, "month"_a,
          "The futures contract month letter of month 1-12 ('F' to 'Z').");
    m.def("contract_month", &ContractMonth, "code"_a,
          "The month 1-12 of a contract month letter (upper case only).");
    m.def("minutes_to_time", &MinutesToTime, "minutes"_a, "colon"_a = false, "skip_check"_a = false,
          R"(The time text "HHMM" ("HH:MM" with colon=True) of minutes since midnight. ValueError
past 23:59 unless skip_check=True, which lets the hours run on ("2500").)");
    m.def("time_to_minutes", &TimeToMinutes, "time"_a,
          "Minutes since midnight of a HHMM text; ValueError for anything else.");
    m.def("same_week", &SameWeek, "first"_a, "second"_a,
          "True when two datetime.date fall into the same Sunday-to-Saturday week.");
}

}  // namespace halcyon::python
