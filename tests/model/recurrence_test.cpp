#include "model/calendar.h"
#include "model/clock.h"
#include "model/recurrence.h"
#include "model/todo_item.h"
#include "support/dates.h"

#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace c = std::chrono;

namespace {

packedDT withDate(const c::year_month_day& d, packedDT timeBits) {
    return packDate(int(unsigned(d.day())), int(unsigned(d.month())), int(d.year())) |
           dtTimeBits(timeBits);
}

// The next anchor day by the <chrono> calendar, or nothing beyond 2127.
std::optional<c::year_month_day> chronoNext(int type, int interval, c::year_month_day a) {
    c::year_month_day n;
    switch (type) {
    case REC_DAILY:
        n = c::sys_days(a) + c::days(interval);
        break;
    case REC_WEEKLY:
        n = c::sys_days(a) + c::days(7 * interval);
        break;
    case REC_MONTHLY_BY_DATE: {
        c::year_month ym = a.year() / a.month();
        do {
            ym += c::months(interval);
            n = ym / a.day();
        } while (!n.ok() && int(ym.year()) <= DT_MAXYEAR);
        break;
    }
    case REC_MONTHLY_BY_DAY: {
        c::weekday wd(c::sys_days{a});
        unsigned index = (unsigned(a.day()) - 1) / 7 + 1;
        c::year_month ym = a.year() / a.month();
        c::year_month_weekday w;
        do {
            ym += c::months(interval);
            w = ym / wd[index];
        } while (!w.ok() && int(ym.year()) <= DT_MAXYEAR);
        n = c::year_month_day(c::sys_days(w));
        break;
    }
    case REC_YEARLY:
        n = a + c::years(1);
        while (!n.ok() && int(n.year()) <= DT_MAXYEAR)
            n = n + c::years(1);
        break;
    }
    if (int(n.year()) > DT_MAXYEAR) return std::nullopt;
    return n;
}

class Recurrence : public testing::Test {
  protected:
    void TearDown() override { setVelkNowForTesting(-1); }
};

} // namespace

TEST_F(Recurrence, EveryTypeAgreesWithChronoCalendar) {
    std::mt19937 rng(20240315);
    const c::sys_days first = c::sys_days(c::year(2000) / 1 / 1);
    const int span = (c::sys_days(c::year(2127) / 12 / 31) - first).count();
    const int types[] = {REC_DAILY, REC_WEEKLY, REC_MONTHLY_BY_DAY, REC_MONTHLY_BY_DATE,
                         REC_YEARLY};
    for (int i = 0; i < 40000; ++i) {
        // Month ends and late weekdays are where the rules differ; favour them.
        c::year_month_day a = first + c::days(int(rng() % unsigned(span + 1)));
        if (rng() % 2) {
            c::year_month_day last = a.year() / a.month() / c::last;
            a = a.year() / a.month() / (last.day() - c::days(rng() % 7));
        }
        const int type = types[rng() % 5];
        const int interval = 1 + int(rng() % (rng() % 4 == 0 ? 30 : 4));
        const bool todo = rng() % 2;
        const int distance = int(rng() % 11) - 5;
        const packedDT anchorTime =
            rng() % 3 ? packTime(int(rng() % 24), int(rng() % 60)) : DT_NOTIME;
        const packedDT otherTime =
            rng() % 3 ? packTime(int(rng() % 24), int(rng() % 60)) : DT_NOTIME;

        if (c::sys_days(a) + c::days(distance) < first) continue; // no such other value
        packedDT anchor = withDate(a, anchorTime);
        packedDT other = anchor;
        moveDate(other, distance);
        other = (other & DT_DATEMASK) | otherTime;
        packedDT begin = todo ? other : anchor, end = todo ? anchor : other;
        const packedDT oldBegin = begin, oldEnd = end;

        T_recData rec{type, interval, DT_EMPTY, DT_EMPTY};
        const int moved = followingRecurrenceDate(rec, todo ? 3 : 100, begin, end);
        SCOPED_TRACE(testing::Message() << "type " << type << " interval " << interval << " from "
                                        << int(a.year()) << "-" << unsigned(a.month()) << "-"
                                        << unsigned(a.day()) << " distance " << distance);
        std::optional<c::year_month_day> n = chronoNext(type, interval, a);
        // The other value must also fit the calendar's range.
        if (n && (c::sys_days(*n) + c::days(distance) > c::sys_days(c::year(2127) / 12 / 31) ||
                  c::sys_days(*n) + c::days(distance) < first))
            continue;
        if (!n) {
            ASSERT_EQ(moved, 0);
            ASSERT_EQ(begin, oldBegin);
            ASSERT_EQ(end, oldEnd);
            continue;
        }
        ASSERT_EQ(moved, 1);
        const packedDT wantAnchor = withDate(*n, anchorTime);
        const c::year_month_day o = c::sys_days(*n) + c::days(distance);
        const packedDT wantOther = withDate(o, otherTime == DT_NOTIME ? anchorTime : otherTime);
        ASSERT_EQ(todo ? end : begin, wantAnchor);
        ASSERT_EQ(todo ? begin : end, wantOther);
    }
}

