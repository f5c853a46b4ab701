// The modal date, time and recurrence pickers, each driven by clicks and keys
// from a table of rows: what the user does, what the picker writes into the
// caller's variables and shows.

#include "engine/recurrence_edit.h"
#include "gui/time_select.h"
#include "gui_fixture.h"

#include <FL/Fl_Box.H>

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
    // The date given, the steps, then the date written, the month shown and
    // whether the picker is still open.
    const std::tuple<const char*, int, int, int, const char*, const char*> rows[] = {
        {"without a date Done waits for a day", 0, 0, -1, "Done", "0 0 -1, 3 2011 open"},
        {"a clicked day is written, Done closes", 0, 0, -1, "3:3 Done", "2011 3 9, 3 2011"},
        {"Cancel writes -1", 2011, 3, 5, "2:7 Cancel", "2011 3 -1, 3 2011"},
        {"Escape cancels", 2011, 3, 5, "Esc", "2011 3 -1, 3 2011"},
        {"the close box keeps the clicked day", 0, 0, -1, "4:7 Close", "2011 3 20, 3 2011"},
        {"the week number is no day", 2011, 3, 5, "3:0", "2011 3 5, 3 2011 open"},
        {"a cell before the 1st: the month before", 2011, 1, 10, "2:1", "2011 1 10, 12 2010 open"},
        {"a cell after the last: the next", 2010, 12, 10, "6:6", "2010 12 10, 1 2011 open"},
        {"months carry, choosing nothing", 2011, 11, 5, "M+ M+", "2011 11 5, 1 2012 open"},
        {"a day of the stepped month", 2011, 3, 5, "Y- M+ 2:4 Done", "2010 4 1, 4 2010"},
        {"nothing before January 2000", 2000, 2, 29, "M- M- Y-", "2000 2 29, 1 2000 open"},
        {"nothing after December 2127", 2127, 12, 1, "M+ Y+", "2127 12 1, 12 2127 open"},
    };
    for (auto [rule, y, m, d, steps, result] : rows) {
        SCOPED_TRACE(rule);
        DateSelect ds(&y, &m, &d);
        ds.show();
        run(ds.window(), steps);
        EXPECT_EQ(std::to_string(y) + " " + std::to_string(m) + " " + std::to_string(d) + ", " +
                      ds.monthBox()->label() + " " + ds.yearBox()->label() +
                      (ds.visible() ? " open" : ""),
                  result);
        if (d != 20) continue; // the grid underlines the chosen day, today in italics
        EXPECT_EQ(std::string(ds.monthView()->text(2)) + "|" + ds.monthView()->text(4),
                  "9\t\t1\t2\t3\t4\t@i5\t6|11\t14\t15\t16\t17\t18\t19\t@u20");
    }
}

