// The item editor's date, time and recurrence menus, with the modal pickers
// they open, write what the user picked into the item and show it.

#include "gui_fixture.h"

namespace {

TEST_F(GuiTest, EditorMenusAndPickersWriteTheItemsDates) {
    addToDo("task");
    mainWin->showList(0);
    clickLine("task", 100);
    Fl_Menu_Button *begin = mainWin->editBegDateMenu(), *end = mainWin->editEndDateMenu();
    Fl_Menu_Button *beginTime = mainWin->editBegTimeMenu(), *endTime = mainWin->editEndTimeMenu();
    // The menu (null: the recurrence button), its entry, the steps in the
    // picker that opens, and then the date or the rule the editor shows.
    const std::tuple<const char*, Fl_Menu_Button*, int, const char*, const char*> rows[] = {
        {"an end date from the picker", end, 2, "3:3 Done", "09.03.2011 xx:xx"},
        {"a begin today", begin, 1, "", "05.03.2011 xx:xx"},
        {"an end time from 8:00 on", endTime, 1, "+ + Done", "09.03.2011 10:00"},
        {"a cancelled time changes nothing", beginTime, 1, "+ Cancel", "05.03.2011 xx:xx"},
        {"the close box keeps the time", beginTime, 1, "+ Close", "05.03.2011 9:00"},
        {"a cancelled date changes nothing", begin, 2, "4:7 Cancel", "05.03.2011 9:00"},
        {"Escape cancels it too", begin, 2, "4:7 Esc", "05.03.2011 9:00"},
        {"a rule from the recurrence picker", nullptr, 0, "T1 Done", "Recurrence: daily"},
        {"an end half an hour after the begin", end, 3, "", "05.03.2011 9:30"},
        {"no end time", endTime, 0, "", "05.03.2011 xx:xx"},
        {"no begin date", begin, 0, "", "none"},
        {"a rule the dates cannot carry is reset", nullptr, 0, "T3 Done", "Recurrence: none"},
    };
    for (const auto& [rule, menu, entry, steps, shown] : rows) {
        SCOPED_TRACE(rule);
        asked.clear();
        WindowDriver picker("Selector", [&](Fl_Window* w) { run(w, steps); }); // any picker
        if (menu)
            pick(menu, entry);
        else
            click(mainWin->editRecurring());
        EXPECT_EQ(picker.ran(), *steps != 0);
        Fl_Widget* box =
            menu == begin || menu == beginTime ? mainWin->editBegBox() : mainWin->editEndBox();
        EXPECT_STREQ((menu ? box : mainWin->editRecurring())->label(), shown);
    }
    EXPECT_EQ(asked,
              std::vector<std::string>{"Recurrence reset to none: a recurring item needs both "
                                       "a begin and an end date."});
    mainWin->CB_Done();
    EXPECT_EQ(engine->getRoot()->getToDo(0)->getDateTime(DATE_END), on(2011, 3, 5));
}

// "skip this day" in the menu of a repeating entry opened from the calendar
// leaves out the occurrence clicked; the basics page counts the days skipped
// and brings them back.
TEST_F(GuiTest, SkipThisDayLeavesOutTheOccurrenceClickedAndTheEditorBringsItBack) {
    engine->setItem(addToDo("gym"));
    engine->setItemPriority(PRIO_APPOINTMENT);
    engine->setDate(DATE_BEGIN, 2011, 3, 7), engine->setDate(DATE_END, 2011, 3, 7);
    engine->setRecData({REC_WEEKLY, 1}), engine->setItemDescription("shoes");
    engine->setCalFirstDay(on(2011, 3, 7)), engine->setCalSpan(14);
    const int left = 100, right = MARKER_COLUMN_WIDTH + mainWin->halfWidth() + 10;
    // What the user does, then the screen, "skip" when the menu offers it, the
    // count of skipped days shown, and on the list the number of gym lines.
    const std::pair<std::function<void()>, std::string> steps[] = {
        {[&] { mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR), clickLine("gym", left); }, "2 skip"},
        {[] { pick(mainWin->editMenuButton(), EM_SKIPDAY); }, "0 1"},
        {[&] { mainWin->CB_Menu_VelkView(MAINVIEW_NORMAL), clickLine("gym", left); },
         "2 skips 1 day"},
        {[&] { mainWin->CB_Done(), choose("&View/calendar"), clickLine("gym", right); }, "4 skip"},
        {[] { click(mainWin->editPageButton()), click(mainWin->editClearSkipped()); }, "2 skip"},
        {[] { mainWin->CB_Done(); }, "0 2"},
        {[&] { engine->setRecData({}), clickLine("gym", left); }, "2"},
    };
    for (const auto& [step, shown] : steps) {
        step();
        std::string now = std::to_string(mainWin->screen());
        const std::vector<std::string> l = lines();
        if (mainWin->screen() == SCREEN_LIST)
            now += " " + std::to_string(std::count_if(l.begin(), l.end(),
                                                      [](auto& s) { return s.ends_with("gym"); }));
        else if (menu_EditToDoMenu[EM_SKIPDAY].visible())
            now += " skip";
        if (mainWin->editSkippedBox()->visible())
            now += std::string(" ") + mainWin->editSkippedBox()->label();
        EXPECT_EQ(now, shown);
    }
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 2);
}

} // namespace
