#include "gui/date_select.h"
#include "gui/password_dialogs.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui_driver.h"
#include "gui_fixture.h"
#include "storage/external_edit.h"
#include "support/dates.h"

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <sys/stat.h>

namespace {

// Menu entries of the date and time menus, by position.
enum { D_NONE = 0, D_TODAY = 1, D_SELECT = 2, D_PLUS30 = 3 };
enum { T_NONE = 0, T_SELECT = 1 };

class ItemEditorTest : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        setScratchFolder(dir.file("scratch"));
    }
    void TearDown() override {
        setScratchFolder("");
        GuiTest::TearDown();
    }
    // Opens the todo shown on browser line 1 by a click on its text.
    void openFirst() {
        mainWin->showList(0);
        click(1, 100);
        ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    }
    // Picks entry n of a menu button as a click on it would.
    static void pick(Fl_Menu_Button* m, int n) { m->picked(m->menu() + n); }
    // Picks entry n of a date menu; the date picker that opens clicks grid
    // line `line` at x (of March 2011 when it opens on that month) and
    // presses "Done", or cancels when line is 0.
    static void pickDate(Fl_Menu_Button* m, int line, int x) {
        WindowDriver driver("DateSelector", [&](Fl_Window* w) {
            auto* ds = static_cast<DateSelect*>(w->user_data());
            if (line == 0) {
                ds->CB_Cancel();
                return;
            }
            ds->clickCell(line, x);
            ds->CB_Done();
        });
        pick(m, D_SELECT);
        EXPECT_TRUE(driver.ran());
    }
    // Picks "select" of a time menu; the time picker steps the hour by
    // hours (negative: down) and presses "Done", or cancels.
    static void pickTime(Fl_Menu_Button* m, int hours, bool cancel = false) {
        WindowDriver driver("TimeSelector", [&](Fl_Window* w) {
            auto* ts = static_cast<TimeSelect*>(w->user_data());
            for (int i = 0; i < std::abs(hours); ++i)
                ts->CB_Hour(hours > 0 ? 1 : -1);
            if (cancel)
                ts->CB_Cancel();
            else
                ts->CB_Done();
        });
        pick(m, T_SELECT);
        EXPECT_TRUE(driver.ran());
    }
    std::string begText() const { return mainWin->editBegBox()->label(); }
    std::string endText() const { return mainWin->editEndBox()->label(); }
    std::string journal(unsigned n) const {
        return readWholeFile(dir.file("gui.dat") + std::to_string(n));
    }
    // A shell script in the test directory.
    std::string script(const std::string& name, const std::string& body) {
        const std::string path = dir.file(name);
        writeWholeFile(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0700);
        return path;
    }
    std::string descr() const { return mainWin->GetDescrBuffer(); }
    // Sends a key to the description editor as the keyboard would.
    void typeInDescription(int k, const char* text, int state = 0) {
        Fl::e_keysym = k;
        Fl::e_state = state;
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = int(std::strlen(text));
        mainWin->editDescr()->handle(FL_KEYBOARD);
        Fl::e_state = 0;
    }
};

