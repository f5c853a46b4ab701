// The keys of the list, the calendar and the item editor, as the help lists
// them, and a search run from the keyboard.

#include "gui/screen_keys.h"
#include "gui_fixture.h"
#include "support/organizer.h"

#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

namespace {

int selected() {
    return mainWin->listView()->value();
}

} // namespace

// F1 and "keys…" list every key of the list; Home, End, the arrows and Enter
// do what the list says; in the calendar Ctrl+Page Down and Ctrl+Page Up page
// by the days shown (two weeks ahead and back again) and Home goes to today.
TEST_F(GuiTest, TheKeysTheHelpListsDoWhatItSays) {
    for (const char* s : {"one", "two", "three", "four"})
        addToDo(s);
    mainWin->showList(0);
    press(mainWin, FL_F + 1);
    ASSERT_FALSE(asked.empty());
    const std::string help = asked.back();
    for (const T_ScreenKey& k : listScreenKeys())
        EXPECT_NE(help.find(std::string(k.name) + ": " + k.what), std::string::npos) << k.name;
    asked.clear();
    choose("keys…");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], help);
    // The entries show the keys that do the same.
    for (auto [entry, key] : {std::pair{"keys…", "F1"},
                              {"E&xit", "Ctrl+Q"},
                              {"undo", "Ctrl+Z"},
                              {"redo", "Ctrl+Shift+Z"}}) {
        EXPECT_STREQ(fl_shortcut_label(mainWin->menuButton()->find_item(entry)->shortcut()), key);
        EXPECT_NE(help.find(std::string(key) + ": "), std::string::npos) << key;
    }

    const int n = mainWin->listView()->size();
    ASSERT_EQ(n, 4);
    press(mainWin, FL_End);
    EXPECT_EQ(selected(), n);
    press(mainWin, FL_Page_Up, FL_CTRL); // outside the calendar: the line above
    EXPECT_EQ(selected(), n - 1);
    press(mainWin, FL_Home);
    EXPECT_EQ(selected(), 1);
    press(mainWin, FL_Page_Down);
    EXPECT_EQ(selected(), 2);
    const std::string second = lines()[1].substr(lines()[1].find('\t') + 1);
    press(mainWin, FL_Enter);
    ToDoListToDo* t = findToDo(*engine->getRoot(), second.substr(second.rfind('.') + 1));
    ASSERT_NE(t, nullptr) << second;
    EXPECT_TRUE(t->isCompleted());

    choose("&View/calendar");
    engine->setCalSpan(7);
    const packedDT today = packDate(5, 3, 2011);
    EXPECT_EQ(engine->getCalFirstDay() & DT_DATEMASK, today);
    press(mainWin, FL_Page_Down, FL_CTRL);
    press(mainWin, FL_Page_Down, FL_CTRL);
    EXPECT_EQ(engine->getCalFirstDay() & DT_DATEMASK, packDate(19, 3, 2011));
    press(mainWin, FL_Page_Up, FL_CTRL);
    EXPECT_EQ(engine->getCalFirstDay() & DT_DATEMASK, packDate(12, 3, 2011));
    press(mainWin, FL_Home);
    EXPECT_EQ(engine->getCalFirstDay() & DT_DATEMASK, today);
    press(mainWin, FL_F + 1);
    EXPECT_NE(asked.back().find("Keys of the calendar"), std::string::npos);
}

// The search screen runs its search on Enter, typed without the mouse; the
// item editor's F1 lists its own keys.
TEST_F(GuiTest, ASearchRunsOnEnterAndTheEditorListsItsKeys) {
    addToDo("Pay the bill");
    addToDo("Call the bank");
    mainWin->showList(0);
    mainWin->showInput(INPUT_SEARCH);
    for (const char* c : {"b", "a", "n", "k"})
        press(mainWin, c[0], 0, c);
    EXPECT_STREQ(mainWin->inputField()->value(), "bank");
    press(mainWin, FL_Enter);
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_SEARCH);
    ASSERT_EQ(lines().size(), 1u);
    EXPECT_TRUE(lines()[0].ends_with("Call the bank")) << lines()[0];

    press(mainWin, FL_Home);
    press(mainWin, FL_Right); // opens the entry in the item editor
    ASSERT_TRUE(mainWin->screen() != SCREEN_LIST);
    asked.clear();
    press(mainWin, FL_F + 1);
    ASSERT_EQ(asked.size(), 1u);
    for (const T_ScreenKey& k : itemEditorKeys())
        EXPECT_NE(asked[0].find(k.name), std::string::npos) << k.name;
    const Fl_Menu_Item* keys = mainWin->editMenuButton()->find_item("keys…");
    EXPECT_STREQ(fl_shortcut_label(keys->shortcut()), "F1");
    pick(mainWin->editMenuButton(), int(keys - mainWin->editMenuButton()->menu()));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], asked[0]);
    mainWin->CB_Done(), mainWin->showInput(INPUT_IMPORT);
    press(mainWin, FL_F + 1);
    EXPECT_NE(asked.back().find("Keys of this screen:\n\nF1: these keys\nCtrl++: "),
              std::string::npos);
}
