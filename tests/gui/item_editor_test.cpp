// The item editor's date, time and recurrence menus, with the modal pickers
// they open, write what the user picked into the item and show it.

#include "gui/recurrence_select.h"
#include "gui_fixture.h"

#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>

namespace {

TEST_F(GuiTest, EditorMenusAndPickersWriteTheItemsDates) {
    addToDo("task");
    mainWin->showList(0);
    clickLine("task", 100);
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    Fl_Menu_Button *begin = mainWin->editBegDateMenu(), *end = mainWin->editEndDateMenu();
    Fl_Menu_Button *beginTime = mainWin->editBegTimeMenu(), *endTime = mainWin->editEndTimeMenu();
    auto date = [](const char* steps) {
        return [steps](Fl_Window* w) { runDate(*static_cast<DateSelect*>(w->user_data()), steps); };
    };
    auto time = [](const char* steps) { return [steps](Fl_Window* w) { run(w, steps); }; };
    auto recurrence = [](int type) {
        return [type](Fl_Window* w) {
            pick(static_cast<RecurrenceSelect*>(w->user_data())->typeChoice(), type);
            run(w, "Done");
        };
    };
    struct Row {
        const char* rule;
        Fl_Menu_Button* menu; // null: the recurrence button
        int entry;
        const char* picker;
        std::function<void(Fl_Window*)> action;
        const char* shown; // begin | end | recurrence
    };
    const Row rows[] = {
        {"an end date from the picker", end, 2, "DateSelector", date("3:3 Done"),
         "none | 09.03.2011 xx:xx | Recurrence: none"},
        {"a begin today",
         begin,
         1,
         "",
         {},
         "05.03.2011 xx:xx | 09.03.2011 xx:xx | Recurrence: none"},
        {"an end time from the picker, from 8:00", endTime, 1, "TimeSelector", time("+ + Done"),
         "05.03.2011 xx:xx | 09.03.2011 10:00 | Recurrence: none"},
        {"a cancelled time picker changes nothing", beginTime, 1, "TimeSelector", time("+ Cancel"),
         "05.03.2011 xx:xx | 09.03.2011 10:00 | Recurrence: none"},
        {"the close box keeps the picked time", beginTime, 1, "TimeSelector", time("+ Close"),
         "05.03.2011 9:00 | 09.03.2011 10:00 | Recurrence: none"},
        {"a cancelled date picker changes nothing", begin, 2, "DateSelector", date("4:7 Cancel"),
         "05.03.2011 9:00 | 09.03.2011 10:00 | Recurrence: none"},
        {"Escape cancels it too", begin, 2, "DateSelector", date("4:7 Esc"),
         "05.03.2011 9:00 | 09.03.2011 10:00 | Recurrence: none"},
        {"a rule from the recurrence picker", nullptr, 0, "RecurrenceSelector",
         recurrence(REC_DAILY), "05.03.2011 9:00 | 09.03.2011 10:00 | Recurrence: daily"},
        {"an end half an hour after the begin",
         end,
         3,
         "",
         {},
         "05.03.2011 9:00 | 05.03.2011 9:30 | Recurrence: daily"},
        {"no end time",
         endTime,
         0,
         "",
         {},
         "05.03.2011 9:00 | 05.03.2011 xx:xx | Recurrence: daily"},
        {"no begin date", begin, 0, "", {}, "none | 05.03.2011 xx:xx | Recurrence: none"},
        {"a rule the dates cannot carry is reset", nullptr, 0, "RecurrenceSelector",
         recurrence(REC_WEEKLY), "none | 05.03.2011 xx:xx | Recurrence: none"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        asked.clear();
        WindowDriver picker(r.picker, r.action);
        if (r.menu)
            pick(r.menu, r.entry);
        else
            click(mainWin->editRecurring());
        EXPECT_EQ(picker.ran(), bool(r.action));
        EXPECT_EQ(std::string(mainWin->editBegBox()->label()) + " | " +
                      mainWin->editEndBox()->label() + " | " + mainWin->editRecurring()->label(),
                  r.shown);
    }
    EXPECT_EQ(asked,
              std::vector<std::string>{"Recurrence reset to none: a recurring item needs both "
                                       "a begin and an end date."});
    mainWin->CB_Done();
    EXPECT_EQ(engine->getRoot()->getToDo(0)->getDateTime(DATE_END), on(2011, 3, 5));
}

} // namespace
