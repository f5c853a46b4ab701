#include "model/calendar.h"
#include "model/todo_item.h"
#include "support/dates.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

const packedDT N = DT_EMPTY;
const auto D = [](int m, int d) { return on(2024, m, d); };
const auto T = [](int m, int d, int h) { return at(2024, m, d, h, 0); };

// An entry with the given fields, filed in cal as a record reader leaves it.
void make(ToDoListToDo& t, T_Calendar& cal, unsigned prio, packedDT b, packedDT e,
          T_recData rec = {}) {
    t.setPriority(prio), t.setDateTimeDirect(WHICH_BEGIN, b), t.setDateTimeDirect(WHICH_END, e);
    t.setRecDataDirect(rec), t.putIntoCalList(cal);
}

// The entry's begin and end, then where it is filed: the list's name, for a
// dated list with "@" and its key.
std::string filed(T_Calendar& cal, const ToDoListToDo& t) {
    std::string r = std::to_string(t.getDateTime(WHICH_BEGIN)) + "-" +
                    std::to_string(t.getDateTime(WHICH_END)) + " ",
                kinds[] = {"ToDos", "Appointments", "Notes"};
    T_DatedCalList* dated[] = {&cal.datedToDos, &cal.datedAppointments, &cal.datedNotes};
    T_RecCalList* rec[] = {&cal.recToDos, &cal.recAppointments, &cal.recNotes};
    for (int i = 0; i < 3; ++i) {
        for (const auto& e : *dated[i])
            r += e.item == &t ? "dated" + kinds[i] + "@" + std::to_string(e.key) : "?";
        r += rec[i]->contains(&t) ? "rec" + kinds[i] : rec[i]->empty() ? "" : "?";
    }
    return r;
}

// The dates b and e, then where the filing rules put an entry with them:
// nowhere without dates; appointments (100) and notes (200) by their begin,
// every other priority as a todo by its end; in the recurring lists when it
// recurs, unless counted from today.
std::string filingRule(unsigned prio, int type, packedDT b, packedDT e) {
    const std::string dates = std::to_string(b) + "-" + std::to_string(e) + " ";
    if (!dtHasDate(b) && !dtHasDate(e)) return dates;
    const std::string kind = prio == 100 ? "Appointments" : prio == 200 ? "Notes" : "ToDos";
    if (type != REC_NONE && type != REC_DAILY_RESETABLE) return dates + "rec" + kind;
    return dates + "dated" + kind + "@" + std::to_string(prio == 100 || prio == 200 ? b : e);
}

} // namespace

// The setters of a todo's begin (16) and end (0): impossible dates change
// nothing, the checking setters repair the order, the todo stays filed by its end.
TEST(ToDo, DateAndTimeSetters) {
    const packedDT y2000 = on(2000, 1, 1);
    // clang-format off
    // op: d setDate, D setDateDontCheck, t setTime, T setTimeDontCheck, x clearDate, y clearTime
    struct Row { const char* rule; packedDT b, e; char op; int side, y, m, d; packedDT wantB, wantE;
    } rows[] = {
        {"a date keeps the time", N, T(5, 17, 24), 'd', 0, 2025, 1, 2, N, at(2025, 1, 2, 24, 0)},
        {"29 February refused",        N, D(3, 1), 'd', 0, 2023, 2, 29, N, D(3, 1)},
        {"2128 refused",               N, D(3, 1), 'd', 0, 2128, 1, 1, N, D(3, 1)},
        {"2000 to 2127", y2000, D(3, 1), 'd', 0, 2127, 12, 31, y2000, on(2127, 12, 31)},
        {"begin after end: swapped",   N, D(3, 1), 'd', 16, 2024, 3, 2, D(3, 1), D(3, 2)},
        {"unless set without check",   N, D(3, 1), 'D', 16, 2024, 3, 2, D(3, 2), D(3, 1)},
        {"earlier, same day", T(3, 1, 9), T(3, 1, 10), 't', 0, 8, 0, 0, T(3, 1, 8), T(3, 1, 9)},
        {"unless unchecked", T(3, 1, 9), T(3, 1, 10), 'T', 0, 8, 0, 0, T(3, 1, 9), T(3, 1, 8)},
        {"same day, one without time", T(3, 1, 9), D(3, 1), 'y', 16, 0, 0, 0, D(3, 1), D(3, 1)},
        {"no due date: no begin",      D(3, 1), T(3, 2, 8), 'x', 0, 0, 0, 0, N, N},
        {"a begin alone, unchecked",   N, N, 'D', 16, 2024, 6, 1, D(6, 1), N},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        make(t, cal, 3, r.b, r.e);
        // clang-format off
        switch (r.op) {
        case 'd': t.setDate(r.side, r.y, r.m, r.d, cal); break;
        case 'D': t.setDateDontCheck(r.side, r.y, r.m, r.d, cal); break;
        case 't': t.setTime(r.side, r.y, r.m, cal); break;
        case 'T': t.setTimeDontCheck(r.side, r.y, r.m, cal); break;
        case 'x': t.clearDate(r.side, cal); break; case 'y': t.clearTime(r.side, cal); break;
        }
        // clang-format on
        EXPECT_EQ(filed(cal, t), filingRule(3, REC_NONE, r.wantB, r.wantE));
    }
}

