// The modal date, time and recurrence pickers, each driven by clicks and keys
// from a table of rows: what the user does, what the picker writes into the
// caller's variables and shows.

#include "engine/recurrence_edit.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui_fixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>

namespace {

using namespace std::chrono;

// Every month a packed date can hold, against the <chrono> calendar: each day
// on the line of its ISO week (that of its week's Thursday), in the column of
// its weekday.
TEST(DatePicker, MonthGridFollowsTheChronoCalendar) {
    for (year_month ym = 2000y / January; ym <= 2127y / December; ym += months{1}) {
        std::vector<std::string> expect{"\tM\tT\tW\tT\tF\tSa\tSu"};
        for (sys_days d = sys_days{ym / 1}; d <= sys_days{ym / last}; d += days{1}) {
            const unsigned wd = weekday{d}.iso_encoding(), day = unsigned(year_month_day{d}.day());
            const sys_days thursday = d + days{4 - int(wd)};
            const auto week = (thursday - sys_days{year_month_day{thursday}.year() / 1 / 1}) / 7;
            if (day == 1 || wd == 1) expect.push_back(std::to_string(week.count() + 1) + "\t");
            if (day == 1) expect.back() += std::string(wd - 1, '\t');
            expect.back() += std::to_string(day) + (wd < 7 ? "\t" : "");
        }
        ASSERT_EQ(monthGridLines(int(unsigned(ym.month())), int(ym.year()), {}), expect);
    }
}

TEST(DatePicker, ClicksAndKeysWriteTheDayOrMinusOne) {
    PinnedClock clock;
    struct Row {
        const char* rule;
        int y, m, d;
        const char* steps;  // "line:column" clicks a grid cell (column 1 Monday, 0 the week)
        const char* result; // year month day, the month shown, open or not
    };
    const Row rows[] = {
        {"without a date Done waits for a day", 0, 0, -1, "Done", "0 0 -1, 3 2011 open"},
        {"a clicked day is written, Done closes", 0, 0, -1, "3:3 Done", "2011 3 9, 3 2011"},
        {"Cancel writes -1", 2011, 3, 5, "2:7 Cancel", "2011 3 -1, 3 2011"},
        {"Escape cancels", 2011, 3, 5, "Esc", "2011 3 -1, 3 2011"},
        {"the close box keeps the clicked day", 0, 0, -1, "4:7 Close", "2011 3 20, 3 2011"},
        {"the week number is no day", 2011, 3, 5, "3:0", "2011 3 5, 3 2011 open"},
        {"a cell before the 1st shows the month before", 2011, 1, 10, "2:1",
         "2011 1 10, 12 2010 open"},
        {"a cell after the last shows the next", 2010, 12, 10, "6:6", "2010 12 10, 1 2011 open"},
        {"months carry into years, choosing nothing", 2011, 11, 5, "M+ M+",
         "2011 11 5, 1 2012 open"},
        {"a day of the stepped month is written", 2011, 3, 5, "Y- M+ 2:4 Done", "2010 4 1, 4 2010"},
        {"nothing before January 2000", 2000, 2, 29, "M- M- Y-", "2000 2 29, 1 2000 open"},
        {"nothing after December 2127", 2127, 12, 1, "M+ Y+", "2127 12 1, 12 2127 open"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        int y = r.y, m = r.m, d = r.d;
        DateSelect ds(&y, &m, &d);
        ds.show();
        runDate(ds, r.steps);
        EXPECT_EQ(std::to_string(y) + " " + std::to_string(m) + " " + std::to_string(d) + ", " +
                      ds.monthBox()->label() + " " + ds.yearBox()->label() +
                      (ds.visible() ? " open" : ""),
                  r.result);
    }
    // The grid underlines the chosen day and sets today in italics.
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    ds.show();
    runDate(ds, "2:7");
    EXPECT_STREQ(ds.monthView()->text(2), "9\t\t1\t2\t3\t4\t@i5\t@u6");
}

TEST(TimePicker, ClicksAndKeysWriteTheTimeOrMinusOne) {
    struct Row {
        const char* rule;
        int h, m;
        const char* steps; // the buttons: hour "+" "-", ten minutes "+#1" "-#1", minute "+#2" "-#2"
        const char* result; // hour minute, the time shown, open or not
    };
    const Row rows[] = {
        {"a minute down from midnight", 0, 0, "-#2", "23 59, 23:59 open"},
        {"a minute up to midnight", 23, 59, "+#2", "0 0,  0:00 open"},
        {"ten minutes carry into the hour", 10, 50, "+#1", "11 0, 11:00 open"},
        {"ten minutes wrap the day", 23, 55, "+#1", "0 5,  0:05 open"},
        {"ten minutes borrow from the hour", 10, 5, "-#1", "9 55,  9:55 open"},
        {"hours wrap both ways", 0, 30, "- + +", "1 30,  1:30 open"},
        {"a time without minutes starts at midnight", 14, -1, "", "0 0,  0:00 open"},
        {"midnight at the end of a day stays", 24, 0, "", "24 0, 24:00 open"},
        {"and steps on to 0:00", 24, 0, "+", "0 0,  0:00 open"},
        {"Done closes with the time", 23, 55, "+#1 Done", "0 5,  0:05"},
        {"Cancel writes -1", 9, 30, "+#2 Cancel", "9 -1,  9:31"},
        {"Escape cancels", 9, 30, "Esc", "9 -1,  9:30"},
        {"the close box keeps the time", 9, 30, "+#2 Close", "9 31,  9:31"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        int h = r.h, m = r.m;
        TimeSelect ts(&h, &m);
        ts.show();
        run(ts.window(), r.steps);
        EXPECT_EQ(std::to_string(h) + " " + std::to_string(m) + ", " + ts.display()->label() +
                      (ts.visible() ? " open" : ""),
                  r.result);
    }
}

T_recData rule(int type, int interval, packedDT begin = DT_EMPTY, packedDT end = DT_EMPTY) {
    T_recData r;
    r.type = type, r.interval = interval, r.rangeBegin = begin, r.rangeEnd = end;
    return r;
}

TEST(RecurrencePicker, ClicksAndKeysEditTheRuleOrMarkItCancelled) {
    PinnedClock clock;
    const packedDT b = on(2011, 3, 1), e = at(2011, 9, 1, 18, 30), none = DT_EMPTY;
    struct Row {
        const char* rule;
        T_recData start;
        bool todo, open;
        const char* steps;  // "Tn" picks rule type n; "B1" / "E1": entry 1 of a range date's menu
        const char* picker; // what is done in the date picker that opens
        T_recData result;
    };
    const Row rows[] = {
        {"a rule is picked, Done closes", rule(0, 1), true, false, "T4 Done", "", rule(4, 1)},
        {"none empties range and interval", rule(3, 4, b, e), true, true, "T0", "", rule(0, 1)},
        {"resetable daily is for todos only", rule(0, 1), false, true, "T2", "", rule(1, 1)},
        {"the interval stops at 1000", rule(1, 998), true, true, "+ + + +", "", rule(1, 1000)},
        {"and at 1", rule(1, 3), true, true, "- - - -", "", rule(1, 1)},
        {"a begin from the picker, opened on today", rule(1, 1, none, e), true, true, "B1",
         "3:3 Done", rule(1, 1, on(2011, 3, 9), e)},
        {"an end from the picker keeps its time", rule(1, 1, b, e), true, true, "E1", "M+ 3:1 Done",
         rule(1, 1, b, at(2011, 10, 3, 18, 30))},
        {"a cancelled picker changes nothing", rule(1, 1, b, e), true, true, "E1", "Cancel",
         rule(1, 1, b, e)},
        {"none empties a range date", rule(1, 1, b, e), true, true, "B0", "", rule(1, 1, none, e)},
        {"Cancel marks the rule -1", rule(1, 2), true, false, "T3 Cancel", "", rule(-1, 2)},
        {"Escape cancels", rule(1, 2), true, false, "T3 Esc", "", rule(-1, 2)},
        {"the close box keeps the edits", rule(1, 2), true, false, "T3 Close", "", rule(3, 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        T_recData r = row.start;
        RecurrenceSelect rs(&r, 15, 3, 1, row.todo);
        rs.show();
        WindowDriver picker("DateSelector", [&](Fl_Window* w) {
            runDate(*static_cast<DateSelect*>(w->user_data()), row.picker);
        });
        run(rs.window(), row.steps, [&](const std::string& s) {
            if (s.size() != 2 || !std::isdigit(s[1])) return false;
            Fl_Menu_* menus[] = {rs.typeChoice(), rs.begDateMenu(), rs.endDateMenu()};
            pick(menus[std::string("TBE").find(s[0])], s[1] - '0');
            return true;
        });
        EXPECT_EQ(picker.ran(), *row.picker != 0);
        EXPECT_EQ(r, row.result);
        EXPECT_EQ(rs.visible(), row.open);
        if (r.type < 0) continue;
        // The window shows the rule as the engine spells it.
        EXPECT_EQ(rs.explBox()->label(), recurrenceExplanation(r, 15, 3, 1));
        EXPECT_EQ(std::string(rs.begDateBox()->label()) + " " + rs.endDateBox()->label(),
                  rangeDateText(r.rangeBegin) + " " + rangeDateText(r.rangeEnd));
    }
}

} // namespace