TEST_F(ItemEditorTest, DatesAndTimesChangeThroughTheMenusAndPickers) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "task");
    openFirst();
    // A new todo: only the end date can be given.
    EXPECT_STREQ(mainWin->editSummary()->value(), "task");
    EXPECT_TRUE(mainWin->editIsToDo()->value());
    EXPECT_TRUE(mainWin->editPrio(2)->value());
    EXPECT_TRUE(mainWin->editEndDateMenu()->visible());
    EXPECT_FALSE(mainWin->editBegDateMenu()->visible());
    EXPECT_FALSE(mainWin->editShowAs()->visible());
    EXPECT_EQ(endText(), "none");
    EXPECT_STREQ(mainWin->editStartStop()->label(), "&Start");
    EXPECT_STREQ(mainWin->editComplBox()->label(), "not yet...");
    EXPECT_FALSE(mainWin->editCrypt()->active()) << "nobody is logged in";

    pickDate(mainWin->editEndDateMenu(), 3, 130); // Wednesday 9 March
    EXPECT_EQ(endText(), "09.03.2011 xx:xx");
    EXPECT_TRUE(mainWin->editBegDateMenu()->visible());
    EXPECT_TRUE(mainWin->editEndTimeMenu()->visible());
    EXPECT_FALSE(mainWin->editBegTimeMenu()->visible());
    pick(mainWin->editBegDateMenu(), D_TODAY);
    EXPECT_EQ(begText(), "05.03.2011 xx:xx");
    EXPECT_TRUE(mainWin->editShowAs()->visible());
    EXPECT_TRUE(mainWin->editBegTimeMenu()->visible());

    pickTime(mainWin->editEndTimeMenu(), 2); // from 8:00
    EXPECT_EQ(endText(), "09.03.2011 10:00");
    pickTime(mainWin->editBegTimeMenu(), 0); // a first begin time moves nothing
    EXPECT_EQ(begText(), "05.03.2011 8:00");
    EXPECT_EQ(endText(), "09.03.2011 10:00");
    pickTime(mainWin->editBegTimeMenu(), 1); // one hour later: the end follows
    EXPECT_EQ(begText(), "05.03.2011 9:00");
    EXPECT_EQ(endText(), "09.03.2011 11:00");
    pickTime(mainWin->editBegTimeMenu(), 5, true);
    pickDate(mainWin->editBegDateMenu(), 0, 0);
    EXPECT_EQ(begText(), "05.03.2011 9:00") << "cancelled pickers change nothing";
    EXPECT_EQ(endText(), "09.03.2011 11:00");

    pickDate(mainWin->editBegDateMenu(), 5, 160); // Thursday 24 March: four days stay
    EXPECT_EQ(begText(), "24.03.2011 9:00");
    EXPECT_EQ(endText(), "28.03.2011 11:00");
    pick(mainWin->editEndDateMenu(), D_PLUS30);
    EXPECT_EQ(endText(), "24.03.2011 9:30");
    pick(mainWin->editEndTimeMenu(), T_NONE);
    EXPECT_EQ(endText(), "24.03.2011 xx:xx");

    // Busy needs both dates; a todo shown as busy becomes an appointment.
    mainWin->editShowAs()->picked(mainWin->editShowAs()->menu() + 1);
    EXPECT_EQ(engine->getShowTimeAs(), 1);
    mainWin->editIsToDo()->value(0);
    mainWin->editIsToDo()->do_callback();
    EXPECT_EQ(t->getPriority(), PRIO_APPOINTMENT);
    EXPECT_FALSE(mainWin->editPrioGroup()->visible());
    EXPECT_FALSE(mainWin->editDone()->visible());
    mainWin->editIsToDo()->value(1);
    mainWin->editIsToDo()->do_callback();
    EXPECT_EQ(t->getPriority(), 3u);
    mainWin->CB_edit_Pr(5);
    EXPECT_EQ(t->getPriority(), 5u);
    EXPECT_TRUE(mainWin->editPrio(4)->value());
    EXPECT_FALSE(mainWin->editPrio(2)->value());

    mainWin->CB_Done();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(t->getDateTime(16), at(2011, 3, 24, 9, 0));
    EXPECT_EQ(t->getDateTime(0), packDate(24, 3, 2011) | DT_NOTIME);
    ASSERT_EQ(engine->incsave_getNrOfFiles(), 1);
    const std::string entry = journal(0);
    EXPECT_NE(entry.find("<new parent="), std::string::npos) << entry;
    EXPECT_NE(entry.find("stask\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("p5\n"), std::string::npos) << entry;

    // Opening and closing without a change writes nothing.
    openFirst();
    mainWin->CB_Done();
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 1);
}

