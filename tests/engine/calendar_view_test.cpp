#include "engine/velk.h"
#include "view_test_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace viewtest;

namespace {

using Rows = std::vector<std::string>;

// Today is Saturday 5 March 2011.
struct Calendar : testing::Test {
    void SetUp() override {
        setVelkNowForTesting(SATURDAY_5_MARCH_2011);
        v.createRoot();
        v.setMainViewType(MAINVIEW_CALENDAR);
    }
    void TearDown() override { setVelkNowForTesting(-1); }

    Rows show(int y, int m, int d, unsigned days) {
        v.calendar().date = packDate(d, m, y) | DT_NOTIME;
        v.calendar().days = days;
        rebuild(v);
        return calendar(v);
    }
    ToDoListGroup* root() { return v.getRoot(); }

    Velk v;
};

} // namespace

TEST_F(Calendar, StartingTodayShowsOverdueTodosFirst) {
    entry(v, root(), "late", 2, {}, on(2011, 3, 1));
    entry(v, root(), "done", 2, {}, on(2011, 3, 2))->setCompleted(v.calendar());
    entry(v, root(), "late appointment", PRIO_APPOINTMENT, on(2011, 3, 1, 9), on(2011, 3, 1, 10));
    EXPECT_EQ(show(2011, 3, 5, 2), (Rows{
                                       "overdue late",
                                       "--",
                                       "@i@b@rSaturday 05.03.2011  9",
                                       "--",
                                       "@b@rSunday 06.03.2011  9",
                                       "--",
                                   }));
    EXPECT_EQ(v.getViewItems()[v.getViewOrder()[1]], nullptr) << "marker rows have no item";

    EXPECT_EQ(show(2011, 3, 6, 1), (Rows{"@b@rSunday 06.03.2011  9", "--"}))
        << "a calendar that does not start today has no overdue section";
}

TEST_F(Calendar, EntriesOfADaySortByKindAndTime) {
    entry(v, root(), "note 9", PRIO_NOTE, on(2011, 3, 7, 9), on(2011, 3, 7, 10));
    entry(v, root(), "appt 14", PRIO_APPOINTMENT, on(2011, 3, 7, 14), on(2011, 3, 7, 15));
    entry(v, root(), "appt 8", PRIO_APPOINTMENT, on(2011, 3, 7, 8), on(2011, 3, 7, 9));
    entry(v, root(), "todo 5", 5, on(2011, 3, 7), on(2011, 3, 7));
    entry(v, root(), "todo 1", 1, on(2011, 3, 7), on(2011, 3, 7));
    EXPECT_EQ(show(2011, 3, 7, 1), (Rows{
                                       "@rMonday 07.03.2011  10",
                                       "07.03 todo 1 [ ]",
                                       "07.03 todo 5 [ ]",
                                       "07.03 appt 8 [ ]",
                                       "07.03 appt 14 [ ]",
                                       "07.03 note 9 [ ]",
                                       "--",
                                   }));
}

TEST_F(Calendar, MultiDayNoteShowsOnEachShownDayWithItsEnds) {
    entry(v, root(), "trip", PRIO_NOTE, on(2011, 3, 7, 8), on(2011, 3, 9, 18)); // Mon..Wed
    EXPECT_EQ(show(2011, 3, 8, 3), (Rows{
                                       "@rTuesday 08.03.2011  10",
                                       "08.03 trip",
                                       "--",
                                       "@rWednesday 09.03.2011  10",
                                       "@rAsh Wednesday",
                                       "09.03 trip ]",
                                       "--",
                                       "@rThursday 10.03.2011  10",
                                       "--",
                                   }));
    EXPECT_EQ(show(2011, 3, 6, 2), (Rows{
                                       "@b@rSunday 06.03.2011  9",
                                       "--",
                                       "@rMonday 07.03.2011  10",
                                       "07.03 trip [",
                                       "--",
                                   }));
}

