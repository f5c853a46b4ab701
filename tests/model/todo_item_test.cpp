#include "model/calendar.h"
#include "model/todo_item.h"
#include "support/dates.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

const packedDT N = DT_EMPTY;
packedDT D(int m, int d) {
    return on(2024, m, d);
}
packedDT T(int m, int d, int h) {
    return at(2024, m, d, h, 0);
}

// An entry with the given fields, filed in cal as a record reader leaves it.
void make(ToDoListToDo& t, T_Calendar& cal, unsigned prio, packedDT b, packedDT e,
          T_recData rec = {}) {
    t.setPriority(prio);
    t.setDateTimeDirect(WHICH_BEGIN, b);
    t.setDateTimeDirect(WHICH_END, e);
    t.setRecDataDirect(rec);
    t.putIntoCalList(cal);
}

// The key under which the entry is filed in a dated list, 1 in a recurring list, 0 in none.
packedDT filedKey(const T_Calendar& cal, const ToDoListToDo& t) {
    for (const T_DatedCalList* l : {&cal.datedToDos, &cal.datedAppointments, &cal.datedNotes})
        for (const auto& e : *l)
            if (e.item == &t) return e.key;
    for (const T_RecCalList* l : {&cal.recToDos, &cal.recAppointments, &cal.recNotes})
        if (l->contains(&t)) return 1;
    return 0;
}

} // namespace

// The setters of a todo's begin (16) and end (0): impossible dates change
// nothing, the checking setters repair the order, the todo stays filed by its end.
TEST(ToDo, DateAndTimeSetters) {
    struct Row {
        const char* rule;
        packedDT b, e;
        char op; // d setDate, D setDateDontCheck, t setTime, T setTimeDontCheck, x clearDate, y
                 // clearTime
        int which, y, m, d;
        packedDT wantB, wantE;
    } rows[] = {
        // clang-format off
        {"a date keeps the time",      N, T(5, 17, 24), 'd', 0, 2025, 1, 2, N, at(2025, 1, 2, 24, 0)},
        {"29 February, leap year",     N, D(3, 1), 'd', 0, 2024, 2, 29, N, D(2, 29)},
        {"29 February refused",        N, D(3, 1), 'd', 0, 2023, 2, 29, N, D(3, 1)},
        {"31 April refused",           N, D(3, 1), 'd', 0, 2024, 4, 31, N, D(3, 1)},
        {"month 13 refused",           N, D(3, 1), 'D', 0, 2024, 13, 1, N, D(3, 1)},
        {"1999 refused",               N, D(3, 1), 'D', 0, 1999, 12, 31, N, D(3, 1)},
        {"2128 refused",               N, D(3, 1), 'd', 0, 2128, 1, 1, N, D(3, 1)},
        {"2000 to 2127 taken", on(2000, 1, 1), D(3, 1), 'd', 0, 2127, 12, 31, on(2000, 1, 1), on(2127, 12, 31)},
        {"begin after end: swapped",   N, D(3, 1), 'd', 16, 2024, 3, 2, D(3, 1), D(3, 2)},
        {"unless set without check",   N, D(3, 1), 'D', 16, 2024, 3, 2, D(3, 2), D(3, 1)},
        {"earlier time, same day",     T(3, 1, 9), T(3, 1, 10), 't', 0, 8, 0, 0, T(3, 1, 8), T(3, 1, 9)},
        {"unless set without check",   T(3, 1, 9), T(3, 1, 10), 'T', 0, 8, 0, 0, T(3, 1, 9), T(3, 1, 8)},
        {"same day, one without time", T(3, 1, 9), D(3, 1), 'y', 16, 0, 0, 0, D(3, 1), D(3, 1)},
        {"no due date: no begin",      D(3, 1), T(3, 2, 8), 'x', 0, 0, 0, 0, N, N},
        {"a begin alone, unchecked",   N, N, 'D', 16, 2024, 6, 1, D(6, 1), N},
        // clang-format on
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        make(t, cal, 3, r.b, r.e);
        switch (r.op) {
        case 'd':
            t.setDate(r.which, r.y, r.m, r.d, cal);
            break;
        case 'D':
            t.setDateDontCheck(r.which, r.y, r.m, r.d, cal);
            break;
        case 't':
            t.setTime(r.which, r.y, r.m, cal);
            break;
        case 'T':
            t.setTimeDontCheck(r.which, r.y, r.m, cal);
            break;
        case 'x':
            t.clearDate(r.which, cal);
            break;
        case 'y':
            t.clearTime(r.which, cal);
            break;
        }
        EXPECT_EQ(t.getDateTime(WHICH_BEGIN), r.wantB);
        EXPECT_EQ(t.getDateTime(WHICH_END), r.wantE);
        EXPECT_EQ(cal.datedToDos.size(), dtHasDate(r.wantB) || dtHasDate(r.wantE) ? 1u : 0u);
        EXPECT_EQ(filedKey(cal, t), r.wantB == N && r.wantE == N ? 0 : r.wantE);
    }
}