// Setting a rule orders begin and end and the range, and drops a rule that
// cannot be used; msgs lists the diagnostics "Recurrence reset (n)" printed,
// and the reason returned is the last of them.
TEST(ToDo, SettingARuleRepairsDatesOrDropsTheRule) {
    const packedDT B = D(5, 1), E = D(5, 10);
    const int RESETABLE = REC_DAILY_RESETABLE;
    // clang-format off
    struct Row { const char* rule; unsigned prio; packedDT b, e; int type; packedDT rangeB, rangeE;
                 const char* msgs; int wantType; packedDT wantB, wantE; } rows[] = {
        {"due on the range's first day",  3, B, E, REC_DAILY, E, N, "", REC_DAILY, B, E},
        {"due on the range's last day",   6, B, E, REC_DAILY, N, T(5, 10, 0), "", REC_DAILY, B, E},
        {"range swapped", 3, B, E, REC_WEEKLY, D(6, 1), D(5, 2), "", REC_WEEKLY, B, E},
        {"begin and end swapped",         3, E, B, REC_WEEKLY, N, N, "", REC_WEEKLY, B, E},
        {"todo due before the range",     3, B, E, REC_DAILY, D(5, 11), N, "3", 0, B, E},
        {"todo due after the range",      3, B, E, REC_DAILY_RESETABLE, N, D(5, 9), "3", 0, B, E},
        {"todo without begin",            3, N, E, REC_DAILY, N, N, "1", 0, N, E},
        {"todo without dates",            6, N, N, REC_MONTHLY_BY_DATE, N, N, "12", 0, N, N},
        {"priority 7 repeats by begin",   7, B, N, REC_DAILY, N, N, "1", 0, B, N},
        {"appointment without end",     100, E, N, REC_WEEKLY, N, N, "1", 0, E, N},
        {"note without dates",          200, N, N, REC_MONTHLY_BY_DAY, N, N, "14", 0, N, N},
        {"appointment before the range",100, B, E, REC_YEARLY, T(5, 2, 0), N, "5", 0, B, E},
        {"appointment: from today is daily", 100, B, E, RESETABLE, N, N, "", REC_DAILY, B, E},
        {"todo: from today stays", 3, B, E, RESETABLE, N, N, "", RESETABLE, B, E},
        {"note without begin drops even an interval", 200, N, N, REC_NONE, N, D(1, 1), "", 0, N, N},
    };
    // clang-format on
    // clang-format off
    const char* text[] = {"", "(1): no range [", "(2): no end date for todo [",
        "(3): date not in range [", "(4): type date without start date/time [", "(5) ["};
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        make(t, cal, r.prio, r.b, r.e), t.setShowTimeAsDirect(1);
        std::string want;
        for (const char* m = r.msgs; *m; ++m)
            want += std::string("Recurrence reset ") + text[*m - '0'];
        testing::internal::CaptureStdout();
        EXPECT_EQ(t.setRecData(T_recData{r.type, 3, r.rangeB, r.rangeE}, cal),
                  *r.msgs ? r.msgs[std::strlen(r.msgs) - 1] - '0' : REC_KEPT);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), want);
        T_recData got;
        t.getRecData(got);
        const bool swap = dtHasDate(r.rangeB) && dtHasDate(r.rangeE) && r.rangeB > r.rangeE;
        const T_recData kept{r.wantType, 3, swap ? r.rangeE : r.rangeB, swap ? r.rangeB : r.rangeE};
        EXPECT_EQ(got, r.wantType ? kept : T_recData{});
        EXPECT_EQ(t.getShowTimeAs(), r.msgs[0] != '1') << "a missing date sets it free";
        EXPECT_EQ(filed(cal, t), filingRule(r.prio, r.wantType, r.wantB, r.wantE));
        // Unfiled from the list that holds it, whatever its fields say.
        t.setPriority(100), t.removeFromCalLists(cal);
        EXPECT_EQ(filed(cal, t), std::to_string(r.wantB) + "-" + std::to_string(r.wantE) + " ");
    }
}

