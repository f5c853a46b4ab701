#include "engine/recurrence_edit.h"
#include "gui/date_select.h"
#include "gui/recurrence_select.h"
#include "gui_driver.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

namespace {

T_recData rule(int type, int interval, packedDT begin = DT_EMPTY, packedDT end = DT_EMPTY) {
    T_recData r;
    r.type = type;
    r.interval = interval;
    r.rangeBegin = begin;
    r.rangeEnd = end;
    return r;
}

TEST(RecurrenceExplanation, SpellsOutEachRule) {
    // Reference date: Tuesday 15 March 2011 (weekday 1).
    struct Case {
        int type, interval;
        const char* unit;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, "", "No recurrence."},
        {1, 3, "day(s)", "Repeat every 3 day(s)."},
        {2, 2, "day(s)",
         "Repeat every 2 days,\nreset when done.\nUseful if you have to do it\n AT LEAST every n "
         "day(s)."},
        {3, 2, "week(s)", "Repeat on Tuesday\nevery 2 week(s)."},
        {4, 1, "month(s)", "Repeat on 3. Tuesday\nevery 1 month(s)."},
        {5, 6, "month(s)", "Repeat on day 15\nevery 6 month(s)."},
        {6, 1, "year(s)", "Repeat on 15.3.\n every 1 year(s)."},
        {7, 1, "", "explanation text\nhopefully longer\nthan one line"},
        {-1, 1, "", "explanation text\nhopefully longer\nthan one line"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recurrenceExplanation(rule(c.type, c.interval), 15, 3, 1), c.text) << c.type;
        EXPECT_STREQ(recurrenceUnit(c.type), c.unit) << c.type;
    }
    // The occurrence of the weekday in its month: days 1-7 first, 29-31 fifth.
    EXPECT_EQ(recurrenceExplanation(rule(4, 2), 7, 5, 6), "Repeat on 1. Sunday\nevery 2 month(s).");
    EXPECT_EQ(recurrenceExplanation(rule(4, 2), 8, 5, 0), "Repeat on 2. Monday\nevery 2 month(s).");
    EXPECT_EQ(recurrenceExplanation(rule(4, 1), 29, 1, 4),
              "Repeat on 5. Friday\nevery 1 month(s).");
}

