// halcyon date: date checks, day numbers, week and month numbers, contract month letters.
#include "Command.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <string>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon date check YYYYMMDD\n"
    "       halcyon date day YYYYMMDD\n"
    "       halcyon date from-day N\n"
    "       halcyon date letter MONTH\n"
    "       halcyon date month LETTER\n"
    "\n"
    "check     whether YYYYMMDD is a real day from 19700101 on (exit code 0 if so, 1 if not)\n"
    "day       the day number of a date (days since 19700101), its week number (weeks since\n"
    "          1970, Sunday to Saturday), its month number (January 1970 is 1) and weekday\n"
    "from-day  the date of day number N (0 to 2932896, which is 99991231)\n"
    "letter    the futures contract month letter of month 1-12 (1 is F, 12 is Z)\n"
    "month     the month 1-12 of a contract month letter (upper case: FGHJKMNQUVXZ)\n";

const char kCommand[] = "date";
constexpr long kLastDay = 2932896;  // 31 December 9999

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

// The weekday of a day number, counted from Thursday 1 January 1970.
const char* Weekday(long day) { return kWeekdays[(day + 4) % 7]; }

int Check(const std::string& text) {
    if (s_DateCheckDate(CString(text.c_str()))) {
        std::printf("%s: valid date\n", text.c_str());
        return kExitOk;
    }
    std::printf("%s: not a valid date (YYYYMMDD, a real day from 19700101 on)\n", text.c_str());
    return kExitFailure;
}

int Day(const std::string& text) {
    if (!s_DateCheckDate(CString(text.c_str())))
        return UsageError(kCommand, "'" + text + "' is not a valid date (YYYYMMDD, from 19700101)");
    JulianDay date{CString(text.c_str())};
    long day = date.GetJulianDay();
    std::printf("date     %s\n", static_cast<const char*>(date.GetDateString()));
    std::printf("day      %ld%s\n", day, day == 0 ? " (day 0 also stands for no date)" : "");
    std::printf("week     %u\n", static_cast<unsigned>(date.GetJulWeek()));
    std::printf("month    %u\n", static_cast<unsigned>(date.GetJulMonth()));
    std::printf("weekday  %s\n", Weekday(day));
    return kExitOk;
}

int FromDay(const std::string& text) {
    long day = 0;
    if (!ParseNumber(text, 0, kLastDay, day))
        return UsageError(kCommand, "the day number must be a whole number from 0 to 2932896");
    JulianDay date(day);
    std::printf("%s %s\n", static_cast<const char*>(date.GetDateString()), Weekday(day));
    return kExitOk;
}

int Letter(const std::string& text) {
    long month = 0;
    if (!ParseNumber(text, 1, 12, month))
        return UsageError(kCommand, "the month must be a number from 1 to 12");
    std::printf("%c\n", s_DateGetContractMonthCode(static_cast<unsigned>(month)));
    return kExitOk;
}

int Month(const std::string& text) {
    unsigned month = text.size() == 1 ? s_DateGetContractMonthNumber(text[0]) : 0;
    if (month == 0) {
        return UsageError(kCommand,
                          "'" + text + "' is not a contract month letter (one of FGHJKMNQUVXZ)");
    }
    std::printf("%u\n", month);
    return kExitOk;
}

struct Action {
    const char* name;
    int (*run)(const std::string& argument);
};

const Action kActions[] = {
    {"check", Check}, {"day", Day}, {"from-day", FromDay}, {"letter", Letter}, {"month", Month},
};

int RunDate(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args.empty()) return UsageError(kCommand, "missing action (check, day, from-day, ...)");
    for (const auto& action : kActions) {
        if (args[0] != action.name) continue;
        if (args.size() != 2)
            return UsageError(kCommand, std::string(action.name) + " takes exactly one argument");
        return action.run(args[1]);
    }
    return UsageError(kCommand, "unknown action '" + args[0] + "'");
}

const Registration kDate{"date", "check dates, day numbers and contract month letters", RunDate};

}  // namespace
}  // namespace halcyon::tool