TEST_F(ItemEditorTest, RecurringTodoMovesOnWhenDoneAndRecordingSumsTheTime) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "water plants");
    engine->setItem(t);
    engine->setDate(0, 2011, 3, 5);
    engine->setDate(16, 2011, 3, 5);
    openFirst();
    EXPECT_EQ(mainWin->editRecurring()->label(), std::string("Recurrence: none"));
    // The recurrence dialog, answered: daily.
    WindowDriver recurrence("RecurrenceSelector", [](Fl_Window* w) {
        auto* rs = static_cast<RecurrenceSelect*>(w->user_data());
        rs->CB_recType(REC_DAILY);
        rs->CB_Done();
    });
    mainWin->editRecurring()->do_callback();
    EXPECT_TRUE(recurrence.ran());
    EXPECT_EQ(mainWin->editRecurring()->label(), std::string("Recurrence: daily"));

    mainWin->editStartStop()->do_callback();
    EXPECT_TRUE(t->isRunning());
    EXPECT_EQ(engine->getNrActiveJobs(), 1u);
    EXPECT_STREQ(mainWin->editStartStop()->label(), "&Stop");
    setVelkNowForTesting(1299326400 + 3600 + 20);
    mainWin->editStartStop()->do_callback();
    EXPECT_FALSE(t->isRunning());
    EXPECT_EQ(engine->getNrActiveJobs(), 0u);
    EXPECT_STREQ(mainWin->editStartStop()->label(), "&Start");
    EXPECT_STREQ(mainWin->editTimeSumBox()->label(), "Time: 1:00");

    // Done on a recurring todo: it moves on to the next day and stays open.
    mainWin->editDone()->value(1);
    mainWin->editDone()->do_callback();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), "Recurrent ToDo:\nSet completed, activated for following date.");
    EXPECT_FALSE(t->isCompleted());
    EXPECT_FALSE(mainWin->editDone()->value());
    EXPECT_STREQ(mainWin->editComplBox()->label(), "not yet...");
    EXPECT_EQ(endText(), "06.03.2011 xx:xx");

    mainWin->showMain(SCREEN_ITEM_TIMES);
    ASSERT_EQ(mainWin->editTimesBrowser()->size(), 2);
    EXPECT_STREQ(mainWin->editTimesBrowser()->text(1), "05.03.2011 13:00");
    EXPECT_STREQ(mainWin->editTimesBrowser()->text(2), "      -> 05.03.2011 14:00");
    EXPECT_GT(mainWin->editTimesBrowser()->w(), 0);
    EXPECT_TRUE(mainWin->editTimeSumBox()->visible());
    EXPECT_STREQ(mainWin->editPageButton()->label(), "Basics");
    mainWin->editPageButton()->do_callback();
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);

    mainWin->CB_Done();
    ASSERT_EQ(engine->incsave_getNrOfFiles(), 1);
    const std::string entry = journal(0);
    EXPECT_NE(entry.find("swater plants\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("r1299326400,1299330020\n"), std::string::npos) << entry;

    // A plain todo is completed and can be opened again.
    ToDoListToDo* u = addToDo(engine->getRoot(), "a plain one");
    (void)u;
    engine->getContent();
    mainWin->showList(0);
    for (int line = 1; line <= mainWin->listView()->size(); ++line)
        if (std::string(mainWin->listView()->text(line)).find("a plain one") != std::string::npos)
            click(line, 100);
    ASSERT_EQ(engine->getCurItem(), u);
    mainWin->editDone()->value(1);
    mainWin->editDone()->do_callback();
    EXPECT_TRUE(u->isCompleted());
    EXPECT_STREQ(mainWin->editComplBox()->label(), "05.03.2011 14:00");
    EXPECT_FALSE(mainWin->editStartStop()->visible());
    mainWin->editDone()->value(0);
    mainWin->editDone()->do_callback();
    EXPECT_FALSE(u->isCompleted());
    EXPECT_STREQ(mainWin->editComplBox()->label(), "not yet...");
    EXPECT_TRUE(mainWin->editStartStop()->visible());
}

TEST_F(ItemEditorTest, RecurrenceTheDatesCannotCarryIsResetWithItsReasonShown) {
    engine->setItem(addToDo(engine->getRoot(), "pay rent"));
    engine->setDate(0, 2011, 3, 31); // due, but no begin date
    openFirst();
    WindowDriver weekly("RecurrenceSelector", [](Fl_Window* w) {
        static_cast<RecurrenceSelect*>(w->user_data())->CB_recType(REC_WEEKLY);
        static_cast<RecurrenceSelect*>(w->user_data())->CB_Done();
    });
    mainWin->editRecurring()->do_callback();
    EXPECT_EQ(asked, std::vector<std::string>{"Recurrence reset to none: a recurring item needs "
                                              "both a begin and an end date."});
    EXPECT_EQ(mainWin->editRecurring()->label(), std::string("Recurrence: none"));
}

TEST_F(ItemEditorTest, DescriptionWrapsLongLinesAndCtrlBackSpaceDeletesAWord) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "notes");
    openFirst();
    mainWin->editPageButton()->do_callback();
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_DESCRIPTION);
    EXPECT_TRUE(mainWin->editDescr()->visible());
    EXPECT_STREQ(mainWin->editPageButton()->label(), "Basics");

    const std::string line = "  first " + std::string(72, 'w'); // 80 characters
    mainWin->SetDescrBuffer(line.c_str());
    mainWin->editDescr()->insert_position(int(line.size()));
    typeInDescription('x', "x");
    EXPECT_EQ(descr(), "  first\n  " + std::string(72, 'w') + "x");
    EXPECT_EQ(mainWin->editDescr()->insert_position(), int(descr().size()));

    mainWin->SetDescrBuffer("keep these words,  ");
    mainWin->editDescr()->insert_position(19);
    typeInDescription(FL_BackSpace, "", FL_CTRL);
    EXPECT_EQ(descr(), "keep these ");
    typeInDescription(FL_BackSpace, "");
    EXPECT_EQ(descr(), "keep these");
    mainWin->editDescr()->buffer()->select(0, 5);
    typeInDescription(FL_BackSpace, "", FL_CTRL);
    EXPECT_EQ(descr(), "these");

    mainWin->CB_Done();
    const char* text = nullptr;
    engine->setItem(t);
    ASSERT_EQ(engine->getItemDescription(text), 0);
    EXPECT_STREQ(text, "these");

    // With a description the click on the right of the line opens that page.
    mainWin->showList(0);
    click(1, 26 + mainWin->halfWidth() + 10);
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_DESCRIPTION);
    EXPECT_EQ(descr(), "these");
}

