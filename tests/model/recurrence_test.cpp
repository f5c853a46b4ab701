#include "model/recurrence.h"
#include "support/dates.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace c = std::chrono;

namespace {

const c::sys_days FIRST_DAY = c::year(2000) / 1 / 1, LAST_DAY = c::year(2127) / 12 / 31;

c::year_month_day ymdOf(packedDT v) {
    return c::year(dtYear(v)) / c::month(unsigned(dtMonth(v))) / c::day(unsigned(dtDay(v)));
}
packedDT packed(const c::year_month_day& d, packedDT timeBits) {
    return packDate(int(unsigned(d.day())), int(unsigned(d.month())), int(d.year())) |
           (timeBits & DT_TIMEMASK);
}

// The rules in <chrono> terms: the next anchor day after a, or none when it
// would lie beyond 2127, there is no rule, or the interval is below 1 (yearly
// ignores the interval).
// A weekly rule with a set of weekdays (bit 0 Monday) takes the next day of
// the set in a week that lies a multiple of interval weeks after a's.
std::optional<c::year_month_day> nextDay(int type, long long interval, c::year_month_day a,
                                         unsigned weekdays = 0) {
    // An interval beyond 130 years leaves 2127 from any start.
    if (type == REC_NONE || (type != REC_YEARLY && interval < 1) || interval > 12 * 130) return {};
    c::year_month_day n{}; // zero, not a day: the month loop runs at least once
    auto weekOf = [](c::sys_days d) { return d - (c::weekday(d) - c::Monday); };
    if (type == REC_WEEKLY && (weekdays & 0x7f) != 0) {
        for (c::sys_days d = c::sys_days(a) + c::days(1);; d += c::days(1))
            if ((weekOf(d) - weekOf(c::sys_days(a))).count() / 7 % interval == 0 &&
                (weekdays >> (c::weekday(d) - c::Monday).count() & 1)) {
                n = d;
                break;
            }
    } else if (type == REC_DAILY || type == REC_WEEKLY) {
        n = c::sys_days(a) + c::days(interval * (type == REC_WEEKLY ? 7 : 1));
    } else if (type != REC_YEARLY) { // monthly: months without the day are skipped; by
        // day it is the same ordinal weekday, e.g. the 5th Friday
        const c::weekday_indexed wd = c::weekday(c::sys_days(a))[(unsigned(a.day()) - 1) / 7 + 1];
        for (c::year_month ym = a.year() / a.month(); !n.ok() && int(ym.year()) <= DT_MAXYEAR;) {
            ym += c::months(interval);
            if (type == REC_MONTHLY_BY_DATE)
                n = ym / a.day();
            else if ((ym / wd).ok())
                n = c::sys_days(ym / wd);
        }
    } else { // yearly; 29 February waits for the next leap year
        n = a + c::years(1);
        while (!n.ok() && int(n.year()) <= DT_MAXYEAR)
            n = n + c::years(1);
    }
    if (!n.ok() || int(n.year()) > DT_MAXYEAR) return std::nullopt;
    return n;
}

// Minutes since 2000 for comparing with a range end; a value without a time
// stands for its whole day, so it lies after every moment of that day.
long long moment(const c::year_month_day& d, packedDT timeBits) {
    const int minute = (timeBits & DT_NOTIME) ? 1499 : dtHour(timeBits) * 60 + dtMinute(timeBits);
    return (c::sys_days(d) - FIRST_DAY).count() * 1500 + minute;
}

// Checks followingRecurrenceDate on one entry against the rules: the anchor
// (a todo's end, else the begin) moves to the next day keeping its time; the
// other value keeps its distance in days and its own time, or takes the
// anchor's when it has none; past the range end or 2127 nothing moves.
void checkAgainstRules(T_recData rec, unsigned prio, packedDT begin, packedDT end) {
    const bool todo = prio <= 6;
    const packedDT anchor = todo ? end : begin, other = todo ? begin : end;
    const int distance = int((c::sys_days(ymdOf(other)) - c::sys_days(ymdOf(anchor))).count());
    std::optional<c::year_month_day> n =
        nextDay(rec.type, rec.interval, ymdOf(anchor), rec.weekdays);
    if (n && dtHasDate(rec.rangeEnd) &&
        moment(*n, anchor) > moment(ymdOf(rec.rangeEnd), rec.rangeEnd))
        n.reset();
    packedDT b = begin, e = end, wantB = begin, wantE = end;
    EXPECT_EQ(followingRecurrenceDate(rec, prio, b, e), n ? 1 : 0);
    if (n) {
        // Moves of the other value stop at the ends of the years a packed date holds.
        const c::sys_days o = std::clamp(c::sys_days(*n) + c::days(distance), FIRST_DAY, LAST_DAY);
        (todo ? wantE : wantB) = packed(*n, anchor);
        (todo ? wantB : wantE) = packed(o, dtHasTime(other) ? other : anchor);
    }
    EXPECT_EQ(std::pair(b, e), std::pair(wantB, wantE)) << "begin, end";
}

} // namespace