TEST_F(Recurrence, NamedCases) {
    struct Case {
        const char* name;
        int type, interval;
        unsigned prio;
        packedDT b, e, wantB, wantE;
    } cases[] = {
        {"daily by two: Sunday 9:00 to Monday 10:00", REC_DAILY, 2, 3, at(2024, 3, 10, 9, 0),
         at(2024, 3, 11, 10, 0), at(2024, 3, 12, 9, 0), at(2024, 3, 13, 10, 0)},
        {"monthly by date on 31 January skips February", REC_MONTHLY_BY_DATE, 1, 3, on(2024, 1, 31),
         on(2024, 1, 31), on(2024, 3, 31), on(2024, 3, 31)},
        {"monthly by date across the year end", REC_MONTHLY_BY_DATE, 2, 3, on(2024, 11, 30),
         on(2024, 11, 30), on(2025, 1, 30), on(2025, 1, 30)},
        {"monthly by day on a fifth Friday", REC_MONTHLY_BY_DAY, 1, 3, on(2024, 3, 29),
         on(2024, 3, 29), on(2024, 5, 31), on(2024, 5, 31)},
        {"monthly by day: second Tuesday", REC_MONTHLY_BY_DAY, 1, 100, at(2024, 12, 10, 8, 0),
         at(2024, 12, 10, 9, 0), at(2025, 1, 14, 8, 0), at(2025, 1, 14, 9, 0)},
        {"yearly on 29 February", REC_YEARLY, 1, 3, on(2012, 2, 29), on(2012, 2, 29),
         on(2016, 2, 29), on(2016, 2, 29)},
        {"yearly on 29 February over 2100", REC_YEARLY, 7, 3, on(2096, 2, 29), on(2096, 2, 29),
         on(2104, 2, 29), on(2104, 2, 29)},
        {"appointment whose begin has no time", REC_WEEKLY, 1, 200, on(2024, 12, 30),
         at(2025, 1, 1, 18, 0), on(2025, 1, 6), at(2025, 1, 8, 18, 0)},
        {"todo begin without time takes the due time", REC_DAILY, 1, 3, on(2024, 2, 27),
         at(2024, 2, 28, 17, 30), at(2024, 2, 28, 17, 30), at(2024, 2, 29, 17, 30)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        packedDT b = k.b, e = k.e;
        EXPECT_EQ(followingRecurrenceDate(T_recData{k.type, k.interval, DT_EMPTY, DT_EMPTY}, k.prio,
                                          b, e),
                  1);
        EXPECT_EQ(b, k.wantB);
        EXPECT_EQ(e, k.wantE);
    }
}

TEST_F(Recurrence, NoFollowingDate) {
    struct Case {
        const char* name;
        T_recData rec;
        packedDT anchor;
    } cases[] = {
        {"no rule", {REC_NONE, 1, DT_EMPTY, DT_EMPTY}, on(2024, 1, 1)},
        {"range end before the next date",
         {REC_WEEKLY, 1, DT_EMPTY, on(2024, 1, 7)},
         on(2024, 1, 1)},
        {"range end on the next day but before its time",
         {REC_DAILY, 1, DT_EMPTY, at(2024, 1, 2, 9, 0)},
         at(2024, 1, 2, 10, 0) - (1u << 15)},
        {"beyond 2127", {REC_DAILY, 1, DT_EMPTY, DT_EMPTY}, on(2127, 12, 31)},
        {"yearly beyond 2127", {REC_YEARLY, 1, DT_EMPTY, DT_EMPTY}, on(2127, 3, 1)},
        {"monthly beyond 2127", {REC_MONTHLY_BY_DATE, 1, DT_EMPTY, DT_EMPTY}, on(2127, 12, 31)},
        {"interval 0 would never move on",
         {REC_MONTHLY_BY_DATE, 0, DT_EMPTY, DT_EMPTY},
         on(2024, 1, 31)},
        {"negative interval", {REC_DAILY, -3, DT_EMPTY, DT_EMPTY}, on(2024, 1, 31)},
        // Intervals as a damaged file may hold: no overflow, no long walk.
        {"weekly, 7 times the interval is no int",
         {REC_WEEKLY, 1299100000, DT_EMPTY, DT_EMPTY},
         on(2024, 1, 31)},
        {"daily, the largest interval", {REC_DAILY, INT32_MAX, DT_EMPTY, DT_EMPTY}, on(2024, 1, 1)},
        {"monthly by date, the largest interval",
         {REC_MONTHLY_BY_DATE, INT32_MAX, DT_EMPTY, DT_EMPTY},
         on(2024, 1, 31)},
        {"monthly by day, a billion months",
         {REC_MONTHLY_BY_DAY, 1000000000, DT_EMPTY, DT_EMPTY},
         on(2024, 1, 31)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        packedDT b = k.anchor, e = k.anchor;
        EXPECT_EQ(followingRecurrenceDate(k.rec, 3, b, e), 0);
        EXPECT_EQ(b, k.anchor);
        EXPECT_EQ(e, k.anchor);
    }
    // A date-only range end allows an occurrence on its own day.
    packedDT b = at(2024, 1, 1, 9, 0), e = at(2024, 1, 1, 10, 0);
    EXPECT_EQ(followingRecurrenceDate(T_recData{REC_WEEKLY, 1, DT_EMPTY, on(2024, 1, 8)}, 3, b, e),
              1);
    EXPECT_EQ(e, at(2024, 1, 8, 10, 0));
    // A range end at the very moment of the next occurrence still allows it.
    b = at(2024, 1, 1, 9, 0), e = at(2024, 1, 1, 10, 0);
    EXPECT_EQ(
        followingRecurrenceDate(T_recData{REC_WEEKLY, 1, DT_EMPTY, at(2024, 1, 8, 10, 0)}, 3, b, e),
        1);
    EXPECT_EQ(e, at(2024, 1, 8, 10, 0));
}

TEST_F(Recurrence, ResetableDailyCountsFromToday) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2; // March
    t.tm_mday = 15;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    setVelkNowForTesting(std::mktime(&t));

    T_Calendar cal;
    ToDoListToDo todo(0, "/0/");
    todo.setDate(0, 2024, 3, 12, cal); // due three days ago
    todo.setTime(0, 10, 0, cal);
    todo.setDate(1, 2024, 3, 10, cal);
    todo.setRecData(T_recData{REC_DAILY_RESETABLE, 1, DT_EMPTY, DT_EMPTY}, cal);
    EXPECT_EQ(todo.setCompleted(cal), 1);
    EXPECT_EQ(todo.getDateTime(0), at(2024, 3, 16, 10, 0)); // tomorrow, the time kept
    EXPECT_EQ(todo.getDateTime(1), at(2024, 3, 14, 10, 0)); // takes the due time
    EXPECT_EQ(cal.datedToDos.size(), 1u);
    EXPECT_EQ(cal.datedToDos.begin()->key, at(2024, 3, 16, 10, 0));

    // Counted from today even when the due date lies further ahead.
    packedDT b = on(2024, 4, 1), e = on(2024, 4, 2);
    EXPECT_EQ(
        followingRecurrenceDate(T_recData{REC_DAILY_RESETABLE, 3, DT_EMPTY, DT_EMPTY}, 3, b, e), 1);
    EXPECT_EQ(e, on(2024, 3, 18));
    EXPECT_EQ(b, on(2024, 3, 17));
}
