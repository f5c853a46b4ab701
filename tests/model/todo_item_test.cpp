#include "model/calendar.h"
#include "model/clock.h"
#include "model/todo_item.h"
#include "support/dates.h"

#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The moment of a local date and time, for pinning the clock.
std::time_t localMoment(int year, int month, int day, int hour = 12, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// Sets begin (which = 1) or end (which = 0), still empty, to v without any
// repair (the DontCheck setters keep the no-time flag of the empty value).
void setDateTime(ToDoListToDo& t, int which, packedDT v, T_Calendar& cal) {
    t.setDateDontCheck(which, dtYear(v), dtMonth(v), dtDay(v), cal);
    if (dtHasTime(v)) t.setTimeDontCheck(which, dtHour(v), dtMinute(v), cal);
}

std::vector<const ToDoListToDo*> itemsOf(const T_DatedCalList& list) {
    std::vector<const ToDoListToDo*> v;
    for (const auto& e : list)
        v.push_back(e.item);
    return v;
}

// Where the entry is filed: the name of its list and how often it occurs there.
std::string whereFiled(const T_Calendar& cal, const ToDoListToDo* t) {
    std::string where;
    auto note = [&](const char* name, bool in) {
        if (in) where += std::string(where.empty() ? "" : ",") + name;
    };
    note("recToDos", cal.recToDos.contains(t));
    note("datedToDos", cal.datedToDos.contains(t));
    note("recAppointments", cal.recAppointments.contains(t));
    note("datedAppointments", cal.datedAppointments.contains(t));
    note("recNotes", cal.recNotes.contains(t));
    note("datedNotes", cal.datedNotes.contains(t));
    return where;
}

class ToDo : public testing::Test {
  protected:
    void SetUp() override { setVelkNowForTesting(localMoment(2024, 3, 15, 12, 0)); }
    void TearDown() override { setVelkNowForTesting(-1); }

    // sanitizeTimeThings with its output on standard output.
    static std::string sanitize(ToDoListToDo& t) {
        testing::internal::CaptureStdout();
        t.sanitizeTimeThings();
        return testing::internal::GetCapturedStdout();
    }
    T_Calendar cal;
};

} // namespace

TEST_F(ToDo, NewEntryHasDefaults) {
    ToDoListToDo t(7, "/0/5/");
    EXPECT_EQ(t.getID(), 7u);
    EXPECT_EQ(t.getPath(), "/0/5/");
    EXPECT_EQ(t.getSummary(), "<unnamed>");
    EXPECT_EQ(t.getPriority(), 3u);
    EXPECT_EQ(t.getSyncID(), 0u);
    EXPECT_EQ(t.getDateTime(0), DT_EMPTY);
    EXPECT_EQ(t.getDateTime(1), DT_EMPTY);
    T_recData r;
    t.getRecData(r);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.interval, 1);
    EXPECT_FALSE(t.isCompleted());
    EXPECT_FALSE(t.isRunning());
    EXPECT_FALSE(t.hasBeenSaved());
    EXPECT_EQ(t.getTimeSum(), 0.0);
}

TEST_F(ToDo, DateAndTimeSettersPackTheirFields) {
    ToDoListToDo t(0, "/0/");
    t.setDate(0, 2024, 5, 17, cal);
    EXPECT_EQ(t.getDateTime(0), on(2024, 5, 17));
    t.setTime(0, 24, 0, cal);
    EXPECT_EQ(t.getDateTime(0), at(2024, 5, 17, 24, 0));
    t.setDate(0, 2025, 1, 2, cal); // keeps the time
    EXPECT_EQ(t.getDateTime(0), at(2025, 1, 2, 24, 0));
    t.clearTime(0, cal);
    EXPECT_EQ(t.getDateTime(0), on(2025, 1, 2));
    t.setTime(0, 8, 30, cal);
    t.clearDate(0, cal); // the todo has no due date any more: both become empty
    EXPECT_EQ(t.getDateTime(0), DT_EMPTY);
}