TEST_F(Calendar, TodoWithoutBeginFillsEveryShownDayUpToItsDueDay) {
    entry(v, root(), "report", 3, {}, on(2011, 3, 11, 12));
    entry(v, root(), "paint", 3, on(2011, 3, 9), on(2011, 3, 10));
    Rows rows = show(2011, 3, 8, 5);
    Rows items;
    for (auto& r : rows)
        if (r.rfind("@", 0) != 0 && r != "--") items.push_back(r);
    // Equal priorities: the earlier due date first.
    EXPECT_EQ(items, (Rows{"08.03 report", "09.03 paint [", "09.03 report", "10.03 paint ]",
                           "10.03 report", "11.03 report ]"}));
}

TEST_F(Calendar, EntryWithoutEndFillsOnlyItsBeginDay) {
    ToDoListToDo* t = entry(v, root(), "call", PRIO_APPOINTMENT, on(2011, 3, 7, 8));
    ASSERT_EQ(t->getDateTime(0), DT_EMPTY);
    EXPECT_EQ(show(2011, 3, 7, 2), (Rows{
                                       "@rMonday 07.03.2011  10",
                                       "07.03 call [ ]",
                                       "--",
                                       "@rTuesday 08.03.2011  10",
                                       "--",
                                   }));
    EXPECT_EQ(show(2011, 3, 8, 1), (Rows{"@rTuesday 08.03.2011  10", "--"}));
}

TEST_F(Calendar, RecurringAppointmentShowsItsOccurrencesInTheSpan) {
    ToDoListToDo* every3 =
        entry(v, root(), "every 3 days", PRIO_APPOINTMENT, on(2011, 3, 1, 10), on(2011, 3, 1, 11));
    T_recData rec;
    rec.type = REC_DAILY;
    rec.interval = 3;
    every3->setRecData(rec, v.calendar());
    ToDoListToDo* ended =
        entry(v, root(), "ended", PRIO_APPOINTMENT, on(2011, 2, 1, 10), on(2011, 2, 1, 11));
    rec.interval = 1;
    rec.rangeEnd = packDate(2, 3, 2011) | DT_NOTIME;
    ended->setRecData(rec, v.calendar());
    ASSERT_TRUE(v.calendar().recAppointments.contains(every3));
    ASSERT_TRUE(v.calendar().recAppointments.contains(ended));

    Rows rows = show(2011, 3, 3, 5); // occurrences on the 4th and the 7th
    Rows items;
    for (auto& r : rows)
        if (r.rfind("@", 0) != 0 && r != "--") items.push_back(r);
    EXPECT_EQ(items, (Rows{"04.03 every 3 days [ ]", "07.03 every 3 days [ ]"}));

    T_recData stored;
    every3->getRecData(stored);
    EXPECT_EQ(every3->getDateTime(16), packDate(1, 3, 2011) | packTime(10, 0))
        << "the stored entry is not moved";
}

TEST_F(Calendar, RecurringTodoOverdueAndOnItsDays) {
    ToDoListToDo* t = entry(v, root(), "water plants", 2, on(2011, 3, 3), on(2011, 3, 3));
    T_recData rec;
    rec.type = REC_WEEKLY;
    t->setRecData(rec, v.calendar());
    Rows rows = show(2011, 3, 5, 7);
    EXPECT_EQ(rows.front(), "overdue water plants");
    EXPECT_EQ(rows[1], "--");
    EXPECT_NE(std::find(rows.begin(), rows.end(), "10.03 water plants [ ]"), rows.end());
}

TEST_F(Calendar, HeadersAndSpecialDaysCarryTheirFormattingCodes) {
    // Good Friday (a holiday) and Earth Day fall on Friday 22 April 2011.
    EXPECT_EQ(show(2011, 4, 22, 2), (Rows{
                                        "@b@rFriday 22.04.2011  16",
                                        "@b@rGood Friday",
                                        "@b@rEarth Day",
                                        "--",
                                        "@b@rSaturday 23.04.2011  16",
                                        "--",
                                    }));
    EXPECT_EQ(show(2011, 7, 4, 1),
              (Rows{"@b@rMonday 04.07.2011  27", "@b@rIndependence Day", "--"}));
    EXPECT_EQ(show(2011, 10, 31, 1), (Rows{"@rMonday 31.10.2011  44", "@rHalloween", "--"}));
    EXPECT_EQ(show(2011, 3, 4, 2),
              (Rows{"@rFriday 04.03.2011  9", "--", "@i@b@rSaturday 05.03.2011  9", "--"}));
}

