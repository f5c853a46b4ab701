#include "gui/date_grid.h"
#include "gui/date_select.h"
#include "gui_driver.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Select_Browser.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <vector>

namespace {

using namespace std::chrono;

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, '\t'))
        cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.push_back("");
    return cells;
}

// The ISO week of a date, from the Thursday of its week.
int isoWeek(year_month_day ymd) {
    sys_days d{ymd};
    const int fromMonday = (weekday{d}.iso_encoding() - 1);
    const sys_days thursday = d - days{fromMonday} + days{3};
    const year y = year_month_day{thursday}.year();
    return int((thursday - sys_days{y / January / 1}).count() / 7) + 1;
}

const MonthGridMarks noMarks;

TEST(MonthGrid, LaysOutMonthsByTheirFirstAndLastWeekday) {
    struct Case {
        int month, year;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        // Begins on a Monday and ends on a Sunday: one tab before the 1st, no
        // partial last line.
        {2,
         2010,
         {"\tM\tT\tW\tT\tF\tSa\tSu", "5\t1\t2\t3\t4\t5\t6\t7", "6\t8\t9\t10\t11\t12\t13\t14",
          "7\t15\t16\t17\t18\t19\t20\t21", "8\t22\t23\t24\t25\t26\t27\t28"}},
        // Begins on a Sunday: seven tabs before the 1st.
        {8,
         2010,
         {"\tM\tT\tW\tT\tF\tSa\tSu", "30\t\t\t\t\t\t\t1", "31\t2\t3\t4\t5\t6\t7\t8",
          "32\t9\t10\t11\t12\t13\t14\t15", "33\t16\t17\t18\t19\t20\t21\t22",
          "34\t23\t24\t25\t26\t27\t28\t29", "35\t30\t31\t"}},
        // The last line of December 2014 starts on Monday the 29th: week 1.
        {12,
         2014,
         {"\tM\tT\tW\tT\tF\tSa\tSu", "49\t1\t2\t3\t4\t5\t6\t7", "50\t8\t9\t10\t11\t12\t13\t14",
          "51\t15\t16\t17\t18\t19\t20\t21", "52\t22\t23\t24\t25\t26\t27\t28", "1\t29\t30\t31\t"}},
        // January 2016 begins in week 53 of 2015; its second line is week 1.
        {1,
         2016,
         {"\tM\tT\tW\tT\tF\tSa\tSu", "53\t\t\t\t\t1\t2\t3", "1\t4\t5\t6\t7\t8\t9\t10",
          "2\t11\t12\t13\t14\t15\t16\t17", "3\t18\t19\t20\t21\t22\t23\t24",
          "4\t25\t26\t27\t28\t29\t30\t31"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(monthGridLines(c.month, c.year, noMarks), c.lines) << c.month << "/" << c.year;
}

TEST(MonthGrid, MarksChosenDayUnderlinedAndTodayItalic) {
    MonthGridMarks m;
    m.chosenDay = 15, m.chosenMonth = 3, m.chosenYear = 2011;
    m.todayDay = 5, m.todayMonth = 3, m.todayYear = 2011;
    std::vector<std::string> lines = monthGridLines(3, 2011, m);
    EXPECT_EQ(lines[1], "9\t\t1\t2\t3\t4\t@i5\t6");
    EXPECT_EQ(lines[3], "11\t14\t@u15\t16\t17\t18\t19\t20");
    // Both on one day: underline first.
    m.todayDay = 15;
    EXPECT_EQ(monthGridLines(3, 2011, m)[3], "11\t14\t@u@i15\t16\t17\t18\t19\t20");
    // The same day of another month or year is not marked.
    EXPECT_EQ(monthGridLines(3, 2012, m)[3].find('@'), std::string::npos);
    EXPECT_EQ(monthGridLines(4, 2011, m)[3].find('@'), std::string::npos);
}

// Every month that a packed date can hold, against the <chrono> calendar:
// each day sits in the column of its weekday, in order, on a line that
// carries its ISO week.
TEST(MonthGrid, EveryMonthMatchesTheChronoCalendar) {
    for (int y = 2000; y <= 2127; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const std::vector<std::string> lines = monthGridLines(m, y, noMarks);
            ASSERT_GE(lines.size(), 5u);
            unsigned expectDay = 1;
            for (std::size_t l = 1; l < lines.size(); ++l) {
                const std::vector<std::string> cells = splitTabs(lines[l]);
                ASSERT_GE(cells.size(), 2u) << lines[l];
                ASSERT_LE(cells.size(), 8u) << lines[l];
                bool weekChecked = false;
                for (std::size_t c = 1; c < cells.size(); ++c) {
                    if (cells[c].empty()) continue;
                    const year_month_day ymd{year{y}, month{unsigned(m)}, day{expectDay}};
                    ASSERT_EQ(cells[c], std::to_string(expectDay)) << y << "-" << m;
                    ASSERT_EQ(weekday{sys_days{ymd}}.iso_encoding(), c) << y << "-" << m;
                    if (!weekChecked) {
                        ASSERT_EQ(cells[0], std::to_string(isoWeek(ymd))) << y << "-" << m;
                        weekChecked = true;
                    }
                    ++expectDay;
                }
                ASSERT_TRUE(weekChecked) << "a line without a day in " << y << "-" << m;
            }
            const unsigned lastDay =
                unsigned((year{y} / month{unsigned(m)} / std::chrono::last).day());
            EXPECT_EQ(expectDay - 1, lastDay) << y << "-" << m;
        }
    }
}

TEST(MonthGrid, ClickColumnsFollowTheColumnWidths) {
    const std::pair<int, int> cases[] = {{0, 0},   {44, 0},  {45, 1},  {81, 1},  {82, 2},
                                         {119, 2}, {120, 3}, {157, 3}, {158, 4}, {195, 4},
                                         {196, 5}, {239, 5}, {240, 6}, {277, 6}, {278, 7},
                                         {315, 7}, {316, 0}, {319, 0}, {-3, 0}};
    for (auto [x, column] : cases)
        EXPECT_EQ(monthGridColumnAt(x), column) << "x " << x;
    // Line 2 is the first week; with the 1st on a Wednesday (2) the third
    // column is day 1, the Tuesday before it day 0.
    EXPECT_EQ(monthGridDayAt(2, 3, 2), 1);
    EXPECT_EQ(monthGridDayAt(2, 2, 2), 0);
    EXPECT_EQ(monthGridDayAt(3, 1, 2), 6);
    EXPECT_LT(monthGridDayAt(1, 7, 0), 1); // the header line
}

TEST(MonthGrid, StepsStayInsideTheYearsOfPackedDates) {
    struct Case {
        int month, year, d, month2, year2;
    };
    const Case months[] = {{1, 2011, -1, 12, 2010}, {12, 2011, 1, 1, 2012},
                           {5, 2011, 1, 6, 2011},   {1, 2000, -1, 1, 2000},
                           {12, 2127, 1, 12, 2127}, {2, 2000, -1, 1, 2000}};
    for (const Case& c : months) {
        int m = c.month, y = c.year;
        stepShownMonth(m, y, c.d);
        EXPECT_EQ(m, c.month2) << c.month << "/" << c.year << " " << c.d;
        EXPECT_EQ(y, c.year2) << c.month << "/" << c.year << " " << c.d;
    }
    int y = 2000;
    stepShownYear(y, -1);
    EXPECT_EQ(y, 2000);
    y = 2127;
    stepShownYear(y, 1);
    EXPECT_EQ(y, 2127);
    y = 2011;
    stepShownYear(y, -1);
    EXPECT_EQ(y, 2010);
}

class DateSelectTest : public ::testing::Test {
  protected:
    void SetUp() override { setVelkNowForTesting(1299337200); } // 5 March 2011, 16:00 in Berlin
    void TearDown() override { setVelkNowForTesting(-1); }

    static std::vector<std::string> gridLines(const DateSelect& ds) {
        std::vector<std::string> lines;
        for (int i = 1; i <= ds.monthView()->size(); ++i)
            lines.push_back(ds.monthView()->text(i));
        return lines;
    }
    // A mouse release on grid line `line` at x, through the grid's callback.
    static void clickGrid(DateSelect& ds, int line, int x) {
        ds.monthView()->select(line);
        Fl::e_number = FL_RELEASE;
        Fl::e_x = ds.monthView()->x() + x;
        ds.monthView()->do_callback();
        Fl::e_number = 0;
    }
    static void press(DateSelect& ds, const char* label) {
        Fl_Button* b = childLabelled<Fl_Button>(ds.window(), label);
        ASSERT_NE(b, nullptr) << label;
        b->do_callback();
    }
};

TEST_F(DateSelectTest, WithoutADateOpensOnTodayWithDoneInactive) {
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    EXPECT_STREQ(ds.window()->label(), "DateSelector");
    EXPECT_EQ(ds.window()->w(), 320);
    EXPECT_EQ(ds.window()->h(), 280);
    EXPECT_STREQ(ds.monthBox()->label(), "3");
    EXPECT_STREQ(ds.yearBox()->label(), "2011");
    EXPECT_FALSE(ds.doneButton()->active());
    EXPECT_EQ(gridLines(ds), monthGridLines(3, 2011, {-1, 0, 0, 5, 3, 2011}));
    EXPECT_EQ(ds.firstWeekday(), 1); // 1 March 2011 was a Tuesday
    EXPECT_EQ(ds.firstWeek(), 9);
}

TEST_F(DateSelectTest, WithADateOpensOnItsMonthUnderlined) {
    int y = 2014, m = 12, d = 30;
    DateSelect ds(&y, &m, &d);
    EXPECT_TRUE(ds.doneButton()->active());
    EXPECT_STREQ(ds.monthBox()->label(), "12");
    EXPECT_EQ(gridLines(ds).back(), "1\t29\t@u30\t31\t");
}

TEST_F(DateSelectTest, ClickingADayWritesAllThreeAndMovesTheUnderline) {
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    clickGrid(ds, 3, 130); // week 10, Wednesday: 9 March
    EXPECT_EQ(d, 9);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2011);
    EXPECT_TRUE(ds.doneButton()->active());
    EXPECT_EQ(ds.monthView()->text(3), std::string("10\t7\t8\t@u9\t10\t11\t12\t13"));
    clickGrid(ds, 2, 300); // Sunday of the first week: 6 March
    EXPECT_EQ(d, 6);
    EXPECT_EQ(ds.monthView()->text(2), std::string("9\t\t1\t2\t3\t4\t@i5\t@u6"));
    EXPECT_EQ(ds.monthView()->text(3), std::string("10\t7\t8\t9\t10\t11\t12\t13"));
    // The week-number column and the right edge ignore clicks.
    clickGrid(ds, 3, 20);
    clickGrid(ds, 3, 317);
    EXPECT_EQ(d, 6);
    // Only the release acts.
    ds.monthView()->select(4);
    Fl::e_number = FL_PUSH;
    Fl::e_x = 100;
    ds.monthView()->do_callback();
    EXPECT_EQ(d, 6);
}

TEST_F(DateSelectTest, EmptyCellsAroundTheMonthShowItsNeighbours) {
    int y = 2011, m = 1, d = 10;
    DateSelect ds(&y, &m, &d);
    clickGrid(ds, 2, 60); // Monday before Saturday 1 January 2011
    EXPECT_STREQ(ds.monthBox()->label(), "12");
    EXPECT_STREQ(ds.yearBox()->label(), "2010");
    EXPECT_EQ(d, 10); // nothing chosen
    EXPECT_EQ(m, 1);
    // December 2010 ends on a Friday: the Saturday after it is January.
    clickGrid(ds, 6, 250);
    EXPECT_STREQ(ds.monthBox()->label(), "1");
    EXPECT_STREQ(ds.yearBox()->label(), "2011");
    // The header line counts as before the 1st.
    clickGrid(ds, 1, 100);
    EXPECT_STREQ(ds.monthBox()->label(), "12");
    // December's last line ends after the 31st; its empty cell is January.
    clickGrid(ds, 6, 300);
    EXPECT_STREQ(ds.monthBox()->label(), "1");
}

TEST_F(DateSelectTest, MonthAndYearButtonsStepTheShownMonth) {
    int y = 2000, m = 2, d = 29;
    DateSelect ds(&y, &m, &d);
    press(ds, "M-");
    EXPECT_STREQ(ds.monthBox()->label(), "1");
    press(ds, "M-"); // no month before January 2000
    EXPECT_STREQ(ds.monthBox()->label(), "1");
    EXPECT_STREQ(ds.yearBox()->label(), "2000");
    press(ds, "Y-");
    EXPECT_STREQ(ds.yearBox()->label(), "2000");
    press(ds, "Y+");
    press(ds, "Y+");
    EXPECT_STREQ(ds.yearBox()->label(), "2002");
    for (int i = 0; i < 12; ++i)
        press(ds, "M+");
    EXPECT_STREQ(ds.monthBox()->label(), "1");
    EXPECT_STREQ(ds.yearBox()->label(), "2003");
    EXPECT_EQ(ds.firstWeekday(), 2); // 1 January 2003 was a Wednesday
    EXPECT_EQ(ds.firstWeek(), 1);
    EXPECT_EQ(gridLines(ds), monthGridLines(1, 2003, {29, 2, 2000, 5, 3, 2011}));
    // Stepping months shows them; it does not choose a date.
    EXPECT_EQ(d, 29);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(y, 2000);
}

TEST_F(DateSelectTest, CancelWritesMinusOneAndHides) {
    int y = 2011, m = 3, d = 5;
    DateSelect ds(&y, &m, &d);
    ds.show();
    clickGrid(ds, 3, 100);
    press(ds, "Cancel");
    EXPECT_EQ(d, -1);
    EXPECT_FALSE(ds.visible());
}

TEST_F(DateSelectTest, CloseBoxAfterAClickKeepsTheDayAndEscapeCancels) {
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    ds.show();
    clickGrid(ds, 4, 300); // Sunday 20 March 2011
    Fl::e_number = FL_CLOSE;
    ds.window()->do_callback();
    EXPECT_FALSE(ds.visible());
    EXPECT_EQ(d, 20);

    int y2 = 2011, m2 = 3, d2 = 5;
    DateSelect ds2(&y2, &m2, &d2);
    ds2.show();
    Fl::e_number = FL_SHORTCUT;
    Fl::e_keysym = FL_Escape;
    ds2.window()->do_callback();
    EXPECT_FALSE(ds2.visible());
    EXPECT_EQ(d2, -1);
    Fl::e_number = 0;
    Fl::e_keysym = 0;
}

TEST_F(DateSelectTest, RunsModallyUntilDone) {
    int y = 0, m = 0, d = -1;
    DateSelect ds(&y, &m, &d);
    WindowDriver driver("DateSelector", [&](Fl_Window* w) {
        EXPECT_EQ(w, ds.window());
        EXPECT_TRUE(w->modal());
        clickGrid(ds, 5, 160); // Thursday 24 March 2011
        ds.doneButton()->do_callback();
    });
    ds.run();
    EXPECT_TRUE(driver.ran());
    EXPECT_FALSE(ds.visible());
    EXPECT_EQ(d, 24);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2011);
}

} // namespace