TEST_F(ToDo, ImpossibleDatesAreRefused) {
    ToDoListToDo t(0, "/0/");
    t.setDate(0, 2024, 3, 1, cal);
    const int bad[][3] = {{2023, 2, 29},  {2024, 4, 31}, {2024, 13, 1}, {2024, 0, 5},
                          {1999, 12, 31}, {2128, 1, 1},  {2024, 1, 0}};
    for (const auto& d : bad) {
        t.setDate(0, d[0], d[1], d[2], cal);
        t.setDateDontCheck(1, d[0], d[1], d[2], cal);
        EXPECT_EQ(t.getDateTime(0), on(2024, 3, 1)) << d[0] << "-" << d[1] << "-" << d[2];
        EXPECT_EQ(t.getDateTime(1), DT_EMPTY);
    }
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
}

TEST_F(ToDo, SanitizeOrdersBeginAndEnd) {
    struct Case {
        packedDT b, e, wantB, wantE;
    } cases[] = {
        // end day before begin day: swapped
        {on(2024, 5, 10), on(2024, 5, 9), on(2024, 5, 9), on(2024, 5, 10)},
        {at(2024, 5, 10, 8, 0), at(2024, 5, 9, 9, 0), at(2024, 5, 9, 9, 0), at(2024, 5, 10, 8, 0)},
        // same day, both timed: the earlier time becomes the begin
        {at(2024, 5, 10, 11, 0), at(2024, 5, 10, 9, 30), at(2024, 5, 10, 9, 30),
         at(2024, 5, 10, 11, 0)},
        // same day, one without a time: nothing is swapped
        {on(2024, 5, 10), at(2024, 5, 10, 9, 30), on(2024, 5, 10), at(2024, 5, 10, 9, 30)},
        {at(2024, 5, 10, 11, 0), on(2024, 5, 10), at(2024, 5, 10, 11, 0), on(2024, 5, 10)},
        // in order already
        {at(2024, 5, 10, 9, 0), at(2024, 5, 10, 9, 0), at(2024, 5, 10, 9, 0),
         at(2024, 5, 10, 9, 0)},
        // a todo without begin date keeps an empty begin
        {at(2000, 1, 1, 9, 0) ^ DT_NODATE, on(2024, 5, 10), DT_EMPTY, on(2024, 5, 10)},
    };
    for (unsigned prio : {3u, 100u}) {
        for (const auto& c : cases) {
            ToDoListToDo t(0, "/0/");
            t.setPriority(prio);
            if (dtHasDate(c.b)) setDateTime(t, 1, c.b, cal);
            setDateTime(t, 0, c.e, cal);
            t.removeFromCalLists(cal);
            if (prio > 6 && !dtHasDate(c.b)) continue; // an appointment needs a begin
            EXPECT_EQ(sanitize(t), "");
            EXPECT_EQ(t.getDateTime(1), c.wantB) << std::hex << c.b << " " << c.e;
            EXPECT_EQ(t.getDateTime(0), c.wantE) << std::hex << c.b << " " << c.e;
        }
    }
}