TEST_F(Calendar, SpanIntoANewYearShowsThatYearsVariableDays) {
    Rows rows = show(2010, 12, 25, 30);
    auto at = [&](const std::string& s) {
        return std::find(rows.begin(), rows.end(), s) - rows.begin();
    };
    // A day's special days follow its header.
    EXPECT_EQ(at("@b@rChristmas"), at("@b@rSaturday 25.12.2010  51") + 1);
    EXPECT_EQ(at("@b@rNew Years Day"), at("@b@rSaturday 01.01.2011  52") + 1);
    EXPECT_EQ(at("@b@rMartin Luther King Day"), at("@b@rMonday 17.01.2011  3") + 1)
        << "17 January is the third Monday of 2011 (in 2010 it was the 18th)";
    EXPECT_EQ(v.getSpecialDays().year, 2011);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "--"), 30);
}

// Daily and weekly rules that began years before the span, with and without a
// range end, against day counts from <chrono>. The entry lasts two days, so a
// day can show the end of one occurrence and the start of the next.
TEST_F(Calendar, OldRecurringEntriesShowOnTheDaysTheirRuleGives) {
    namespace c = std::chrono;
    const c::sys_days noEnd = c::sys_days(c::year(2127) / 12 / 31);
    struct Case {
        int type, interval;
        c::sys_days rangeEnd;
    } cases[] = {
        {REC_DAILY, 1, noEnd},
        {REC_DAILY, 3, noEnd},
        {REC_DAILY, 5, c::sys_days(c::year(2011) / 3 / 9)},
        {REC_DAILY, 2, c::sys_days(c::year(2011) / 3 / 2)},
        {REC_WEEKLY, 1, noEnd},
        {REC_WEEKLY, 4, c::sys_days(c::year(2012) / 1 / 1)},
        {REC_WEEKLY, 2, c::sys_days(c::year(2010) / 1 / 1)},
    };
    auto packed = [](c::sys_days d) {
        const c::year_month_day ymd(d);
        return packDate(int(unsigned(ymd.day())), int(unsigned(ymd.month())), int(ymd.year()));
    };
    const c::sys_days start = c::sys_days(c::year(2008) / 2 / 27);
    const c::sys_days first = c::sys_days(c::year(2011) / 3 / 3);
    for (const auto& k : cases) {
        for (unsigned prio : {2u, PRIO_APPOINTMENT}) {
            SCOPED_TRACE(testing::Message() << k.type << "/" << k.interval << " prio " << prio);
            Velk w;
            w.createRoot();
            w.setMainViewType(MAINVIEW_CALENDAR);
            ToDoListToDo* t =
                entry(w, w.getRoot(), "r", prio, on(2008, 2, 27, 8), on(2008, 2, 28, 9));
            T_recData rec;
            rec.type = k.type;
            rec.interval = k.interval;
            if (k.rangeEnd != noEnd) rec.rangeEnd = packed(k.rangeEnd) | DT_NOTIME;
            t->setRecData(rec, w.calendar());
            w.calendar().date = packed(first) | DT_NOTIME;
            w.calendar().days = 10;
            rebuild(w);
            Rows got;
            for (auto& r : calendar(w))
                if (r.rfind("@", 0) != 0 && r != "--") got.push_back(r);

            const int step = k.interval * (k.type == REC_WEEKLY ? 7 : 1);
            Rows expected;
            for (int i = 0; i < 10; ++i) {
                const c::sys_days day = first + c::days(i);
                char name[16];
                std::snprintf(name, sizeof name, "%02u.%02u r",
                              unsigned(c::year_month_day(day).day()),
                              unsigned(c::year_month_day(day).month()));
                // The occurrence that began the day before ends today; then
                // the one that begins today.
                for (int back : {1, 0}) {
                    const c::sys_days begin = day - c::days(back);
                    if ((begin - start).count() % step != 0) continue;
                    // A todo repeats by its end, an appointment by its begin.
                    const c::sys_days anchor = begin + c::days(prio <= 6 ? 1 : 0);
                    if (anchor > k.rangeEnd) continue;
                    expected.push_back(std::string(name) + (back ? " ]" : " ["));
                }
            }
            EXPECT_EQ(got, expected);
        }
    }
}

