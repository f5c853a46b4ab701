#include "gui_fixture.h"

#include <fstream>

TEST_F(GuiTest, WindowTitleSizeAndClock) {
    EXPECT_STREQ(mainWin->label(), ("Velk: " + dir.file("gui.dat")).c_str());
    EXPECT_EQ(mainWin->w(), 320);
    EXPECT_EQ(mainWin->h(), 480);
    mainWin->updateClock();
    EXPECT_STREQ(mainWin->clockText(), "05.03.2011\n13:00\n");

    // Odd sizes become even, and the engine keeps the halves.
    mainWin->resize(mainWin->x(), mainWin->y(), 401, 333);
    EXPECT_EQ(mainWin->w(), 400);
    EXPECT_EQ(mainWin->h(), 332);
    unsigned w = 0, h = 0;
    engine->windowSize(w, h);
    EXPECT_EQ(w, 200u);
    EXPECT_EQ(h, 166u);
}

TEST_F(GuiTest, EscapeShortcutDoesNotCloseButTheCloseButtonDoes) {
    Fl::e_keysym = FL_Escape;
    Fl::e_number = FL_SHORTCUT;
    mainWin->do_callback();
    EXPECT_TRUE(mainWin->shown());
    Fl::e_number = FL_CLOSE;
    mainWin->do_callback();
    EXPECT_FALSE(mainWin->shown());
}

TEST_F(GuiTest, EmptyGroupShowsEmptyLineAndScreensShowTheirWidgets) {
    EXPECT_EQ(lines(), std::vector<std::string>{"<empty>"});
    EXPECT_TRUE(mainWin->menuButton()->visible());
    EXPECT_TRUE(mainWin->newItemButton()->visible());
    EXPECT_TRUE(mainWin->upButton()->visible());
    EXPECT_FALSE(mainWin->jobsButton()->visible());
    EXPECT_FALSE(mainWin->calTodayButton()->visible());
    EXPECT_EQ(mainWin->menuButton()->menu(), menu_Menu);

    mainWin->showMain(SCREEN_ABOUT);
    EXPECT_TRUE(mainWin->aboutBox()->visible());
    EXPECT_FALSE(mainWin->menuButton()->visible());
    EXPECT_EQ(mainWin->listView()->w(), 0) << "the list keeps its lines while hidden";
    mainWin->CB_Done();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);

    // An empty input returns to the list and does nothing.
    mainWin->showInput(INPUT_SEARCH);
    EXPECT_EQ(mainWin->screen(), SCREEN_INPUT);
    EXPECT_STREQ(mainWin->promptBox()->label(), "string to search for:");
    mainWin->CB_Done();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_NORMAL);
}

TEST_F(GuiTest, ListLinesCarryMarkersBackgroundsAndLiteralText) {
    ToDoListGroup* work = addGroup(engine->getRoot(), "Work");
    ToDoListToDo* done = addToDo(work, "finished");
    engine->setItem(done);
    engine->setItemCompleted();
    addToDo(engine->getRoot(), "@C1 literal");
    ToDoListToDo* meeting = addToDo(engine->getRoot(), "meeting");
    engine->setItem(meeting);
    engine->setDate(16, 2011, 3, 7);
    engine->setDate(0, 2011, 3, 7);
    engine->setItemPriority(PRIO_APPOINTMENT);
    engine->checkCompleted();
    mainWin->showList(0);
    EXPECT_EQ(lines(), (std::vector<std::string>{"@B55o\t@B55@.@C1 literal",
                                                 "@B53a\t@B53@.meeting",
                                                 "@B55@bX\t@b@B55@.Work"}));
    EXPECT_EQ(mainWin->pathText(), "");
}