// Completing on Saturday 5 March 2011 a todo due on the 10th, begun on the 9th
// and recording for ten minutes: a recurring one moves on while its range
// allows (one counted from today moves to tomorrow), and completing stops the
// recording.
TEST(ToDo, CompletionAndRecurringMoveOn) {
    const packedDT due = on(2011, 3, 10), next = on(2011, 3, 17);
    // clang-format off
    struct Row { const char* rule; unsigned prio; int type; packedDT rangeB, rangeE; bool completed;
                 int result; bool wantCompleted; packedDT wantE;
                 std::vector<packedDT> skipped = {}, added = {}; } rows[] = {
        {"todo completed",             3, REC_NONE, N, N, false, 0, true, due},
        {"priority 6 is a todo",       6, REC_NONE, N, N, false, 0, true, due},
        {"appointment refused",      100, REC_NONE, N, N, false, -2, false, due},
        {"completed already",          3, REC_NONE, N, N, true, -2, true, due},
        {"recurring moves on",         3, REC_WEEKLY, N, N, false, 1, false, next},
        {"range begins today",         3, REC_WEEKLY, on(2011, 3, 5), N, false, 1, false, next},
        {"range begins tomorrow",      3, REC_WEEKLY, on(2011, 3, 6), N, false, -1, false, due},
        {"range ends on the next day", 3, REC_WEEKLY, N, next, false, 1, false, next},
        {"range ends the day before",  3, REC_WEEKLY, N, on(2011, 3, 16), false, 0, true, due},
        {"daily from today", 3, REC_DAILY_RESETABLE, N, N, false, 1, false, on(2011, 3, 6)},
        {"skipped week passed over",   3, REC_WEEKLY, N, N, false, 1, false, on(2011, 3, 24),
         {next}},
        {"every later week skipped",   3, REC_WEEKLY, N, on(2011, 3, 24), false, 0, true, due,
         {next, on(2011, 3, 24)}},
        {"added date passes with it",  3, REC_WEEKLY, N, N, false, 1, false, next, {},
         {on(2011, 3, 12)}},
        {"added date after the next",  3, REC_WEEKLY, N, N, false, 1, false, next, {},
         {on(2011, 3, 25)}},
        {"added date after the range", 3, REC_WEEKLY, N, on(2011, 3, 16), false, 1, false,
         on(2011, 3, 20), {}, {on(2011, 3, 20)}},
        {"skipped added date",         3, REC_NONE, N, N, false, 1, false, on(2011, 3, 27),
         {on(2011, 3, 20)}, {on(2011, 3, 20), on(2011, 3, 27)}},
    };
    // clang-format on
    PinnedClock clock;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        clock.set(SATURDAY_5_MARCH_2011 - 600), t.setRunning(true),
            clock.set(SATURDAY_5_MARCH_2011);
        t.setSkippedDirect(r.skipped);
        t.setAddedDirect(r.added);
        make(t, cal, r.prio, on(2011, 3, 9), due, T_recData{r.type, 1, r.rangeB, r.rangeE});
        t.setCompletedDirect({r.completed, 7});
        const ToDoListToDo before(t);
        EXPECT_EQ(t.setCompleted(cal), r.result);
        EXPECT_EQ(t == before, r.result < 0) << "an edit to journal";
        EXPECT_EQ(t.isCompleted(), r.wantCompleted);
        EXPECT_EQ(t.getCompletedTime(), r.result == 0 ? SATURDAY_5_MARCH_2011 : 7);
        // The begin still a day before the end.
        // A rule whose range has ended is dropped.
        const int typeAfter = r.rangeE != N && r.wantE > r.rangeE ? REC_NONE : r.type;
        EXPECT_EQ(filed(cal, t), filingRule(r.prio, typeAfter, r.wantE - (1u << 15), r.wantE));
        EXPECT_EQ(t.getTimeSum(), r.result < 0 ? 0 : 600) << "an open interval does not count";
        EXPECT_EQ(t.setRunning(false), r.result < 0 ? 0 : -1) << "stopped by the completion";
        EXPECT_EQ(t.clearCompleted(), r.wantCompleted ? 0 : -2);
        // Added dates up to the new due date have passed.
        for (packedDT d : t.extras().added)
            EXPECT_GT(d, t.getDateTime(WHICH_END));
        EXPECT_FALSE(t.isCompleted());
    }
}
