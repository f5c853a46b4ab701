// The modal date, time and recurrence pickers, each driven by clicks and keys
// from a table of rows: what the user does, what the picker writes into the
// caller's variables and shows.

#include "engine/recurrence_edit.h"
#include "gui/date_grid.h"
#include "gui/date_select.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui_fixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Select_Browser.H>

#include <algorithm>
#include <sstream>

namespace {

using namespace std::chrono;

// The ISO week of a day, from the Thursday of its week.
unsigned isoWeek(sys_days d) {
    const sys_days thursday = d - days{weekday{d}.iso_encoding() - 1} + days{3};
    return unsigned(
        (thursday - sys_days{year_month_day{thursday}.year() / January / 1}).count() / 7 + 1);
}

// Every month a packed date can hold, against the <chrono> calendar: each day
// on the line of its ISO week, in the column of its weekday.
TEST(DatePicker, MonthGridFollowsTheChronoCalendar) {
    for (int y = 2000; y <= 2127; ++y)
        for (unsigned m = 1; m <= 12; ++m) {
            const year_month ym{year{y}, month{m}};
            std::vector<std::string> expect{"\tM\tT\tW\tT\tF\tSa\tSu"};
            for (sys_days d = sys_days{ym / 1}; d <= sys_days{ym / last}; d += days{1}) {
                const unsigned wd = weekday{d}.iso_encoding(),
                               day = unsigned(year_month_day{d}.day());
                if (day == 1 || wd == 1)
                    expect.push_back(std::to_string(isoWeek(d)) + "\t" + std::string(wd - 1, '\t'));
                expect.back() += std::to_string(day) + (wd < 7 ? "\t" : "");
            }
            ASSERT_EQ(monthGridLines(int(m), y, {}), expect) << y << "-" << m;
        }
}

TEST(DatePicker, ClicksAndKeysWriteTheDayOrMinusOne) {
    PinnedClock clock;
    struct Row {
        const char* rule;
        int y, m, d;
        std::string steps; // "line:column" clicks a grid cell
        int y2, m2, d2;
        const char* shown; // month and year on display
        bool open;
    };
    const Row rows[] = {
        {"without a date Done waits for a day", 0, 0, -1, "Done", 0, 0, -1, "3 2011", true},
        {"a clicked day is written, Done closes", 0, 0, -1, "3:3 Done", 2011, 3, 9, "3 2011",
         false},
        {"Cancel writes -1", 2011, 3, 5, "2:7 Cancel", 2011, 3, -1, "3 2011", false},
        {"Escape cancels", 2011, 3, 5, "Esc", 2011, 3, -1, "3 2011", false},
        {"the close box keeps the clicked day", 0, 0, -1, "4:7 Close", 2011, 3, 20, "3 2011",
         false},
        {"the week number is no day", 2011, 3, 5, "3:0", 2011, 3, 5, "3 2011", true},
        {"a cell before the 1st shows the month before", 2011, 1, 10, "2:1", 2011, 1, 10, "12 2010",
         true},
        {"a cell after the last day shows the next", 2010, 12, 10, "6:6", 2010, 12, 10, "1 2011",
         true},
        {"months carry into years, choosing nothing", 2011, 11, 5, "M+ M+", 2011, 11, 5, "1 2012",
         true},
        {"a day of the stepped month is written", 2011, 3, 5, "Y- M+ 2:4 Done", 2010, 4, 1,
         "4 2010", false},
        {"nothing before January 2000", 2000, 2, 29, "M- M- Y-", 2000, 2, 29, "1 2000", true},
        {"nothing after December 2127", 2127, 12, 1, "M+ Y+", 2127, 12, 1, "12 2127", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        int y = r.y, m = r.m, d = r.d;
        DateSelect ds(&y, &m, &d);
        ds.show();
        runDate(ds, r.steps);
        EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{r.y2, r.m2, r.d2}));
        EXPECT_EQ(std::string(ds.monthBox()->label()) + " " + ds.yearBox()->label(), r.shown);
        EXPECT_EQ(ds.visible(), r.open);
    }
    // The window underlines the chosen day and sets today in italics.
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    ds.show();
    clickCell(ds, 2, 7);
    EXPECT_STREQ(ds.monthView()->text(2), "9\t\t1\t2\t3\t4\t@i5\t@u6");
}

