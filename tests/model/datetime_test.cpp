#include "model/datetime.h"
#include "support/dates.h"

#include <array>
#include <chrono>
#include <gtest/gtest.h>

namespace c = std::chrono;

// Every day from 1 January 1999 (day number 1) to 31 December 2127 against
// the <chrono> calendar: weekday (0 = Monday), ISO week, day of the year,
// month length, day number both ways, validity and the year's first weekday.
TEST(DateTime, EveryDayAgreesWithTheChronoCalendar) {
    const c::sys_days first = c::year(1999) / 1 / 1, last = c::year(2127) / 12 / 31;
    int number = 1;
    for (c::sys_days d = first; d <= last; d += c::days(1), ++number) {
        const c::year_month_day ymd(d);
        const c::sys_days jan1 = ymd.year() / 1 / 1;
        const int day = int(unsigned(ymd.day())), month = int(unsigned(ymd.month())),
                  year = int(ymd.year()), weekday = int(c::weekday(d).iso_encoding()) - 1;
        const c::sys_days thursday = d + c::days(3 - weekday); // an ISO week is its Thursday's
        const c::sys_days thursdaysJan1 = c::year_month_day(thursday).year() / 1 / 1;
        int d2 = 0, m2 = 0, y2 = 0;
        getDayByNumber(number, d2, m2, y2);
        // clang-format off
        const std::array<int, 10> got = {
            Wochentag(day, month, year), Kalenderwoche(day, month, year), isLeapYear(year),
            Tag_des_Jahres(day, month, year), MaxTag(month, year), daysOfYear(year),
            getNumberOfDay(day, month, year), d2 * 1000000 + m2 * 10000 + y2,
            isValidDate(day, month, year), CurrentDoomDay(year)};
        const bool leap = ymd.year().is_leap();
        const std::array<int, 10> want = {
            weekday, int((thursday - thursdaysJan1).count() / 7 + 1), leap,
            int((d - jan1).count()) + 1, int(unsigned((ymd.year() / ymd.month() / c::last).day())),
            leap ? 366 : 365, number, day * 1000000 + month * 10000 + year,
            year >= 2000, int(c::weekday(jan1).iso_encoding()) - 1};
        // clang-format on
        ASSERT_EQ(got, want) << year << "-" << month << "-" << day;
    }
}

// Moves by days (moveDate) and minutes (moveDateTime), values outside the
// domain, the order of packed values and today on the pinned clock.
TEST(DateTime, KnownValuesAtTheBoundaries) {
    auto days = [](packedDT v, int n) { return moveDate(v, n), v; };
    auto minutes = [](packedDT v, int n) { return moveDateTime(v, n), v; };
    auto dayOf = [](int number) {
        int d, m, y;
        getDayByNumber(number, d, m, y);
        return on(y, m, d);
    };
    PinnedClock clock;
    // clang-format off
    const struct { const char* rule; packedDT got, want; } rows[] = {
        {"back over the year end", days(at(2001, 1, 1, 13, 45), -1), at(2000, 12, 31, 13, 45)},
        {"into leap day, bit 31 cleared", days(on(2004, 2, 28) | DT_NODATE, 1), on(2004, 2, 29)},
        {"past 2127: its last day",            days(on(2127, 12, 31), 10), on(2127, 12, 31)},
        {"before 2000: its first day",         days(on(2000, 1, 2), -5), on(2000, 1, 1)},
        {"undated (month 0) gets a date",      days(DT_EMPTY, 1), on(2000, 1, 1)},
        {"minutes over midnight", minutes(at(2010, 12, 31, 23, 30), 30), at(2011, 1, 1, 0, 0)},
        {"back to midnight is 24:00", minutes(at(2011, 1, 1, 0, 30), -30), at(2010, 12, 31, 24, 0)},
        {"back over leap day", minutes(at(2012, 3, 1, 1, 0), -61), at(2012, 2, 29, 23, 59)},
        {"0:00 unmoved is 24:00 before", minutes(at(2011, 3, 5, 0, 0), 0), at(2011, 3, 4, 24, 0)},
        {"date only counts from 0:00",         minutes(on(2011, 3, 5), 90), at(2011, 3, 5, 1, 30)},
        {"three days on", minutes(at(2011, 3, 5, 12, 0), 3 * 1440), at(2011, 3, 8, 12, 0)},
        {"a minute after 24:00", minutes(at(2011, 3, 5, 24, 0), 1), at(2011, 3, 6, 0, 1)},
        {"minutes before 2000", dtDateOnly(minutes(on(2000, 1, 1), -100000000)), on(2000, 1, 1)},
        {"day numbers below 1 pulled up",      dayOf(-5), on(1999, 1, 1)},
        {"large day numbers pulled down",      dayOf(2000000000), on(2127, 12, 31)},
        {"2100 is no leap year", packedDT(getDateDiff(on(2100, 3, 1), on(2100, 2, 28))), 1},
        {"2128 does not fit",                  isValidDate(1, 1, 2128), 0},
        {"month 0 has no days",                packedDT(MaxTag(0, 2000)), 0},
        {"date only after every time",         on(2011, 3, 5) > at(2011, 3, 5, 24, 0), 1},
        {"undated after every date",           DT_EMPTY > on(2127, 12, 31), 1},
        {"today",                              getTodayDate(DT_NOTIME), on(2011, 3, 5)},
        {"today drops the no-date bit",        getTodayDate(DT_EMPTY), on(2011, 3, 5)},
        {"today with a time",                  getTodayDate(packTime(7, 5)), at(2011, 3, 5, 7, 5)},
    };
    // clang-format on
    for (const auto& r : rows)
        EXPECT_EQ(r.got, r.want) << r.rule;
}