// Boundary rows, then random ones, against the rules.
TEST(Recurrence, EntriesFollowTheRules) {
    const packedDT N = DT_EMPTY, at9 = at(2024, 1, 1, 9, 0), at10 = at(2024, 1, 1, 10, 0),
                   j31 = on(2024, 1, 31);
    const int DAY = REC_DAILY, WEEK = REC_WEEKLY, BYDATE = REC_MONTHLY_BY_DATE,
              BYDAY = REC_MONTHLY_BY_DAY, YEAR = REC_YEARLY;
    // clang-format off
    struct Row { const char* rule; int type, interval; unsigned prio; packedDT b, e, rangeEnd;
                 uint8_t weekdays = 0;
    } rows[] = {
        {"range end on the next day",   DAY, 1, 3, on(2024, 1, 1), on(2024, 1, 1), on(2024, 1, 2)},
        {"range end the day before it", DAY, 1, 3, on(2024, 1, 1), on(2024, 1, 1), on(2024, 1, 1)},
        {"range end at the next moment", WEEK, 1, 3, at9, at10, at(2024, 1, 8, 10, 0)},
        {"range end a minute before it", WEEK, 1, 3, at9, at10, at(2024, 1, 8, 9, 59)},
        {"date-only range end: whole day", WEEK, 1, 100, at9, at10, on(2024, 1, 8)},
        {"31st, range ends 31 March", BYDATE, 1, 3, j31, j31, on(2024, 3, 31)},
        {"31st, range ends 30 March", BYDATE, 1, 3, j31, j31, on(2024, 3, 30)},
        {"5th Friday skips months",     BYDAY, 1, 3, on(2024, 3, 29), on(2024, 3, 29), N},
        {"leap day yearly",             YEAR, 1, 3, on(2012, 2, 29), on(2012, 2, 29), N},
        {"leap day over 2100, interval ignored", YEAR, 7, 3, on(2096, 2, 29), on(2096, 2, 29), N},
        {"2000 leap day, 12 months",    BYDATE, 12, 3, on(2000, 2, 29), on(2000, 2, 29), N},
        {"2127 last day: no next",      DAY, 1, 3, on(2127, 12, 30), on(2127, 12, 31), N},
        {"2127 yearly: no next year",   YEAR, 1, 3, on(2127, 3, 1), on(2127, 3, 1), N},
        {"2127 into December",          BYDATE, 1, 3, on(2127, 11, 30), on(2127, 11, 30), N},
        {"2127 past December",          BYDAY, 1, 3, on(2127, 12, 1), on(2127, 12, 1), N},
        {"interval 0 never moves on",   DAY, 0, 3, on(2024, 1, 31), on(2024, 1, 31), N},
        {"7 times it is no int",        WEEK, 1299100000, 3, on(2024, 1, 31), on(2024, 1, 31), N},
        {"no rule",                     REC_NONE, 1, 3, on(2024, 1, 1), on(2024, 1, 1), N},
        {"Mo We Fr from a Friday, 2 weeks", WEEK, 2, 3, on(2024, 1, 5), on(2024, 1, 5), N, 0x15},
        {"Mo We from a Wednesday",      WEEK, 1, 100, at9, at(2024, 1, 3, 9, 0), N, 0x05},
        {"set without the anchor's day", WEEK, 3, 3, on(2024, 1, 2), on(2024, 1, 2), N, 0x40},
        {"Sunday set at the end of 2127", WEEK, 1, 3, on(2127, 12, 30), on(2127, 12, 30), N, 0x41},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        checkAgainstRules(T_recData{r.type, r.interval, N, r.rangeEnd, r.weekdays}, r.prio, r.b,
                          r.e);
    }
    // Then random entries of every kind, favouring month ends and late weekdays,
    // where the rules differ.
    std::mt19937 rng(20240315);
    SCOPED_TRACE("seed 20240315");
    const int types[] = {DAY, WEEK, BYDAY, BYDATE, YEAR};
    auto time = [&] { return rng() % 3 ? packTime(int(rng() % 25), int(rng() % 60)) : DT_NOTIME; };
    auto add = [&](c::sys_days d, int n) { return std::min(d + c::days(rng() % ++n), LAST_DAY); };
    for (int i = 0; i < 4000; ++i) {
        c::year_month_day a = add(FIRST_DAY, int((LAST_DAY - FIRST_DAY).count()));
        if (rng() % 2) // month ends and late weekdays, where the rules differ
            a = a.year() / a.month() /
                ((a.year() / a.month() / c::last).day() - c::days(rng() % 7));
        const packedDT b = packed(a, time()), e = packed(add(c::sys_days(a), 5), time());
        T_recData rec{types[rng() % 5], 1 + int(rng() % (rng() % 4 ? 4 : 30)), N, N};
        if (rng() % 4 == 0) rec.rangeEnd = packed(add(c::sys_days(a), 70), time());
        if (rec.type == WEEK && rng() % 2) rec.weekdays = uint8_t(rng() % 128);
        SCOPED_TRACE(testing::Message() << "row " << i);
        checkAgainstRules(rec, rng() % 2 ? 3 : 100, b, e);
    }
}