TEST_F(ItemEditorTest, ExternalEditorWorksOnItsOwnScratchFile) {
    addToDo(engine->getRoot(), "letter");
    writeWholeFile(dir.file("velkXXXXXX.tmp"), "clipboard\n");
    engine->setEditorCommand(script("ed.sh", "echo \"$1\" > seen\necho 'Dear Sir,' >> \"$1\"\n"));
    openFirst();
    mainWin->SetDescrBuffer("To whom\n");
    key('e', FL_ALT); // Alt+e on any page of the editor
    EXPECT_EQ(descr(), "To whom\nDear Sir,\n");
    EXPECT_EQ(readWholeFile(dir.file("velkXXXXXX.tmp")), "clipboard\n");
    std::string scratch = readWholeFile(dir.file("seen"));
    ASSERT_FALSE(scratch.empty());
    scratch.pop_back();
    EXPECT_EQ(scratch.substr(0, dir.file("scratch/velk-").size()), dir.file("scratch/velk-"));
    EXPECT_NE(access(scratch.c_str(), F_OK), 0) << "removed afterwards";

    // A failing editor leaves the description as it was, with a message.
    engine->setEditorCommand(script("bad.sh", "echo > \"$1\"\nexit 1\n"));
    asked.clear();
    mainWin->editExtEdit()->do_callback();
    EXPECT_EQ(descr(), "To whom\nDear Sir,\n");
    ASSERT_EQ(asked.size(), 1u);
    // So does an editor that removes the file.
    engine->setEditorCommand(script("rm.sh", "rm \"$1\"\n"));
    mainWin->editExtEdit()->do_callback();
    EXPECT_EQ(descr(), "To whom\nDear Sir,\n");
    EXPECT_EQ(asked.size(), 2u);

    // No scratch file is made where the scratch folder is a planted link.
    ASSERT_EQ(mkdir(dir.file("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(rmdir(dir.file("scratch").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), dir.file("scratch").c_str()), 0);
    asked.clear();
    mainWin->editExtEdit()->do_callback();
    EXPECT_TRUE(namesIn(dir.file("elsewhere")).empty());
    EXPECT_EQ(asked, std::vector<std::string>{"Unable to create temporary file"});
    EXPECT_EQ(descr(), "To whom\nDear Sir,\n");

    mainWin->CB_Done();
    const char* text = nullptr;
    ASSERT_EQ(engine->getItemDescription(text), 0);
    EXPECT_STREQ(text, "To whom\nDear Sir,\n");
}

TEST_F(ItemEditorTest, ItemMenuCopiesCutsAndTurnsToGroup) {
    ToDoListToDo* keep = addToDo(engine->getRoot(), "keep");
    (void)keep;
    addToDo(engine->getRoot(), "cut me");
    mainWin->showList(0);
    auto openNamed = [&](const std::string& name) {
        mainWin->showList(0);
        for (int line = 1; line <= mainWin->listView()->size(); ++line)
            if (std::string(mainWin->listView()->text(line)).find(name) != std::string::npos) {
                click(line, 100);
                return;
            }
        FAIL() << name;
    };
    openNamed("cut me");
    Fl_Menu_Button* menu = mainWin->editMenuButton();
    EXPECT_TRUE(menu->visible());
    pick(menu, 2); // "&copy"
    EXPECT_NE(readWholeFile(dir.file("velkXXXXXX.tmp")).find("scut me\n"), std::string::npos);
    writeWholeFile(dir.file("velkXXXXXX.tmp"), "");

    answer = 0; // "Cancel"
    pick(menu, 1);
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    answer = 1; // "Delete"
    asked.clear();
    pick(menu, 1);
    EXPECT_EQ(asked, std::vector<std::string>{"Do you really want to delete this item?"});
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getRoot()->getNrToDos(), 1u);
    EXPECT_NE(readWholeFile(dir.file("velkXXXXXX.tmp")).find("scut me\n"), std::string::npos);

    openNamed("keep");
    pick(menu, 5); // "description/&text"
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_DESCRIPTION);
    pick(menu, 6); // "times"
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_TIMES);
    pick(menu, 4); // "&basics"
    EXPECT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    mainWin->editSummary()->value("kept");
    pick(menu, 3); // "turn to group"
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getCurGroup()->getSummary(), "kept");
    EXPECT_EQ(lines(), std::vector<std::string>{"@B55o\t@B55@.kept"});
}