TEST(TimePicker, ClicksAndKeysWriteTheTimeOrMinusOne) {
    struct Row {
        const char* rule;
        int h, m;
        const char* steps; // the step buttons: hour "+" / "-", ten minutes "+#1", minute "+#2"
        int h2, m2;
        const char* shown;
        bool open;
    };
    const Row rows[] = {
        {"a minute down from midnight", 0, 0, "-#2", 23, 59, "23:59", true},
        {"a minute up to midnight", 23, 59, "+#2", 0, 0, " 0:00", true},
        {"ten minutes carry into the hour", 10, 50, "+#1", 11, 0, "11:00", true},
        {"ten minutes wrap the day", 23, 55, "+#1", 0, 5, " 0:05", true},
        {"ten minutes borrow from the hour", 10, 5, "-#1", 9, 55, " 9:55", true},
        {"hours wrap both ways", 0, 30, "- + +", 1, 30, " 1:30", true},
        {"a time without minutes starts at midnight", 14, -1, "", 0, 0, " 0:00", true},
        {"midnight at the end of a day stays", 24, 0, "", 24, 0, "24:00", true},
        {"and steps on to 0:00", 24, 0, "+", 0, 0, " 0:00", true},
        {"Done closes with the time", 23, 55, "+#1 Done", 0, 5, " 0:05", false},
        {"Cancel writes -1", 9, 30, "+#2 Cancel", 9, -1, " 9:31", false},
        {"Escape cancels", 9, 30, "Esc", 9, -1, " 9:30", false},
        {"the close box keeps the time", 9, 30, "+#2 Close", 9, 31, " 9:31", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        int h = r.h, m = r.m;
        TimeSelect ts(&h, &m);
        ts.show();
        run(ts.window(), r.steps);
        EXPECT_EQ(h, r.h2);
        EXPECT_EQ(m, r.m2);
        EXPECT_STREQ(ts.display()->label(), r.shown);
        EXPECT_EQ(ts.visible(), r.open);
    }
}

T_recData rule(int type, int interval, packedDT begin = DT_EMPTY, packedDT end = DT_EMPTY) {
    T_recData r;
    r.type = type, r.interval = interval, r.rangeBegin = begin, r.rangeEnd = end;
    return r;
}

TEST(RecurrencePicker, ClicksAndKeysEditTheRuleOrMarkItCancelled) {
    PinnedClock clock;
    const packedDT b = on(2011, 3, 1), e = at(2011, 9, 1, 18, 30);
    struct Row {
        const char* rule;
        T_recData start;
        bool todo;
        const char* steps; // "type:n" picks a rule; "begin:" or "end:" a range menu's
                           // entry, then the date picker's steps after "|"
        T_recData result;
        bool open;
    };
    const Row rows[] = {
        {"a rule is picked, Done closes", rule(0, 1), true, "type:4 Done", rule(4, 1), false},
        {"none empties range and interval", rule(3, 4, b, e), true, "type:0", rule(0, 1), true},
        {"resetable daily is for todos only", rule(0, 1), false, "type:2", rule(1, 1), true},
        {"the interval stops at 1000", rule(1, 998), true, "+ + + +", rule(1, 1000), true},
        {"and at 1", rule(1, 3), true, "- - - -", rule(1, 1), true},
        {"a begin from the picker, opened on today", rule(1, 1, DT_EMPTY, e), true,
         "begin:select|3:3,Done", rule(1, 1, on(2011, 3, 9), e), true},
        {"an end from the picker keeps its time", rule(1, 1, b, e), true, "end:select|M+,3:1,Done",
         rule(1, 1, b, at(2011, 10, 3, 18, 30)), true},
        {"a cancelled picker changes nothing", rule(1, 1, b, e), true, "end:select|Cancel",
         rule(1, 1, b, e), true},
        {"none empties a range date", rule(1, 1, b, e), true, "begin:none", rule(1, 1, DT_EMPTY, e),
         true},
        {"Cancel marks the rule -1", rule(1, 2), true, "type:3 Cancel", rule(-1, 2), false},
        {"Escape cancels", rule(1, 2), true, "type:3 Esc", rule(-1, 2), false},
        {"the close box keeps the edits", rule(1, 2), true, "type:3 Close", rule(3, 2), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        T_recData r = row.start;
        RecurrenceSelect rs(&r, 15, 3, 1, row.todo);
        rs.show();
        run(rs.window(), row.steps, [&](const std::string& s) {
            const std::size_t colon = s.find(':'), bar = s.find('|');
            if (colon == s.npos) return false;
            const std::string what = s.substr(0, colon),
                              entry = s.substr(colon + 1, bar - colon - 1);
            if (what == "type") {
                pick(rs.typeChoice(), std::stoi(entry));
                return true;
            }
            WindowDriver picker("DateSelector", [&](Fl_Window* w) {
                std::string steps = s.substr(bar + 1);
                std::replace(steps.begin(), steps.end(), ',', ' ');
                runDate(*static_cast<DateSelect*>(w->user_data()), steps);
            });
            pick(what == "begin" ? rs.begDateMenu() : rs.endDateMenu(), entry == "none" ? 0 : 1);
            EXPECT_EQ(picker.ran(), entry == "select");
            return true;
        });
        EXPECT_EQ(r, row.result);
        EXPECT_EQ(rs.visible(), row.open);
        if (row.result.type >= 0) {
            EXPECT_EQ(rs.explBox()->label(), recurrenceExplanation(r, 15, 3, 1))
                << "as the engine explains it";
            EXPECT_EQ(std::string(rs.begDateBox()->label()) + " " + rs.endDateBox()->label(),
                      rangeDateText(r.rangeBegin) + " " + rangeDateText(r.rangeEnd));
        }
    }
}

} // namespace
