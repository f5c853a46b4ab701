#include "gui/time_select.h"
#include "gui_driver.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

namespace {

TEST(TimeSelectSteps, WrapAroundTheDay) {
    struct Case {
        int hour, minute, d;
        bool isHour;
        int hour2, minute2;
    };
    const Case cases[] = {
        {0, 0, -1, false, 23, 59},  {23, 55, 10, false, 0, 5},   {23, 59, 1, false, 0, 0},
        {10, 5, -10, false, 9, 55}, {10, 50, 10, false, 11, 0},  {10, 49, 10, false, 10, 59},
        {0, 30, -1, true, 23, 30},  {23, 30, 1, true, 0, 30},    {24, 0, 1, true, 0, 0},
        {24, 0, -1, true, 23, 0},   {12, 0, -10, false, 11, 50},
    };
    for (const Case& c : cases) {
        int h = c.hour, m = c.minute;
        if (c.isHour)
            stepHour(h, c.d);
        else
            stepMinute(h, m, c.d);
        EXPECT_EQ(h, c.hour2) << c.hour << ":" << c.minute << " " << c.d;
        EXPECT_EQ(m, c.minute2) << c.hour << ":" << c.minute << " " << c.d;
    }
    EXPECT_EQ(timeSelectText(9, 5), " 9:05");
    EXPECT_EQ(timeSelectText(23, 59), "23:59");
    EXPECT_EQ(timeSelectText(0, 0), " 0:00");
}

// The step buttons in the window's order: hour +, hour -, ten minutes +,
// ten minutes -, minute +, minute -.
Fl_Button* stepButton(TimeSelect& ts, const char* label, int column) {
    return childLabelled<Fl_Button>(ts.window(), label, column);
}

TEST(TimeSelect, RepeatButtonsStepAndRedrawTheDisplay) {
    int h = 0, m = 0;
    TimeSelect ts(&h, &m);
    EXPECT_STREQ(ts.window()->label(), "TimeSelector");
    EXPECT_EQ(ts.window()->w(), 140);
    EXPECT_STREQ(ts.display()->label(), " 0:00");
    stepButton(ts, "-", 2)->do_callback(); // minute down from 0:00
    EXPECT_EQ(h, 23);
    EXPECT_EQ(m, 59);
    EXPECT_STREQ(ts.display()->label(), "23:59");
    stepButton(ts, "+", 2)->do_callback();
    stepButton(ts, "+", 1)->do_callback();
    stepButton(ts, "+", 1)->do_callback();
    EXPECT_STREQ(ts.display()->label(), " 0:20");
    stepButton(ts, "+", 0)->do_callback();
    stepButton(ts, "-", 1)->do_callback();
    EXPECT_STREQ(ts.display()->label(), " 1:10");
    stepButton(ts, "-", 0)->do_callback();
    stepButton(ts, "-", 0)->do_callback();
    EXPECT_EQ(h, 23);
    EXPECT_EQ(m, 10);
    EXPECT_STREQ(ts.display()->label(), "23:10");
}

TEST(TimeSelect, AnInvalidStartTimeBecomesMidnight) {
    int h = 14, m = -1;
    TimeSelect ts(&h, &m);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(m, 0);
    EXPECT_STREQ(ts.display()->label(), " 0:00");
    int h2 = 24, m2 = 0; // midnight at the end of a day stays
    TimeSelect ts2(&h2, &m2);
    EXPECT_EQ(h2, 24);
    EXPECT_STREQ(ts2.display()->label(), "24:00");
}

TEST(TimeSelect, CancelWritesMinusOneCloseBoxKeepsTheTime) {
    int h = 9, m = 30;
    TimeSelect ts(&h, &m);
    ts.show();
    stepButton(ts, "+", 2)->do_callback();
    childLabelled<Fl_Button>(ts.window(), "Cancel")->do_callback();
    EXPECT_FALSE(ts.visible());
    EXPECT_EQ(m, -1);

    int h2 = 9, m2 = 30;
    TimeSelect ts2(&h2, &m2);
    ts2.show();
    stepButton(ts2, "+", 2)->do_callback();
    Fl::e_number = FL_CLOSE;
    ts2.window()->do_callback();
    Fl::e_number = 0;
    EXPECT_FALSE(ts2.visible());
    EXPECT_EQ(h2, 9);
    EXPECT_EQ(m2, 31);
}

TEST(TimeSelect, RunsModallyUntilDone) {
    int h = 23, m = 55;
    TimeSelect ts(&h, &m);
    WindowDriver driver("TimeSelector", [&](Fl_Window* w) {
        EXPECT_TRUE(w->modal());
        stepButton(ts, "+", 1)->do_callback();
        ts.doneButton()->do_callback();
    });
    ts.run();
    EXPECT_TRUE(driver.ran());
    EXPECT_EQ(h, 0);
    EXPECT_EQ(m, 5);
}

} // namespace