TEST_F(GuiTest, EnteringAndLeavingGroupsRestoresTheListPosition) {
    ToDoListGroup* a = addGroup(engine->getRoot(), "A");
    addGroup(engine->getRoot(), "B");
    addToDo(a, "inside");
    mainWin->showList(0);
    ASSERT_EQ(lines().size(), 2u);
    click(2, 100); // group "B"? the order is by the list's sort
    std::string entered = mainWin->pathText();
    EXPECT_TRUE(entered == "A" || entered == "B");
    EXPECT_EQ(engine->guiData().oldSelInList, std::vector<int32_t>{2});
    key(FL_Left);
    EXPECT_EQ(mainWin->pathText(), "");
    EXPECT_TRUE(mainWin->listView()->selected(2)) << "the line selected on entering";
    EXPECT_TRUE(engine->guiData().oldPosInList.empty());
    key(FL_Left); // at the root nothing happens
    EXPECT_EQ(lines().size(), 2u);

    // Right enters the selected group and selects its first line.
    mainWin->listView()->deselect();
    mainWin->listView()->select(1);
    key(FL_Right);
    EXPECT_FALSE(mainWin->pathText().empty());
    EXPECT_TRUE(mainWin->listView()->selected(1));
}

TEST_F(GuiTest, KeysMoveTheSelectionAndEnterTogglesCompletion) {
    addToDo(engine->getRoot(), "one");
    addToDo(engine->getRoot(), "two");
    mainWin->showList(0);
    mainWin->listView()->select(1);
    key(FL_Up);
    EXPECT_TRUE(mainWin->listView()->selected(1)) << "Up on the first line changes nothing";
    key(FL_Down);
    EXPECT_TRUE(mainWin->listView()->selected(2));
    key(FL_Down);
    EXPECT_TRUE(mainWin->listView()->selected(2)) << "Down on the last line changes nothing";
    std::string before = lines()[1];
    key(FL_Enter);
    EXPECT_TRUE(mainWin->listView()->selected(2)) << "the selection stays on its line number";
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 1) << "the toggle is journalled";
    EXPECT_NE(lines(), (std::vector<std::string>{lines()[0], before}));
    key('q', FL_CTRL);
    EXPECT_FALSE(mainWin->shown());
}

TEST_F(GuiTest, ClickingTheMarkerTogglesAndTheTextOpens) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "task");
    mainWin->showList(0);
    click(1, 10);
    EXPECT_TRUE(t->isCompleted());
    EXPECT_EQ(lines(), std::vector<std::string>{"@B55x\t@B55@.task"});
    Fl::e_state = FL_CTRL;
    mainWin->listView()->select(1);
    mainWin->listViewClicked();
    EXPECT_TRUE(t->isCompleted()) << "Ctrl-click only selects";
    Fl::e_state = 0;

    click(1, 100);
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    EXPECT_STREQ(mainWin->editSummary()->value(), "task");
    mainWin->editSummary()->value("renamed");
    mainWin->CB_Done();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(t->getSummary(), "renamed");
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 2);
}

TEST_F(GuiTest, OnlyActiveAndSearchViewsLockTheTreeChangingEntries) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "running job");
    engine->setItem(t);
    engine->setItemRunning(true);
    mainWin->showMain(SCREEN_LIST);
    EXPECT_TRUE(mainWin->jobsButton()->visible());
    mainWin->CB_Menu_VelkView(MAINVIEW_ACTIVE);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_ACTIVE);
    EXPECT_EQ(mainWin->pathText(), "Active jobs");
    EXPECT_FALSE(mainWin->newItemButton()->visible());
    EXPECT_FALSE(mainWin->upButton()->visible());
    for (const char* label : {"&file", "&copy", "&paste", "&group", "calendar", "&search..."}) {
        const Fl_Menu_Item* item = mainWin->menuButton()->find_item(label);
        if (!item) item = menu_Menu[0].find_shortcut(nullptr, false);
        bool found = false;
        for (const Fl_Menu_Item* m = menu_Menu; m->label() || m->next() != m; m = m->next()) {
            if (m->label() && std::string(m->label()) == label) {
                EXPECT_FALSE(m->active()) << label;
                found = true;
                break;
            }
            if (!m->label()) break;
        }
        (void)found;
    }
    // Completing the only running todo leaves the view.
    mainWin->listView()->select(1);
    click(1, 10);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_FALSE(mainWin->jobsButton()->visible());
}

