// The rows of the calendar view, today being Saturday 5 March 2011.

#include "view_test_util.h"

#include <chrono>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {

namespace c = std::chrono;
constexpr unsigned APPT = PRIO_APPOINTMENT, NOTE = PRIO_NOTE;

struct Entry {
    const char* summary;
    unsigned prio;
    packedDT begin = DT_EMPTY, end = DT_EMPTY;
    int rec = REC_NONE, interval = 1; // rec -1: a completed todo without a rule
    packedDT rangeEnd = DT_EMPTY;
};

std::string show(const std::vector<Entry>& entries, packedDT first, unsigned days, int leave) {
    Velk v;
    v.createRoot();
    for (const Entry& e : entries) {
        ToDoListToDo* t = entry(v, v.getRoot(), e.summary, e.prio, e.begin, e.end);
        if (e.rec < 0) t->setCompleted(v.calendar());
        const T_recData r{std::max(e.rec, 0), e.interval, DT_EMPTY, e.rangeEnd};
        EXPECT_EQ(t->setRecData(r, v.calendar()), REC_KEPT) << e.summary;
    }
    v.setMainViewType(MAINVIEW_CALENDAR), v.setCalFirstDay(first), v.setCalSpan(int(days));
    return shownRows(v, leave);
}

c::sys_days dayOf(packedDT p) {
    return c::year(dtYear(p)) / dtMonth(p) / dtDay(p);
}

} // namespace