TEST_F(ToDo, SanitizeDropsUnusableRecurrenceWithItsReason) {
    const packedDT none = DT_EMPTY;
    struct Case {
        unsigned prio;
        packedDT b, e, r0, r1;
        int type;
        std::string message;
        packedDT wantB, wantE;
    } cases[] = {
        {3, none, on(2024, 5, 10), none, none, 1, "Recurrence reset (1): no range [", none,
         on(2024, 5, 10)},
        {100, on(2024, 5, 10), none, none, none, 3, "Recurrence reset (1): no range [",
         on(2024, 5, 10), none},
        {3, none, none, none, none, 5,
         "Recurrence reset (1): no range [Recurrence reset (2): no end date for todo [", none,
         none},
        {3, on(2024, 5, 1), on(2024, 5, 10), on(2024, 5, 11), none, 1,
         "Recurrence reset (3): date not in range [", on(2024, 5, 1), on(2024, 5, 10)},
        {3, on(2024, 5, 1), on(2024, 5, 10), none, on(2024, 5, 9), 2,
         "Recurrence reset (3): date not in range [", on(2024, 5, 1), on(2024, 5, 10)},
        {200, none, none, none, none, 4,
         "Recurrence reset (1): no range [Recurrence reset (4): type date without start "
         "date/time [",
         none, none},
        {100, on(2024, 5, 10), on(2024, 5, 12), at(2024, 5, 11, 0, 0), none, 6,
         "Recurrence reset (5) [", on(2024, 5, 10), on(2024, 5, 12)},
        // the range is compared by day: the range's own times do not matter
        {3, on(2024, 5, 1), at(2024, 5, 10, 23, 0), at(2024, 5, 10, 23, 59), at(2024, 5, 10, 0, 0),
         1, "", on(2024, 5, 1), at(2024, 5, 10, 23, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ToDoListToDo t(0, "/0/");
        t.setPriority(c.prio);
        if (dtHasDate(c.b)) setDateTime(t, 1, c.b, cal);
        if (dtHasDate(c.e)) setDateTime(t, 0, c.e, cal);
        t.setShowTimeAs(1, cal);
        t.removeFromCalLists(cal);
        testing::internal::CaptureStdout();
        t.setRecData(T_recData{c.type, 3, c.r0, c.r1}, cal);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
        T_recData r;
        t.getRecData(r);
        bool reset = !c.message.empty();
        EXPECT_EQ(r.type, reset ? 0 : c.type);
        EXPECT_EQ(r.interval, reset ? 1 : 3);
        EXPECT_EQ(r.rangeBegin, reset ? DT_EMPTY : c.r0);
        EXPECT_EQ(t.getDateTime(1), c.wantB);
        EXPECT_EQ(t.getDateTime(0), c.wantE);
        // Only a missing date (message 1) sets "show time as" back to free.
        bool noRange = c.message.rfind("Recurrence reset (1)", 0) == 0;
        EXPECT_EQ(t.getShowTimeAs(), noRange ? 0 : 1);
    }
}

TEST_F(ToDo, SanitizeSwapsRangeAndTurnsResetableDailyIntoDailyForAppointments) {
    ToDoListToDo a(0, "/0/");
    a.setPriority(100, cal);
    a.setDate(1, 2024, 5, 10, cal);
    a.setDate(0, 2024, 5, 10, cal);
    EXPECT_EQ(sanitize(a), "");
    a.setRecData(T_recData{REC_DAILY_RESETABLE, 2, on(2024, 6, 1), on(2024, 5, 1)}, cal);
    T_recData r;
    a.getRecData(r);
    EXPECT_EQ(r.type, REC_DAILY);
    EXPECT_EQ(r.rangeBegin, on(2024, 5, 1));
    EXPECT_EQ(r.rangeEnd, on(2024, 6, 1));
    EXPECT_EQ(whereFiled(cal, &a), "recAppointments");

    ToDoListToDo t(1, "/0/");
    t.setDate(0, 2024, 5, 10, cal);
    t.setDate(1, 2024, 5, 10, cal);
    t.setRecData(T_recData{REC_DAILY_RESETABLE, 2, DT_EMPTY, DT_EMPTY}, cal);
    t.getRecData(r);
    EXPECT_EQ(r.type, REC_DAILY_RESETABLE);
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
}

TEST_F(ToDo, AppointmentWithoutBeginLosesEvenAnIntervalSetting) {
    ToDoListToDo a(0, "/0/");
    a.setPriority(200, cal);
    a.setRecData(T_recData{0, 4, DT_EMPTY, on(2024, 1, 1)}, cal);
    T_recData r;
    a.getRecData(r);
    EXPECT_EQ(r, T_recData());
}

TEST_F(ToDo, ShowTimeAsSwitchesAppointmentAndNoteButOnlyStoresForTodos) {
    ToDoListToDo a(0, "/0/");
    a.setPriority(200, cal);
    a.setDate(1, 2024, 5, 10, cal);
    ASSERT_EQ(whereFiled(cal, &a), "datedNotes");
    a.setShowTimeAs(1, cal);
    EXPECT_EQ(a.getPriority(), 100u);
    EXPECT_EQ(whereFiled(cal, &a), "datedAppointments");
    a.setShowTimeAs(0, cal);
    EXPECT_EQ(a.getPriority(), 200u);
    EXPECT_EQ(whereFiled(cal, &a), "datedNotes");

    ToDoListToDo t(1, "/0/");
    t.setDate(0, 2024, 5, 10, cal);
    t.setShowTimeAs(1, cal);
    EXPECT_EQ(t.getShowTimeAs(), 1);
    EXPECT_EQ(t.getPriority(), 3u);
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
}

TEST_F(ToDo, CalendarListFollowsPriorityRecurrenceAndDates) {
    ToDoListToDo t(0, "/0/");
    EXPECT_EQ(whereFiled(cal, &t), "");
    t.setDate(0, 2024, 5, 10, cal);
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
    t.setDate(1, 2024, 5, 9, cal);
    for (int type : {1, 3, 4, 5, 6}) {
        t.setRecData(T_recData{type, 1, DT_EMPTY, DT_EMPTY}, cal);
        EXPECT_EQ(whereFiled(cal, &t), "recToDos") << type;
        t.setRecData(T_recData(), cal);
        EXPECT_EQ(whereFiled(cal, &t), "datedToDos") << type;
    }
    t.setPriority(100, cal);
    EXPECT_EQ(whereFiled(cal, &t), "datedAppointments");
    t.setPriority(200, cal);
    EXPECT_EQ(whereFiled(cal, &t), "datedNotes");
    t.setPriority(1, cal);
    t.clearDate(1, cal);
    t.clearDate(0, cal);
    EXPECT_EQ(whereFiled(cal, &t), "");
    t.setDateDontCheck(1, 2024, 6, 1, cal); // a begin alone files the entry
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
    t.setDate(0, 2024, 6, 2, cal);
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
    EXPECT_EQ(cal.datedToDos.size(), 1u);
    EXPECT_EQ(cal.datedToDos.begin()->key, on(2024, 6, 2));
}

TEST_F(ToDo, SetCompletedResults) {
    ToDoListToDo appointment(0, "/0/");
    appointment.setPriority(100, cal);
    appointment.setDate(1, 2024, 3, 10, cal);
    EXPECT_EQ(appointment.setCompleted(cal), -2);
    EXPECT_FALSE(appointment.isCompleted());

    ToDoListToDo t(1, "/0/");
    t.setDate(0, 2024, 3, 20, cal);
    EXPECT_EQ(t.setCompleted(cal), 0);
    EXPECT_TRUE(t.isCompleted());
    EXPECT_EQ(t.getCompletedTime(), int32_t(localMoment(2024, 3, 15, 12, 0)));
    EXPECT_EQ(whereFiled(cal, &t), "datedToDos");
    EXPECT_EQ(t.setCompleted(cal), -2);
    EXPECT_EQ(t.clearCompleted(), 0);
    EXPECT_FALSE(t.isCompleted());
    EXPECT_EQ(t.getCompletedTime(), int32_t(localMoment(2024, 3, 15, 12, 0)));
    EXPECT_EQ(t.clearCompleted(), -2);
    EXPECT_EQ(appointment.clearCompleted(), -2);
}

TEST_F(ToDo, RecurringTodoMovesOnOrIsNotActiveYet) {
    ToDoListToDo first(0, "/0/"), t(1, "/0/"), last(2, "/0/");
    for (ToDoListToDo* x : {&first, &t, &last}) {
        x->setDate(0, 2024, 3, 20, cal); // a todo takes a begin only with a due date
        x->setDate(1, 2024, 3, 19, cal);
    }
    // the range begins tomorrow: refused, and t keeps its place in recToDos
    for (ToDoListToDo* x : {&first, &t, &last})
        x->setRecData(T_recData{REC_WEEKLY, 1, on(2024, 3, 16), DT_EMPTY}, cal);
    ASSERT_TRUE(t.setRunning(true) == 0);
    const std::vector<ToDoListToDo*> order(cal.recToDos.begin(), cal.recToDos.end());
    EXPECT_EQ(t.setCompleted(cal), -1);
    EXPECT_EQ(std::vector<ToDoListToDo*>(cal.recToDos.begin(), cal.recToDos.end()), order);
    EXPECT_EQ(t.getDateTime(0), on(2024, 3, 20));
    EXPECT_TRUE(t.isRunning());

    // the range begins today: the todo moves on a week and stays open
    t.setRecData(T_recData{REC_WEEKLY, 1, on(2024, 3, 15), DT_EMPTY}, cal);
    EXPECT_EQ(t.setCompleted(cal), 1);
    EXPECT_FALSE(t.isCompleted());
    EXPECT_EQ(t.getDateTime(1), on(2024, 3, 26));
    EXPECT_EQ(t.getDateTime(0), on(2024, 3, 27));
    EXPECT_FALSE(t.isRunning()); // completing stops the recording
    EXPECT_EQ(whereFiled(cal, &t), "recToDos");

    // the range ends before the next occurrence: completed for good
    t.setRecData(T_recData{REC_WEEKLY, 1, DT_EMPTY, on(2024, 4, 2)}, cal);
    EXPECT_EQ(t.setCompleted(cal), 0);
    EXPECT_TRUE(t.isCompleted());
    EXPECT_EQ(t.getDateTime(0), on(2024, 3, 27));
}

TEST_F(ToDo, CompletingRunningTodoEndsRecordingAtCompletionTime) {
    ToDoListToDo t(0, "/0/");
    const std::time_t start = localMoment(2024, 3, 15, 9, 0);
    setVelkNowForTesting(start);
    ASSERT_EQ(t.setRunning(true), 0);
    setVelkNowForTesting(start + 3600);
    EXPECT_EQ(t.setCompleted(cal), 0);
    EXPECT_FALSE(t.isRunning());
    ASSERT_EQ(t.getNrTimes(), 1);
    EXPECT_EQ(t.getTimeBegin(0), int32_t(start));
    EXPECT_EQ(t.getTimeEnd(0), t.getCompletedTime());
    EXPECT_EQ(t.getTimeSum(), 3600.0);
}

TEST_F(ToDo, TimeRecording) {
    ToDoListToDo t(0, "/0/");
    const std::time_t start = localMoment(2024, 3, 15, 9, 0);
    setVelkNowForTesting(start);
    EXPECT_EQ(t.setRunning(false), -1);
    EXPECT_EQ(t.setRunning(true), 0);
    EXPECT_EQ(t.setRunning(true), -1);
    EXPECT_EQ(t.getNrTimes(), 1);
    setVelkNowForTesting(start + 60);
    EXPECT_EQ(t.setRunning(false), 0);
    EXPECT_EQ(t.getTimeEnd(0), int32_t(start + 60));
    setVelkNowForTesting(start + 1000);
    EXPECT_EQ(t.setRunning(true), 0);
    setVelkNowForTesting(start + 5000);
    EXPECT_EQ(t.getTimeSum(), 60.0); // the open interval does not count yet
    t.addTime(10, 25);
    EXPECT_EQ(t.getNrTimes(), 3);

    // a file may mark an entry running without any interval
    ToDoListToDo loaded(1, "/0/");
    loaded.setRunningDirect(true);
    EXPECT_EQ(loaded.getTimeSum(), 0.0);
    EXPECT_EQ(loaded.setRunning(false), 0);
    EXPECT_EQ(loaded.getNrTimes(), 0);
    EXPECT_FALSE(loaded.isRunning());
}

TEST_F(ToDo, EqualityIgnoresIntervalTimesRecurrenceIntervalAndSavedMark) {
    ToDoListToDo a(3, "/0/");
    a.setDate(0, 2024, 5, 10, cal);
    a.setDate(1, 2024, 5, 1, cal);
    a.setRecData(T_recData{REC_DAILY, 2, DT_EMPTY, DT_EMPTY}, cal);
    a.addTime(100, 200);
    a.setDescription("text");
    a.setSummary("a");
    a.removeFromCalLists(cal);
    a.hasBeenSaved(true);

    ToDoListToDo copy(a);
    EXPECT_TRUE(copy == a);
    EXPECT_FALSE(copy.hasBeenSaved());

    ToDoListToDo same = a;
    T_recData r;
    same.getRecData(r);
    r.interval = 9;
    same.setRecData(r, cal);
    same.removeFromCalLists(cal);
    same.hasBeenSaved(false);
    EXPECT_TRUE(same == a);
    EXPECT_FALSE(same != a);

    using Change = void (*)(ToDoListToDo&, T_Calendar&);
    const Change changes[] = {
        [](ToDoListToDo& t, T_Calendar&) { t.setSummary("b"); },
        [](ToDoListToDo& t, T_Calendar&) { t.setSyncID(5); },
        [](ToDoListToDo& t, T_Calendar&) { t.setID(4); },
        [](ToDoListToDo& t, T_Calendar&) { t.setPath("/0/1/"); },
        [](ToDoListToDo& t, T_Calendar& c) { t.setPriority(2, c); },
        [](ToDoListToDo& t, T_Calendar& c) { t.setShowTimeAs(1, c); },
        [](ToDoListToDo& t, T_Calendar& c) { t.setTime(0, 9, 0, c); },
        [](ToDoListToDo& t, T_Calendar& c) { t.setDate(1, 2024, 5, 2, c); },
        [](ToDoListToDo& t, T_Calendar&) { t.addTime(1, 2); },
        [](ToDoListToDo& t, T_Calendar&) { t.setRunningDirect(true); },
        [](ToDoListToDo& t, T_Calendar&) {
            t.setCompletedDirect({true, 0});
        },
        [](ToDoListToDo& t, T_Calendar&) { t.setDescription("texT"); },
        [](ToDoListToDo& t, T_Calendar&) { t.SetSaveCrypt(true); },
        [](ToDoListToDo& t, T_Calendar& c) {
            t.setRecData(T_recData{REC_WEEKLY, 2, DT_EMPTY, DT_EMPTY}, c);
        },
        [](ToDoListToDo& t, T_Calendar& c) {
            t.setRecData(T_recData{REC_DAILY, 2, on(2024, 1, 1), DT_EMPTY}, c);
        },
        [](ToDoListToDo& t, T_Calendar& c) {
            t.setRecData(T_recData{REC_DAILY, 2, DT_EMPTY, on(2025, 1, 1)}, c);
        },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        ToDoListToDo changed(a);
        changes[i](changed, cal);
        changed.removeFromCalLists(cal);
        EXPECT_FALSE(changed == a) << "change " << i;
        EXPECT_TRUE(changed != a) << "change " << i;
    }
    EXPECT_TRUE(cal.recToDos.empty() && cal.datedToDos.empty());
}

TEST_F(ToDo, AssignmentCopiesEverythingButTheSavedMark) {
    ToDoListToDo a(3, "/0/7/");
    a.setDate(0, 2024, 5, 10, cal);
    a.setDate(1, 2024, 5, 10, cal);
    a.setRecData(T_recData{REC_DAILY, 4, DT_EMPTY, DT_EMPTY}, cal);
    a.addTime(100, 250);
    a.setDescription("descr");
    a.setCompletedDirect({true, 77});
    a.removeFromCalLists(cal);

    ToDoListToDo b(9, "/0/");
    b.hasBeenSaved(true);
    b.addTime(1, 2);
    b.addTime(3, 4);
    b = a;
    EXPECT_TRUE(b.hasBeenSaved());
    EXPECT_TRUE(b == a);
    T_recData r;
    b.getRecData(r);
    EXPECT_EQ(r.interval, 4);
    EXPECT_EQ(b.getNrTimes(), 1);
    EXPECT_EQ(b.getTimeSum(), 150.0);
    EXPECT_EQ(b.getCompletedTime(), 77);
    const char* text = nullptr;
    b.GetDescription(text, nullptr);
    EXPECT_STREQ(text, "descr");
}

TEST_F(ToDo, DatedListKeepsKeyOrderNewestFirstAndDateOnlyLast) {
    ToDoListToDo a(0, "/0/"), b(1, "/0/"), c(2, "/0/"), d(3, "/0/");
    setDateTime(d, 0, on(2024, 5, 10), cal);
    setDateTime(a, 0, at(2024, 5, 10, 9, 0), cal);
    setDateTime(b, 0, at(2024, 5, 10, 9, 0), cal);
    setDateTime(c, 0, at(2024, 5, 9, 23, 0), cal);
    EXPECT_EQ(itemsOf(cal.datedToDos), (std::vector<const ToDoListToDo*>{&c, &b, &a, &d}));
}