TEST(RecurrenceEdit, TypeIntervalAndRangeRules) {
    const packedDT b = packDate(1, 3, 2011) | DT_NOTIME, e = packDate(1, 6, 2011) | packTime(9, 0);
    T_recData r = rule(3, 5, b, e);
    applyRecurrenceType(r, 0, true); // none empties the range, interval 1
    EXPECT_EQ(r, rule(0, 1));
    r = rule(1, 5, b, e);
    applyRecurrenceType(r, 2, false); // resetable only for todos
    EXPECT_EQ(r, rule(1, 5, b, e));
    applyRecurrenceType(r, 2, true);
    EXPECT_EQ(r, rule(2, 5, b, e));
    applyRecurrenceType(r, 6, true); // yearly steps one year
    EXPECT_EQ(r, rule(6, 1, b, e));
    stepRecurrenceInterval(r, 1);
    EXPECT_EQ(r.interval, 1);

    r = rule(0, 1);
    stepRecurrenceInterval(r, 1);
    EXPECT_EQ(r.interval, 1);
    r = rule(4, 0);
    normaliseRecurrenceInterval(r);
    EXPECT_EQ(r.interval, 1);
    r = rule(5, 5000);
    normaliseRecurrenceInterval(r);
    EXPECT_EQ(r.interval, 1000);

    EXPECT_EQ(withPickedDate(DT_EMPTY, 5, 3, 2011), packDate(5, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(withPickedDate(e, 2, 1, 2012), packDate(2, 1, 2012) | packTime(9, 0));
    EXPECT_EQ(rangeDateText(packDate(5, 3, 2011) | packTime(9, 0)), "05.03.2011");
    EXPECT_EQ(rangeDateText(packDate(31, 12, 2127) | DT_NOTIME), "31.12.2127");
    EXPECT_EQ(rangeDateText(DT_EMPTY), "none");
}

class RecurrenceSelectTest : public ::testing::Test {
  protected:
    void SetUp() override { setVelkNowForTesting(1299337200); } // 5 March 2011
    void TearDown() override { setVelkNowForTesting(-1); }

    static void pickType(RecurrenceSelect& rs, int type) {
        rs.typeChoice()->picked(&rs.typeChoice()->menu()[type]);
    }
    static void pickDate(Fl_Menu_Button* menu, int entry) { menu->picked(&menu->menu()[entry]); }
};

TEST_F(RecurrenceSelectTest, OpensWithTheRecordShownAndDatesInactiveForNone) {
    T_recData r = rule(0, 1);
    RecurrenceSelect rs(&r, 15, 3, 1, true);
    EXPECT_STREQ(rs.window()->label(), "RecurrenceSelector");
    EXPECT_EQ(rs.window()->w(), 320);
    EXPECT_EQ(rs.window()->h(), 320);
    EXPECT_EQ(rs.typeChoice()->value(), 0);
    EXPECT_STREQ(rs.explBox()->label(), "No recurrence.");
    EXPECT_STREQ(rs.intervalBox()->label(), "1");
    EXPECT_STREQ(rs.begDateBox()->label(), "none");
    EXPECT_FALSE(rs.begDateMenu()->active());
    EXPECT_FALSE(rs.endDateMenu()->active());

    T_recData r2 = rule(5, 2, packDate(1, 3, 2011) | DT_NOTIME, DT_EMPTY);
    RecurrenceSelect rs2(&r2, 15, 3, 1, true);
    EXPECT_EQ(rs2.typeChoice()->value(), 5);
    EXPECT_STREQ(rs2.explBox()->label(), "Repeat on day 15\nevery 2 month(s).");
    EXPECT_STREQ(rs2.unitBox()->label(), "month(s)");
    EXPECT_STREQ(rs2.begDateBox()->label(), "01.03.2011");
    EXPECT_STREQ(rs2.endDateBox()->label(), "none");
    EXPECT_TRUE(rs2.begDateMenu()->active());
}

TEST_F(RecurrenceSelectTest, ChoosingTypesUpdatesRecordAndWidgets) {
    T_recData r = rule(3, 4, packDate(1, 3, 2011) | DT_NOTIME, packDate(1, 9, 2011) | DT_NOTIME);
    RecurrenceSelect rs(&r, 15, 3, 1, true);
    pickType(rs, 4);
    EXPECT_EQ(r.type, 4);
    EXPECT_STREQ(rs.explBox()->label(), "Repeat on 3. Tuesday\nevery 4 month(s).");
    // "none" after a rule with a range empties it and sets the interval to 1.
    pickType(rs, 0);
    EXPECT_EQ(r, rule(0, 1));
    EXPECT_STREQ(rs.begDateBox()->label(), "none");
    EXPECT_STREQ(rs.endDateBox()->label(), "none");
    EXPECT_STREQ(rs.intervalBox()->label(), "1");
    EXPECT_FALSE(rs.endDateMenu()->active());
    pickType(rs, 1);
    EXPECT_TRUE(rs.endDateMenu()->active());
    EXPECT_STREQ(rs.unitBox()->label(), "day(s)");
}

TEST_F(RecurrenceSelectTest, ResetableDailyFallsBackToDailyForAppointments) {
    T_recData r = rule(0, 1);
    RecurrenceSelect rs(&r, 15, 3, 1, false);
    pickType(rs, 2);
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(rs.typeChoice()->value(), 1);
    EXPECT_STREQ(rs.typeChoice()->text(), "daily");
    EXPECT_STREQ(rs.explBox()->label(), "Repeat every 1 day(s).");
}

TEST_F(RecurrenceSelectTest, IntervalButtonsStopAtTheBounds) {
    T_recData r = rule(1, 998);
    RecurrenceSelect rs(&r, 15, 3, 1, true);
    Fl_Button* plus = childLabelled<Fl_Button>(rs.window(), "+");
    Fl_Button* minus = childLabelled<Fl_Button>(rs.window(), "-");
    for (int i = 0; i < 5; ++i)
        plus->do_callback();
    EXPECT_EQ(r.interval, 1000);
    EXPECT_STREQ(rs.intervalBox()->label(), "1000");
    EXPECT_STREQ(rs.explBox()->label(), "Repeat every 1000 day(s).");
    r.interval = 3;
    for (int i = 0; i < 5; ++i)
        minus->do_callback();
    EXPECT_EQ(r.interval, 1);
    EXPECT_STREQ(rs.intervalBox()->label(), "1");
}

TEST_F(RecurrenceSelectTest, RangeDatesComeFromTheDatePicker) {
    T_recData r = rule(1, 1, DT_EMPTY, packDate(1, 9, 2011) | packTime(18, 30));
    RecurrenceSelect rs(&r, 15, 3, 1, true);
    {
        // Begin "select": the picker opens on today's month without a date.
        WindowDriver driver("DateSelector", [](Fl_Window* w) {
            auto* ds = static_cast<DateSelect*>(w->user_data());
            EXPECT_FALSE(ds->doneButton()->active());
            EXPECT_STREQ(ds->monthBox()->label(), "3");
            ds->clickCell(3, 130); // Wednesday 9 March 2011
            ds->CB_Done();
        });
        pickDate(rs.begDateMenu(), 1);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(r.rangeBegin, packDate(9, 3, 2011) | DT_NOTIME);
    EXPECT_STREQ(rs.begDateBox()->label(), "09.03.2011");
    {
        // End "select": preset to the end date, which keeps its time.
        WindowDriver driver("DateSelector", [](Fl_Window* w) {
            auto* ds = static_cast<DateSelect*>(w->user_data());
            EXPECT_STREQ(ds->monthBox()->label(), "9");
            ds->CB_Month(1);
            ds->clickCell(3, 60); // Monday 3 October 2011
            ds->CB_Done();
        });
        pickDate(rs.endDateMenu(), 1);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(r.rangeEnd, packDate(3, 10, 2011) | packTime(18, 30));
    EXPECT_STREQ(rs.endDateBox()->label(), "03.10.2011");
    {
        // A cancelled picker changes nothing.
        WindowDriver driver("DateSelector", [](Fl_Window* w) {
            auto* ds = static_cast<DateSelect*>(w->user_data());
            ds->clickCell(3, 100);
            ds->CB_Cancel();
        });
        pickDate(rs.endDateMenu(), 1);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(r.rangeEnd, packDate(3, 10, 2011) | packTime(18, 30));
    // "none" empties a range date.
    pickDate(rs.begDateMenu(), 0);
    EXPECT_EQ(r.rangeBegin, DT_EMPTY);
    EXPECT_STREQ(rs.begDateBox()->label(), "none");
    EXPECT_EQ(r.rangeEnd, packDate(3, 10, 2011) | packTime(18, 30));
}

TEST_F(RecurrenceSelectTest, CancelMarksTheRecordDoneAndCloseBoxKeepIt) {
    T_recData r = rule(1, 2);
    RecurrenceSelect rs(&r, 15, 3, 1, true);
    WindowDriver driver("RecurrenceSelector", [&](Fl_Window*) {
        pickType(rs, 3);
        childLabelled<Fl_Button>(rs.window(), "Cancel")->do_callback();
    });
    rs.run();
    EXPECT_TRUE(driver.ran());
    EXPECT_EQ(r.type, -1);

    T_recData r2 = rule(1, 2);
    RecurrenceSelect rs2(&r2, 15, 3, 1, true);
    rs2.show();
    pickType(rs2, 3);
    Fl::e_number = FL_CLOSE;
    rs2.window()->do_callback();
    Fl::e_number = 0;
    EXPECT_FALSE(rs2.visible());
    EXPECT_EQ(r2, rule(3, 2));

    T_recData r3 = rule(1, 2);
    RecurrenceSelect rs3(&r3, 15, 3, 1, true);
    rs3.show();
    pickType(rs3, 5);
    rs3.doneButton()->do_callback();
    EXPECT_FALSE(rs3.visible());
    EXPECT_EQ(r3, rule(5, 2));
}

} // namespace