// Setting a rule orders begin and end and the range, and drops a rule that
// cannot be used; msgs lists the diagnostics "Recurrence reset (n)" printed,
// and the reason returned is the last of them.
TEST(ToDo, SettingARuleRepairsDatesOrDropsTheRule) {
    const packedDT B = D(5, 1), E = D(5, 10);
    struct Row {
        const char* rule;
        unsigned prio;
        packedDT b, e;
        int type;
        packedDT rangeB, rangeE;
        const char* msgs;
        int wantType;
        packedDT wantB, wantE;
    } rows[] = {
        // clang-format off
        {"due on the range's first day",  3, B, E, REC_DAILY, E, N, "", REC_DAILY, B, E},
        {"due on the range's last day",   6, B, E, REC_DAILY, N, T(5, 10, 0), "", REC_DAILY, B, E},
        {"range swapped",                 3, B, E, REC_WEEKLY, D(6, 1), D(5, 2), "", REC_WEEKLY, B, E},
        {"begin and end swapped",         3, E, B, REC_WEEKLY, N, N, "", REC_WEEKLY, B, E},
        {"todo due before the range",     3, B, E, REC_DAILY, D(5, 11), N, "3", 0, B, E},
        {"todo due after the range",      3, B, E, REC_DAILY_RESETABLE, N, D(5, 9), "3", 0, B, E},
        {"todo without begin",            3, N, E, REC_DAILY, N, N, "1", 0, N, E},
        {"todo without dates",            6, N, N, REC_MONTHLY_BY_DATE, N, N, "12", 0, N, N},
        {"priority 7 repeats by begin",   7, B, N, REC_DAILY, N, N, "1", 0, B, N},
        {"appointment without end",     100, E, N, REC_WEEKLY, N, N, "1", 0, E, N},
        {"note without dates",          200, N, N, REC_MONTHLY_BY_DAY, N, N, "14", 0, N, N},
        {"appointment before the range",100, B, E, REC_YEARLY, T(5, 2, 0), N, "5", 0, B, E},
        {"appointment: daily from today is daily", 100, B, E, REC_DAILY_RESETABLE, N, N, "", REC_DAILY, B, E},
        {"todo: daily from today stays", 3, B, E, REC_DAILY_RESETABLE, N, N, "", REC_DAILY_RESETABLE, B, E},
        {"note without begin drops even an interval", 200, N, N, REC_NONE, N, D(1, 1), "", 0, N, N},
        // clang-format on
    };
    const char* text[] = {"",
                          "(1): no range [",
                          "(2): no end date for todo [",
                          "(3): date not in range [",
                          "(4): type date without start date/time [",
                          "(5) ["};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        make(t, cal, r.prio, r.b, r.e);
        t.setShowTimeAsDirect(1);
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
        EXPECT_EQ(t.getDateTime(WHICH_BEGIN), r.wantB);
        EXPECT_EQ(t.getDateTime(WHICH_END), r.wantE);
        EXPECT_EQ(t.getShowTimeAs(), r.msgs[0] != '1') << "a missing date sets it free";
        // Appointments and notes are filed by their begin, every other priority by its end.
        const packedDT key = r.prio == 100 || r.prio == 200 ? r.wantB : r.wantE;
        const bool dated = dtHasDate(r.wantB) || dtHasDate(r.wantE);
        const bool recurring = r.wantType && r.wantType != REC_DAILY_RESETABLE;
        EXPECT_EQ(filedKey(cal, t), !dated ? 0 : recurring ? 1 : key);
    }
}

// Completing on Saturday 5 March 2011 a todo due on the 10th, begun on the 9th
// and recording for ten minutes: a recurring one moves on while its range
// allows, and completing stops the recording.
TEST(ToDo, CompletionAndRecurringMoveOn) {
    const packedDT due = on(2011, 3, 10), next = on(2011, 3, 17);
    struct Row {
        const char* rule;
        unsigned prio;
        int type;
        packedDT rangeB, rangeE;
        bool completed;
        int result;
        bool wantCompleted;
        packedDT wantE;
    } rows[] = {
        // clang-format off
        {"todo completed",             3, REC_NONE, N, N, false, 0, true, due},
        {"priority 6 is a todo",       6, REC_NONE, N, N, false, 0, true, due},
        {"appointment refused",      100, REC_NONE, N, N, false, -2, false, due},
        {"completed already",          3, REC_NONE, N, N, true, -2, true, due},
        {"recurring moves on",         3, REC_WEEKLY, N, N, false, 1, false, next},
        {"range begins today",         3, REC_WEEKLY, on(2011, 3, 5), N, false, 1, false, next},
        {"range begins tomorrow",      3, REC_WEEKLY, on(2011, 3, 6), N, false, -1, false, due},
        {"range ends on the next day", 3, REC_WEEKLY, N, next, false, 1, false, next},
        {"range ends the day before",  3, REC_WEEKLY, N, on(2011, 3, 16), false, 0, true, due},
        // clang-format on
    };
    PinnedClock clock;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        clock.set(SATURDAY_5_MARCH_2011 - 600);
        t.setRunning(true);
        clock.set(SATURDAY_5_MARCH_2011);
        make(t, cal, r.prio, on(2011, 3, 9), due, T_recData{r.type, 1, r.rangeB, r.rangeE});
        t.setCompletedDirect({r.completed, 7});
        EXPECT_EQ(t.setCompleted(cal), r.result);
        EXPECT_EQ(t.isCompleted(), r.wantCompleted);
        EXPECT_EQ(t.getCompletedTime(), r.result == 0 ? SATURDAY_5_MARCH_2011 : 7);
        EXPECT_EQ(t.getDateTime(WHICH_END), r.wantE);
        EXPECT_EQ(t.getDateTime(WHICH_BEGIN), r.wantE - (1u << 15)) << "still a day before";
        const packedDT key = r.prio > 6 ? t.getDateTime(WHICH_BEGIN) : r.wantE;
        EXPECT_EQ(filedKey(cal, t), r.type ? 1 : key) << "filed again";
        EXPECT_EQ(t.isRunning(), r.result < 0);
        EXPECT_EQ(t.getTimeSum(), r.result < 0 ? 0 : 600);
        EXPECT_EQ(t.clearCompleted(), r.wantCompleted ? 0 : -2);
        EXPECT_FALSE(t.isCompleted());
    }
}