TEST(TimePicker, ClicksAndKeysWriteTheTimeOrMinusOne) {
    // The time given, the steps (the buttons hour "+" "-", ten minutes "+#1"
    // "-#1", minute "+#2" "-#2"), then the time written, the time shown and
    // whether the picker is still open.
    const std::tuple<const char*, int, int, const char*, const char*> rows[] = {
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
    for (auto [rule, h, m, steps, result] : rows) {
        SCOPED_TRACE(rule);
        TimeSelect ts(&h, &m);
        ts.show();
        run(ts.window(), steps);
        EXPECT_EQ(std::to_string(h) + " " + std::to_string(m) + ", " + ts.display()->label() +
                      (ts.visible() ? " open" : ""),
                  result);
    }
}

TEST(RecurrencePicker, ClicksAndKeysEditTheRuleOrMarkItCancelled) {
    PinnedClock clock;
    const packedDT b = on(2011, 3, 1), e = at(2011, 9, 1, 18, 30), no = DT_EMPTY;
    const packedDT mar9 = on(2011, 3, 9), oct3 = at(2011, 10, 3, 18, 30);
    using R = T_recData; // type, interval, range begin and end, weekdays (bit 0 Monday)
    constexpr uint8_t tuTh = 1 << 1 | 1 << 3;
    // The rule given, for a todo or not, the steps ("Tn" picks rule type n,
    // "B1" / "E1" opens the date picker on a range date, "^x" presses key x),
    // those in the date picker after "|", then the rule written and whether
    // the picker is open. The reference date is Tuesday 15 March.
    const std::tuple<const char*, R, bool, std::string, R, bool> rows[] = {
        {"a rule is picked, Done closes", R{0, 1}, true, "T4 Done", R{4, 1}, false},
        {"none empties range and interval", R{3, 4, b, e}, true, "T0", R{0, 1}, true},
        {"resetable daily is for todos only", R{0, 1}, false, "T2", R{1, 1}, true},
        {"the interval stops at 1000", R{1, 998}, true, "+ + + +", R{1, 1000}, true},
        {"and at 1", R{1, 3}, true, "- - - -", R{1, 1}, true},
        {"begin from the picker", R{1, 1, no, e}, true, "B1|3:3 Done", R{1, 1, mar9, e}, true},
        {"end picked, time kept", R{1, 1, b, e}, true, "E1|M+ 3:1 Done", R{1, 1, b, oct3}, true},
        {"a cancelled date, no change", R{1, 1, b, e}, true, "E1|Cancel", R{1, 1, b, e}, true},
        {"none empties a range date", R{1, 1, b, e}, true, "B0", R{1, 1, no, e}, true},
        {"Cancel marks the rule -1", R{1, 2}, true, "T3 Cancel", R{-1, 2}, false},
        {"Escape cancels", R{1, 2}, true, "T3 Esc", R{-1, 2}, false},
        {"the close box keeps the edits", R{1, 2}, true, "T3 Close", R{3, 2}, false},
        {"weekdays by click and key join the reference's", R{3, 2}, true, "T&h ^m",
         R{3, 2, no, no, 1 | tuTh}, true},
        {"the reference's day alone is the plain rule", R{3, 1, no, no, tuTh}, true, "^h", R{3, 1},
         true},
        {"a set without it gains it", R{3, 1, no, no, 8}, true, "^m", R{3, 1, no, no, 11}, true},
        {"another rule drops the weekdays", R{3, 1, no, no, tuTh}, true, "T1 ^m", R{1, 1}, true},
    };
    for (auto [rule, r, todo, steps, result, open] : rows) {
        SCOPED_TRACE(rule);
        RecurrenceSelect rs(&r, 15, 3, 1, todo);
        rs.show();
        const std::size_t bar = steps.find('|');
        WindowDriver picker("DateSelector", [&](Fl_Window* w) { run(w, steps.substr(bar + 1)); });
        run(rs.window(), steps.substr(0, bar));
        EXPECT_EQ(picker.ran(), bar != steps.npos);
        EXPECT_EQ(r, result);
        EXPECT_EQ(rs.visible(), open);
        if (r.type < 0) continue;
        // The window shows the rule as the engine spells it.
        EXPECT_EQ(rs.explBox()->label(), recurrenceExplanation(r, 15, 3, 1));
        // The weekday toggles (bits 7 to 13), for a weekly rule only: its days pressed.
        int shown = 0;
        for (int d = 0; d < 7; ++d)
            shown |= (rs.weekdayButton(d)->visible() << (d + 7)) | rs.weekdayButton(d)->value()
                                                                       << d;
        EXPECT_EQ(shown, r.type != REC_WEEKLY ? 0 : 0x3f80 | (r.weekdays ? r.weekdays : 1 << 1));
        EXPECT_EQ(std::string(rs.begDateBox()->label()) + " " + rs.endDateBox()->label(),
                  rangeDateText(r.rangeBegin) + " " + rangeDateText(r.rangeEnd));
    }
}

} // namespace