TEST_F(ItemEditorTest, GoToItemsGroupLeavesTheSearchView) {
    ToDoListGroup* g = addGroup(engine->getRoot(), "Home");
    addToDo(g, "find me");
    mainWin->showList(0);
    engine->search("find");
    mainWin->setMenuActive();
    mainWin->showList(0);
    ASSERT_EQ(engine->getMainViewType(), MAINVIEW_SEARCH);
    click(1, 100);
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    EXPECT_FALSE(menu_EditToDoMenu[3].active()) << "no turn to group in the search view";
    mainWin->editSummary()->value("found");
    pick(mainWin->editMenuButton(), 0);
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_EQ(engine->getCurGroup(), g);
    EXPECT_EQ(lines(), std::vector<std::string>{"@B55o\t@B55@.found"});
}

TEST_F(ItemEditorTest, GroupEditorShowsCountsAndTimeAndStoresChanges) {
    ToDoListGroup* empty = addGroup(engine->getRoot(), "Empty");
    (void)empty;
    ToDoListGroup* g = addGroup(engine->getRoot(), "Work");
    for (int i = 0; i < 3; ++i) {
        ToDoListToDo* t = addToDo(g, "job " + std::to_string(i));
        if (i == 0) t->setCompleted(engine->calendar());
        if (i == 1) t->addTime(1000, 1000 + 5400);
    }
    engine->checkCompleted(); // as after every change the user makes
    mainWin->showList(0);
    // A click on a group's marker opens the group editor.
    int workLine = 0;
    for (int line = 1; line <= mainWin->listView()->size(); ++line)
        if (std::string(mainWin->listView()->text(line)).find("Work") != std::string::npos)
            workLine = line;
    ASSERT_NE(workLine, 0);
    click(workLine, 10);
    ASSERT_EQ(mainWin->screen(), SCREEN_GROUP);
    EXPECT_STREQ(mainWin->editSummary()->value(), "Work");
    EXPECT_STREQ(mainWin->groupCountBox()->label(), "1/3 (33 %) done");
    EXPECT_STREQ(mainWin->editTimeSumBox()->label(), "Time: 1:30");
    EXPECT_EQ(mainWin->editTimeSumBox()->y(), 130);
    EXPECT_TRUE(mainWin->groupMenuButton()->visible());
    EXPECT_FALSE(mainWin->editMenuButton()->visible());
    EXPECT_FALSE(mainWin->editIsToDo()->visible());
    mainWin->CB_edit_Pr(2);
    mainWin->editSummary()->value("Office");
    mainWin->CB_Done();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(g->getSummary(), "Office");
    EXPECT_EQ(g->getPriority(), 2u);
    EXPECT_EQ(engine->getCurGroup(), engine->getRoot()) << "back in the group of the list";
    ASSERT_EQ(engine->incsave_getNrOfFiles(), 1);
    EXPECT_NE(journal(0).find("sOffice\n"), std::string::npos);

    // The menu's "edit" on the current group; a group without todos is all done.
    engine->setGroup(empty);
    mainWin->showList(0);
    mainWin->CB_Menu_editGroup();
    ASSERT_EQ(mainWin->screen(), SCREEN_GROUP);
    EXPECT_STREQ(mainWin->groupCountBox()->label(), "0/0 ( 100%) done");
    EXPECT_STREQ(mainWin->editTimeSumBox()->label(), "Time: 0:00");
    asked.clear();
    pick(mainWin->groupMenuButton(), 0); // "cut/&delete"
    EXPECT_EQ(asked, std::vector<std::string>{"Do you really want to delete this group?"});
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getRoot()->getNrGroups(), 1u);

    // Nothing to edit in the root.
    mainWin->CB_Menu_editGroup();
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);

    // A new group opens in the editor and is journalled as new when closed.
    const int files = engine->incsave_getNrOfFiles();
    mainWin->CB_Menu_newGroup();
    ASSERT_EQ(mainWin->screen(), SCREEN_GROUP);
    EXPECT_STREQ(mainWin->groupCountBox()->label(), "0/0 ( 100%) done");
    mainWin->editSummary()->value("Shopping");
    mainWin->CB_Done();
    ASSERT_EQ(engine->incsave_getNrOfFiles(), files + 1);
    const std::string entry = journal(unsigned(files));
    EXPECT_NE(entry.find("<new parent="), std::string::npos) << entry;
    EXPECT_NE(entry.find("sShopping\n"), std::string::npos) << entry;
}