TEST_F(GuiTest, CalendarViewButtonsMenusAndNavigation) {
    mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_CALENDAR);
    EXPECT_EQ(mainWin->menuButton()->menu(), menu_CalMenu);
    EXPECT_TRUE(mainWin->calTodayButton()->visible());
    EXPECT_FALSE(mainWin->newItemButton()->visible());
    EXPECT_EQ(mainWin->titleButton()->h(), 0);
    EXPECT_GT(lines().size(), 7u) << "day headers and separators of seven days";

    engine->setCalFirstDay(packDate(1, 3, 2011) | DT_NOTIME);
    mainWin->CB_CalFirstDay(3);
    EXPECT_EQ(engine->getCalFirstDay(), packDate(8, 3, 2011) | DT_NOTIME);
    mainWin->CB_CalFirstDay(4);
    EXPECT_EQ(engine->getCalFirstDay(), packDate(7, 3, 2011) | DT_NOTIME);
    mainWin->CB_CalFirstDay(0);
    EXPECT_EQ(engine->getCalFirstDay(), packDate(5, 3, 2011) | DT_NOTIME);
    mainWin->CB_CalSpan(1);
    EXPECT_EQ(engine->getCalSpan(), 1);

    mainWin->CB_Menu_VelkView(MAINVIEW_NORMAL);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_EQ(mainWin->menuButton()->menu(), menu_Menu);
}

TEST_F(GuiTest, OnlyADeletedGroupIsCutToTheClipboardAndPasteBringsItBack) {
    ToDoListGroup* g = addGroup(engine->getRoot(), "Projects");
    addToDo(g, "plan");
    // The root cannot be deleted: the clipboard keeps what was copied before.
    const std::string earlier = "<type=Velk>\n<data>\nearlier\n</data>\n";
    writeWholeFile(dir.file("velkXXXXXX.tmp"), earlier);
    mainWin->CB_Menu_delGroup();
    EXPECT_EQ(readWholeFile(dir.file("velkXXXXXX.tmp")), earlier);
    engine->setGroup(g);
    mainWin->showList(0);
    answer = 0; // "Cancel"
    mainWin->CB_Menu_delGroup();
    EXPECT_EQ(engine->getRoot()->getNrGroups(), 1u);
    answer = 1; // "Delete"
    mainWin->CB_Menu_delGroup();
    EXPECT_EQ(asked.back(), "Do you really want to delete this group?");
    EXPECT_EQ(engine->getRoot()->getNrGroups(), 0u);
    EXPECT_NE(readWholeFile(dir.file("velkXXXXXX.tmp")).find("sProjects"), std::string::npos);
    mainWin->CB_Menu_paste();
    ASSERT_EQ(engine->getRoot()->getNrGroups(), 1u);
    EXPECT_EQ(engine->getRoot()->getGroup(0)->getSummary(), "Projects");
    EXPECT_EQ(engine->getRoot()->getGroup(0)->getNrToDos(), 1u);
}

TEST_F(GuiTest, SelectedRowsAreDeletedFromTheLastToTheFirst) {
    addToDo(engine->getRoot(), "a");
    addToDo(engine->getRoot(), "b");
    addToDo(engine->getRoot(), "c");
    mainWin->showList(0);
    mainWin->listView()->select(1);
    mainWin->listView()->select(3);
    mainWin->ActOnSelected(2);
    std::string copied = readWholeFile(dir.file("velkXXXXXX.tmp"));
    EXPECT_EQ(copied.substr(0, 33), "<type=Velk>\n<version=0.54>\n<data>");
    mainWin->listView()->select(1);
    mainWin->listView()->select(3);
    mainWin->ActOnSelected(1);
    ASSERT_EQ(lines().size(), 1u);
    EXPECT_EQ(engine->getRoot()->getNrToDos(), 1u);
}

TEST_F(GuiTest, CopyingOverAPlantedLinkIsRefusedAndTold) {
    addToDo(engine->getRoot(), "a");
    mainWin->showList(0);
    writeWholeFile(dir.file("victim"), "letter\n");
    ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("velkXXXXXX.tmp").c_str()), 0);
    mainWin->listView()->select(1);
    mainWin->ActOnSelected(2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("velkXXXXXX.tmp is not a regular file of yours"), std::string::npos)
        << asked[0];
    EXPECT_EQ(readWholeFile(dir.file("victim")), "letter\n");
}