TEST_F(Calendar, DayWalksStopAtTheLastDayADateCanHold) {
    entry(v, root(), "far", 3, {}, on(2127, 12, 31));
    EXPECT_EQ(show(2127, 12, 30, 14), (Rows{
                                          "@rTuesday 30.12.2127  1",
                                          "30.12 far",
                                          "--",
                                          "@rWednesday 31.12.2127  1",
                                          "@rNew Years Eve",
                                          "31.12 far ]",
                                          "--",
                                      }));
}

TEST_F(Calendar, SpanOverLeapDayShowsEveryDay) {
    entry(v, root(), "task", 3, {}, on(2012, 3, 1));
    Rows items;
    for (auto& r : show(2012, 2, 27, 4))
        if (r.rfind("@", 0) != 0 && r != "--") items.push_back(r);
    EXPECT_EQ(items, (Rows{"27.02 task", "28.02 task", "29.02 task", "01.03 task ]"}));
}

// Recurring entries of random shape: todos, appointments and notes, with and
// without times, rules by days, weeks and months, ranges that end with or
// without a time, spans up to the last day a date can hold. Each shown day
// holds the rows of the occurrences that the rule gives when stepped one by
// one from the entry's own dates.
TEST_F(Calendar, RecurringRowsAreTheOccurrencesOfTheStepByStepRule) {
    namespace c = std::chrono;
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    auto dayOf = [](c::sys_days d) {
        const c::year_month_day ymd(d);
        return packDate(int(unsigned(ymd.day())), int(unsigned(ymd.month())), int(ymd.year())) |
               DT_NOTIME;
    };
    const c::sys_days lastHeld = c::sys_days(c::year(2127) / 12 / 31);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Velk w;
        w.createRoot();
        w.setMainViewType(MAINVIEW_CALENDAR);
        const unsigned prios[] = {1, 3, 6, PRIO_APPOINTMENT, PRIO_NOTE};
        const unsigned prio = prios[rng() % 5];
        const c::sys_days base = round % 4 == 0 ? c::sys_days(c::year(2127) / 11 / 20)
                                                : c::sys_days(c::year(2011) / 2 / 1);
        const c::sys_days b = base + c::days(pick(0, 30));
        const c::sys_days e = b + c::days(pick(0, 3));
        auto when = [&](c::sys_days d) {
            const c::year_month_day ymd(d);
            return on(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                      rng() % 2 ? pick(0, 23) : -1, pick(0, 59));
        };
        ToDoListToDo* t = entry(w, w.getRoot(), "r", prio, when(b), when(e));
        T_recData rec;
        const int types[] = {REC_DAILY, REC_WEEKLY, REC_MONTHLY_BY_DATE};
        rec.type = types[rng() % 3];
        rec.interval = rng() % 8 == 0 ? pick(60, 400) : pick(1, 5);
        if (rng() % 2) {
            // On or after the day the rule counts from, or the rule is dropped.
            const c::sys_days anchor = prio <= PRIO_MAXTODO ? e : b;
            rec.rangeEnd = dayOf(std::min(anchor + c::days(pick(0, 90)), lastHeld));
            if (rng() % 2) rec.rangeEnd = (rec.rangeEnd & DT_DATEMASK) | packTime(pick(0, 23), 0);
        }
        t->setRecData(rec, w.calendar());
        T_recData stored;
        t->getRecData(stored);
        ASSERT_EQ(stored.type, rec.type);

        const c::sys_days first = std::min(b + c::days(pick(-20, 80)), lastHeld);
        const unsigned span = unsigned(pick(1, 14));
        w.calendar().date = dayOf(first);
        w.calendar().days = span;
        rebuild(w);
        Rows got;
        for (auto& r : calendar(w))
            if (r.rfind("@", 0) != 0 && r != "--" && r.rfind("overdue", 0) != 0) got.push_back(r);

        std::vector<packedDT> shown;
        for (c::sys_days d = first; d < first + c::days(span) && d <= lastHeld; d += c::days(1))
            shown.push_back(dayOf(d));
        const packedDT from = dayOf(first) & DT_DATEMASK, last = shown.back();
        std::vector<Rows> perDay(shown.size());
        packedDT B = t->getDateTime(1), E = t->getDateTime(0);
        const bool listed = !(dtHasDate(stored.rangeEnd) && stored.rangeEnd < from);
        for (int step = 0; listed && step < 5000; ++step) {
            const packedDT Ed = dtDateOnly(prio <= PRIO_MAXTODO || dtHasDate(E) ? E : B);
            if (from <= (dtHasDate(E) ? E : Ed) && last >= B)
                for (std::size_t i = 0; i < shown.size(); ++i) {
                    if (shown[i] < dtDateOnly(B) || shown[i] > Ed) continue;
                    char name[16];
                    std::snprintf(name, sizeof name, "%02d.%02d r", dtDay(shown[i]),
                                  dtMonth(shown[i]));
                    std::string row = name;
                    if (shown[i] == dtDateOnly(B)) row += " [";
                    if (shown[i] == Ed) row += " ]";
                    perDay[i].push_back(row);
                }
            if (followingRecurrenceDate(stored, prio, B, E) <= 0 || B > last) break;
        }
        Rows expected;
        for (const Rows& day : perDay)
            expected.insert(expected.end(), day.begin(), day.end());
        ASSERT_EQ(got, expected) << "type " << rec.type << " interval " << rec.interval;
    }
}