TEST_F(ItemEditorTest, CryptMenuAndFlagFollowTheLogin) {
    engine->getCrypt() = CryptMan(50);
    mainWin->UpdateCryptMenu();
    auto* addPwdItem =
        const_cast<Fl_Menu_Item*>(mainWin->menuButton()->find_item("Crypt/Add Pwd..."));
    auto* loginItem = const_cast<Fl_Menu_Item*>(mainWin->menuButton()->find_item("Crypt/Login..."));
    ASSERT_NE(addPwdItem, nullptr);
    ASSERT_NE(loginItem, nullptr);
    Fl_Menu_Item& addPwd = *addPwdItem;
    Fl_Menu_Item& login = *loginItem;
    EXPECT_TRUE(addPwd.active());
    EXPECT_FALSE(login.active());

    WindowDriver add("Add decryption password", [](Fl_Window* w) {
        childLabelled<Fl_Input>(w, "Password description:")->value("home");
        childLabelled<Fl_Input>(w, "Hidden input:")->value("s3cret");
        childLabelled<Fl_Button>(w, "OK")->do_callback();
    });
    mainWin->menuButton()->picked(&addPwd);
    EXPECT_TRUE(add.ran());
    EXPECT_TRUE(engine->getCrypt().IsLoggedIn());
    EXPECT_TRUE(addPwd.active());
    EXPECT_FALSE(login.active());

    // Logged in: the flag can be set, and the description is stored enciphered.
    ToDoListToDo* t = addToDo(engine->getRoot(), "secret");
    openFirst();
    EXPECT_TRUE(mainWin->editCrypt()->active());
    mainWin->editCrypt()->value(1);
    mainWin->editCrypt()->do_callback();
    EXPECT_TRUE(engine->getItemSaveCrypt());
    mainWin->SetDescrBuffer("the hidden text");
    mainWin->CB_Done();
    ASSERT_EQ(engine->writeData(dir.file("gui.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("gui.dat")).find("the hidden text"), std::string::npos);

    // After a restart nobody is logged in: opening the item asks for the
    // password first, and only a right one lets the editor open.
    delete mainWin;
    mainWin = nullptr;
    engine = std::make_unique<Velk>();
    engine->createRoot();
    ASSERT_EQ(engine->readData(dir.file("gui.dat").c_str()), 0);
    make_windows(dir.file("gui.dat").c_str(), 160, 240);
    mainWin->init(engine.get(), "velkXXXXXX.tmp");
    mainWin->showMain(SCREEN_LIST);
    mainWin->show();
    EXPECT_TRUE(login.active());
    EXPECT_FALSE(addPwd.active());
    (void)t;
    for (const char* password : {"wrong", "s3cret"}) {
        WindowDriver ask("Decryption: Login", [&](Fl_Window* w) {
            childLabelled<Fl_Input>(w, "Hidden input:")->value(password);
            childLabelled<Fl_Button>(w, "OK")->do_callback();
        });
        // The dialog itself tells of a wrong password.
        WindowDriver wrong(
            pwdWrongMessage, [](Fl_Window* w) { w->hide(); }, true);
        mainWin->showList(0);
        click(1, 100);
        EXPECT_TRUE(ask.ran());
        EXPECT_EQ(wrong.ran(), std::string(password) == "wrong");
        EXPECT_EQ(mainWin->screen(), SCREEN_LIST) << "the login comes instead of the editor";
    }
    EXPECT_TRUE(engine->getCrypt().IsLoggedIn());
    EXPECT_FALSE(login.active());
    EXPECT_TRUE(addPwd.active());
    click(1, 100);
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    EXPECT_TRUE(mainWin->editCrypt()->value());
    EXPECT_TRUE(mainWin->editCrypt()->active());
    EXPECT_EQ(descr(), "the hidden text");
}

TEST_F(ItemEditorTest, NewItemOpensOnItsBasicsAndAltCClosesWithItsJournalEntry) {
    mainWin->newItemButton()->do_callback();
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    EXPECT_STREQ(mainWin->editSummary()->value(), "<unnamed>");
    EXPECT_TRUE(menu_EditToDoMenu[EM_BASICS].value());
    EXPECT_TRUE(menu_EditToDoMenu[EM_T2GROUP].active());
    EXPECT_TRUE(menu_EditToDoMenu[EM_DELETE].active());
    EXPECT_EQ(mainWin->editMenuButton()->menu(), menu_EditToDoMenu);
    // Every bar button lies inside the 320-pixel window.
    for (Fl_Widget* w :
         {(Fl_Widget*)mainWin->closeButton(), (Fl_Widget*)mainWin->editMenuButton(),
          (Fl_Widget*)mainWin->editPageButton(), (Fl_Widget*)mainWin->editStartStop(),
          (Fl_Widget*)mainWin->editExtEdit()}) {
        EXPECT_TRUE(w->visible()) << w->label();
        EXPECT_LE(w->x() + w->w(), mainWin->w()) << w->label();
        EXPECT_EQ(w->y(), mainWin->h() - 30) << w->label();
    }
    // "keyboard" keeps 60 pixels free below the editor for the clock strip.
    pick(mainWin->editMenuButton(), 7);
    EXPECT_TRUE(engine->getOptShowKbd());
    EXPECT_TRUE(mainWin->kbdBox()->visible());
    EXPECT_EQ(mainWin->editMenuButton()->y(), mainWin->h() - 90);
    mainWin->CB_hideKbd();
    EXPECT_EQ(mainWin->editMenuButton()->y(), mainWin->h() - 30);

    mainWin->editSummary()->value("brand new");
    key('c', FL_ALT);
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    ASSERT_EQ(engine->incsave_getNrOfFiles(), 1);
    EXPECT_NE(journal(0).find("sbrand new\n"), std::string::npos);
    EXPECT_EQ(lines(), std::vector<std::string>{"@B55o\t@B55@.brand new"});

    // In the calendar an item cannot be turned into a group.
    engine->setMainViewType(MAINVIEW_CALENDAR);
    mainWin->setMenuActive();
    EXPECT_FALSE(menu_EditToDoMenu[EM_T2GROUP].active());
    EXPECT_TRUE(menu_EditToDoMenu[EM_DELETE].active());
}

} // namespace
