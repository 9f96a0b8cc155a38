// halcyon date: date checks, day numbers, week and month numbers, contract month letters.
#include "Command.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <string>

namespace halcyon::tool {
namespace {

const char kCommand[] = "date";
constexpr long kLastDay = 2932896;  // 31 December 9999

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

// The weekday of a day number, counted from Thursday 1 January 1970.
const char* Weekday(long day) { return kWeekdays[(day + 4) % 7]; }

int Check(const Invocation& call) {
    const std::string& text = call.Operands()[0];
    if (s_DateCheckDate(CString(text.c_str()))) {
        std::printf("%s: valid date\n", text.c_str());
        return kExitOk;
    }
    std::printf("%s: not a valid date (YYYYMMDD, a real day from 19700101 on)\n", text.c_str());
    return kExitFailure;
}

int Day(const Invocation& call) {
    const std::string& text = call.Operands()[0];
    if (!s_DateCheckDate(CString(text.c_str())))
        return call.BadArgument(text, "not a valid date (YYYYMMDD, from 19700101)");
    JulianDay date{CString(text.c_str())};
    long day = date.GetJulianDay();
    std::printf("date     %s\n", static_cast<const char*>(date.GetDateString()));
    std::printf("day      %ld\n", day);
    std::printf("week     %u\n", static_cast<unsigned>(date.GetJulWeek()));
    std::printf("month    %u\n", static_cast<unsigned>(date.GetJulMonth()));
    std::printf("weekday  %s\n", Weekday(day));
    if (day == 0) std::printf("note     day 0 also stands for no date\n");
    return kExitOk;
}

int FromDay(const Invocation& call) {
    const std::string& text = call.Operands()[0];
    long day = 0;
    if (!ParseNumber(text, 0, kLastDay, day))
        return call.BadArgument(text, "a day number is a whole number from 0 to 2932896");
    JulianDay date(day);
    std::printf("%s %s\n", static_cast<const char*>(date.GetDateString()), Weekday(day));
    return kExitOk;
}

int Letter(const Invocation& call) {
    const std::string& text = call.Operands()[0];
    long month = 0;
    if (!ParseNumber(text, 1, 12, month))
        return call.BadArgument(text, "a month is a number from 1 to 12");
    std::printf("%c\n", s_DateGetContractMonthCode(static_cast<unsigned>(month)));
    return kExitOk;
}

int Month(const Invocation& call) {
    const std::string& text = call.Operands()[0];
    unsigned month = text.size() == 1 ? s_DateGetContractMonthNumber(text[0]) : 0;
    if (month == 0)
        return call.BadArgument(text, "not a contract month letter (one of FGHJKMNQUVXZ)");
    std::printf("%u\n", month);
    return kExitOk;
}

const CommandSpec kDateSpec{
    kCommand,
    "check dates, day numbers and contract month letters",
    "",
    {{"check",
      "YYYYMMDD",
      "whether YYYYMMDD is a real day from 19700101 on (exit code 0 if so, 1 if not)",
      {},
      Check},
     {"day",
      "YYYYMMDD",
      "the day number of a date (days since 19700101), its week number (weeks since 1970, "
      "Sunday to Saturday), its month number (January 1970 is 1) and weekday",
      {},
      Day},
     {"from-day", "N", "the date of day number N (0 to 2932896, which is 99991231)", {}, FromDay},
     {"letter",
      "MONTH",
      "the futures contract month letter of month 1-12 (1 is F, 12 is Z)",
      {},
      Letter},
     {"month",
      "LETTER",
      "the month 1-12 of a contract month letter (upper case: FGHJKMNQUVXZ)",
      {},
      Month}}};
const Registration kDate{kDateSpec};

}  // namespace
}  // namespace halcyon::tool