TEST(Calendar, ShowsTheRowsOfEachShownDay) {
    PinnedClock clock;
    const packedDT D7 = on(2011, 3, 7);
    // clang-format off
    struct Case { const char* rule; std::vector<Entry> entries; packedDT first; unsigned days;
                  int leave; const char* rows; };
    const Case cases[] = {
        {"starting today: open overdue todos first, today's header in italics",
         {{"late", 2, DT_EMPTY, on(2011, 3, 1)}, {"done", 2, DT_EMPTY, on(2011, 3, 2), -1},
          {"appt", APPT, at(2011, 3, 1, 9, 0), at(2011, 3, 1, 10, 0)}}, on(2011, 3, 5), 2, ALL_ROWS,
         "overdue late|--|@i@b@rSaturday 05.03.2011  9|--|@b@rSunday 06.03.2011  9|--|"},
        {"a day: todos by priority, appointments by time, then notes",
         {{"n9", NOTE, at(2011, 3, 7, 9, 0)}, {"a14", APPT, at(2011, 3, 7, 14, 0)},
          {"a8", APPT, at(2011, 3, 7, 8, 0)}, {"t5", 5, DT_EMPTY, D7}, {"t1", 1, DT_EMPTY, D7}},
         D7, 1, ALL_ROWS, "@rMonday 07.03.2011  10|07.03 t1 ]|07.03 t5 ]|07.03 a8 [ ]|"
         "07.03 a14 [ ]|07.03 n9 [ ]|--|"},
        {"a multi-day note on each shown day; a special day after the header",
         {{"trip", NOTE, at(2011, 3, 7, 8, 0), at(2011, 3, 9, 18, 0)}}, on(2011, 3, 8), 3, ALL_ROWS,
         "@rTuesday 08.03.2011  10|08.03 trip|--|@rWednesday 09.03.2011  10|"
         "09.03 @rAsh Wednesday|09.03 trip ]|--|@rThursday 10.03.2011  10|--|"},
        {"a todo without begin on every shown day up to its due day; equal priorities by due date",
         {{"report", 3, DT_EMPTY, at(2011, 3, 11, 12, 0)},
          {"paint", 3, on(2011, 3, 9), on(2011, 3, 10)}},
         on(2011, 3, 8), 5, ENTRIES,
         "08.03 report|09.03 paint [|09.03 report|10.03 paint ]|10.03 report|11.03 report ]|"},
        {"a multi-day entry shows on the day it ends, also when it ends at that day's start",
         {{"to 23:59", APPT, at(2011, 3, 6, 20, 0), at(2011, 3, 6, 23, 59)},
          {"to 0:00", APPT, at(2011, 3, 6, 21, 0), at(2011, 3, 7, 0, 0)},
          {"to 0:01", APPT, at(2011, 3, 6, 22, 0), at(2011, 3, 7, 0, 1)}}, D7, 2, ENTRIES,
         "07.03 to 0:00 ]|07.03 to 0:01 ]|"},
        {"a recurring todo overdue and on its next day",
         {{"water", 2, on(2011, 3, 3), on(2011, 3, 3), REC_WEEKLY}}, on(2011, 3, 5), 7, ENTRIES,
         "overdue water|10.03 water [ ]|"},
        {"holidays and the special days beside them bold", {}, on(2011, 4, 22), 2, ALL_ROWS,
         "@b@rFriday 22.04.2011  16|22.04 @b@rGood Friday|22.04 @b@rEarth Day|--|"
         "@b@rSaturday 23.04.2011  16|--|"},
        {"span 14: the 14th day shown, the 15th not, over the month's end",
         {{"0", APPT, at(2011, 3, 18, 9, 0)}, {"1", APPT, at(2011, 3, 19, 9, 0)},
          {"14", APPT, at(2011, 4, 1, 9, 0)}, {"15", APPT, at(2011, 4, 2, 9, 0)}},
         on(2011, 3, 19), 14, NO_BLANKS, "19.03 1 [ ]|01.04 @rApril Fools' Day|01.04 14 [ ]|"},
        {"leap day", {{"task", 3, DT_EMPTY, on(2012, 3, 1)}}, on(2012, 2, 27), 4, ENTRIES,
         "27.02 task|28.02 task|29.02 task|01.03 task ]|"},
        {"into a new year: that year's holidays (the third Monday of January 2011)", {},
         on(2010, 12, 23), 26, NO_BLANKS, "24.12 @rChristmas Eve|25.12 @b@rChristmas|"
         "31.12 @rNew Years Eve|01.01 @b@rNew Years Day|06.01 @rEpiphany|"
         "17.01 @b@rMartin Luther King Day|"},
        {"the days stop at the last day a date can hold", {{"far", 3, DT_EMPTY, on(2127, 12, 31)}},
         on(2127, 12, 30), 14, ALL_ROWS, "@rTuesday 30.12.2127  1|30.12 far|--|"
         "@rWednesday 31.12.2127  1|31.12 @rNew Years Eve|31.12 far ]|--|"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        EXPECT_EQ(show(k.entries, k.first, k.days, k.leave), k.rows);
    }
}

// Recurring entries against their occurrences counted with <chrono> from the
// rule: the anchor (a todo's due date, else the begin) moves by the interval
// in days, weeks or months (months without that day are skipped), the other
// date keeps its distance; none after the range end or past 2127.
TEST(Calendar, RecurringEntriesShowOnTheDaysTheirRuleGives) {
    PinnedClock clock;
    const packedDT B08 = at(2008, 2, 27, 8, 0), E08 = at(2008, 2, 28, 9, 0);
    const packedDT B11 = at(2011, 3, 1, 8, 0), E11 = at(2011, 3, 1, 9, 0);
    const packedDT D2 = on(2011, 3, 2), D3 = on(2011, 3, 3), D6 = on(2011, 3, 6);
    const packedDT D7 = on(2011, 3, 7), D14 = on(2011, 3, 14), D15 = on(2011, 3, 15);
    // clang-format off
    struct Case { const char* rule; Entry e; packedDT first; unsigned days; };
    const Case cases[] = {
        {"2-day appointment daily since 2008: an end and a start on one day",
         {"r", APPT, B08, E08, REC_DAILY}, D3, 10},
        {"a range that ended before the span", {"r", 2, B08, E08, REC_DAILY, 2, D2}, D3, 14},
        {"a one-day daily appointment, span 14", {"r", APPT, B11, E11, REC_DAILY}, D6, 14},
        {"range end on the occurrence day", {"r", APPT, B11, E11, REC_DAILY, 7, D15}, D14, 3},
        {"range end the day before", {"r", APPT, B11, E11, REC_DAILY, 7, D14}, D14, 3},
        {"a todo's range end counts against its due day",
         {"r", 2, D14, D15, REC_WEEKLY, 1, on(2011, 3, 22)}, on(2011, 3, 20), 14},
        {"monthly on the 31st skips the short months",
         {"r", APPT, at(2011, 1, 31, 8, 0), at(2011, 2, 1, 9, 0), REC_MONTHLY_BY_DATE},
         on(2011, 3, 25), 14},
        {"monthly, ending a minute before the first shown day",
         {"r", APPT, at(2011, 2, 5, 20, 0), at(2011, 2, 6, 23, 59), REC_MONTHLY_BY_DATE}, D7, 3},
        {"monthly, ending at the first shown day's start",
         {"r", APPT, at(2011, 2, 5, 20, 0), at(2011, 2, 7, 0, 0), REC_MONTHLY_BY_DATE}, D7, 3},
        {"monthly, ending a minute into the first shown day",
         {"r", APPT, at(2011, 2, 5, 20, 0), at(2011, 2, 7, 0, 1), REC_MONTHLY_BY_DATE}, D7, 3},
        {"monthly, beginning at the last minute of the last shown day",
         {"r", NOTE, at(2011, 2, 9, 23, 59), at(2011, 2, 10, 9, 0), REC_MONTHLY_BY_DATE}, D7, 3},
        {"monthly, beginning on the last shown day without a time",
         {"r", NOTE, on(2011, 2, 9), on(2011, 2, 10), REC_MONTHLY_BY_DATE}, D7, 3},
        {"monthly, beginning the day after the last shown day",
         {"r", NOTE, on(2011, 2, 10), on(2011, 2, 11), REC_MONTHLY_BY_DATE}, D7, 3},
        {"daily up to the last day a date can hold",
         {"r", APPT, at(2127, 12, 29, 10, 0), at(2127, 12, 29, 11, 0), REC_DAILY},
         on(2127, 12, 30), 14},
        // clang-format on
    };
    const c::sys_days lastHeld = c::year(2127) / 12 / 31;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        const bool todo = k.e.prio <= PRIO_MAXTODO;
        const c::year_month_day anchor0(dayOf(todo ? k.e.end : k.e.begin));
        const c::days toOther = dayOf(todo ? k.e.begin : k.e.end) - c::sys_days(anchor0);
        const c::sys_days first = dayOf(k.first);
        const c::sys_days last = std::min(first + c::days(k.days - 1), lastHeld);
        std::vector<std::string> perDay(std::size_t((last - first).count() + 1));
        const int step = k.e.interval * (k.e.rec == REC_WEEKLY ? 7 : 1);
        for (int n = 0;; ++n) {
            c::year_month_day a = c::sys_days(anchor0) + c::days(n * step);
            if (k.e.rec == REC_MONTHLY_BY_DATE)
                a = (anchor0.year() / anchor0.month() + c::months(n * k.e.interval)) /
                    anchor0.day();
            if (!a.ok()) continue;
            const c::sys_days A = a;
            if (A > lastHeld || (dtHasDate(k.e.rangeEnd) && A > dayOf(k.e.rangeEnd))) break;
            const c::sys_days b = todo ? A + toOther : A;
            const c::sys_days e = std::min(todo ? A : A + toOther, lastHeld);
            if (b > last) break;
            for (c::sys_days d = std::max(b, first); d <= std::min(e, last); d += c::days(1)) {
                const c::year_month_day ymd(d);
                char row[32];
                std::snprintf(row, sizeof row, "%02u.%02u r%s%s|", unsigned(ymd.day()),
                              unsigned(ymd.month()), d == b ? " [" : "", d == e ? " ]" : "");
                perDay[std::size_t((d - first).count())] += row;
            }
        }
        EXPECT_EQ(show({k.e}, k.first, k.days, ENTRIES),
                  std::accumulate(perDay.begin(), perDay.end(), std::string()));
    }
}