// The blank line after the overdue todos belongs to the day before the first
// shown day: a todo made from it lands there, also on the 1st of a month or
// year, and the calendar shows it.
TEST_F(Calendar, NewTodoFromTheOverdueBlankLineLandsOnTheDayBeforeTheFirstShownDay) {
    namespace c = std::chrono;
    entry(v, root(), "late", 2, {}, on(2010, 6, 1));
    for (const c::year_month_day f : {c::year(2011) / 3 / 1, c::year(2012) / 3 / 1,
                                      c::year(2011) / 1 / 1, c::year(2011) / 6 / 15}) {
        SCOPED_TRACE(testing::Message() << int(f.year()) << "/" << unsigned(f.month()));
        const c::year_month_day b(c::sys_days(f) - c::days(1));
        setVelkNowForTesting(
            c::sys_seconds(c::sys_days(f) + c::hours(12)).time_since_epoch().count());
        show(int(f.year()), int(unsigned(f.month())), int(unsigned(f.day())), 1);
        const auto blank = std::find_if(v.getViewOrder().begin(), v.getViewOrder().end(), [&](unsigned i) {
            return v.getViewData()[i].prio == PRIO_SEPARATOR;
        });
        ASSERT_EQ(v.newToDo(2, *blank), 0);
        ToDoListToDo* t = v.getCurItem();
        const packedDT day =
            packDate(int(unsigned(b.day())), int(unsigned(b.month())), int(b.year()));
        EXPECT_EQ(t->getDateTime(0), day | DT_NOTIME);
        EXPECT_EQ(t->getDateTime(16), day | DT_NOTIME);
        rebuild(v);
        EXPECT_EQ(std::count(v.getViewItems().begin(), v.getViewItems().end(), t), 1) << "shown";
    }
}