TEST(ToDo, TimeRecordingAddsClosedIntervals) {
    struct Step {
        long at;
        bool on;
        int result, intervals;
        double sum;
    } steps[] = {{0, false, -1, 0, 0},  {0, true, 0, 1, 0},     {30, true, -1, 1, 0},
                 {60, false, 0, 1, 60}, {1000, true, 0, 2, 60}, {5000, false, 0, 2, 4060}};
    PinnedClock clock;
    ToDoListToDo t(0, "/0/");
    for (const Step& s : steps) {
        clock.set(SATURDAY_5_MARCH_2011 + s.at);
        EXPECT_EQ(t.setRunning(s.on), s.result) << s.at;
        EXPECT_EQ(t.getNrTimes(), s.intervals) << s.at;
        EXPECT_EQ(t.getTimeSum(), s.sum) << s.at << ": the open interval does not count";
    }
    ToDoListToDo loaded(1, "/0/"); // a file may mark an entry running without an interval
    loaded.setRunningDirect(true);
    EXPECT_EQ(loaded.setRunning(false), 0);
    EXPECT_EQ(loaded.getTimeSum(), 0.0);
}

// Equality decides whether an edited entry is journalled: which changes count.
TEST(ToDo, EqualityTellsEveryJournalledChange) {
    T_Calendar cal;
    ToDoListToDo a(3, "/0/");
    make(a, cal, 3, D(5, 1), D(5, 10), T_recData{REC_DAILY, 2, N, N});
    a.addTime(100, 200);
    a.setDescription("text");
    a.setCompletedDirect({true, 50});
    a.removeFromCalLists(cal);
    using Change = void (*)(ToDoListToDo&);
    const std::pair<Change, bool> rows[] = {
        // clang-format off
        {[](ToDoListToDo&) {}, true},
        {[](ToDoListToDo& t) { t.setRecDataDirect(T_recData{REC_DAILY, 9, N, N}); }, true},
        {[](ToDoListToDo& t) { t.hasBeenSaved(true); }, true},
        {[](ToDoListToDo& t) { t.setSummary("b"); }, false},
        {[](ToDoListToDo& t) { t.setSyncID(5); }, false},
        {[](ToDoListToDo& t) { t.setID(4); }, false},
        {[](ToDoListToDo& t) { t.setPath("/0/1/"); }, false},
        {[](ToDoListToDo& t) { t.setPriority(2); }, false},
        {[](ToDoListToDo& t) { t.setShowTimeAsDirect(1); }, false},
        {[](ToDoListToDo& t) { t.setDateTimeDirect(WHICH_END, T(5, 10, 9)); }, false},
        {[](ToDoListToDo& t) { t.setDateTimeDirect(WHICH_BEGIN, D(5, 2)); }, false},
        {[](ToDoListToDo& t) { t.addTime(1, 2); }, false},
        {[](ToDoListToDo& t) { t.setRunningDirect(true); }, false},
        {[](ToDoListToDo& t) { t.setCompletedDirect({false, 50}); }, false},
        {[](ToDoListToDo& t) { t.setCompletedDirect({true, 51}); }, false},
        {[](ToDoListToDo& t) { t.setDescription("texT"); }, false},
        {[](ToDoListToDo& t) { t.SetSaveCrypt(true); }, false},
        {[](ToDoListToDo& t) { t.setRecDataDirect(T_recData{REC_WEEKLY, 2, N, N}); }, false},
        {[](ToDoListToDo& t) { t.setRecDataDirect(T_recData{REC_DAILY, 2, D(1, 1), N}); }, false},
        {[](ToDoListToDo& t) { t.setRecDataDirect(T_recData{REC_DAILY, 2, N, D(9, 1)}); }, false},
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        ToDoListToDo changed(a);
        rows[i].first(changed);
        EXPECT_EQ(changed == a, rows[i].second) << "row " << i;
        EXPECT_EQ(changed != a, !rows[i].second) << "row " << i;
    }
}
