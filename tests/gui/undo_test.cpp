// Undo in the real window: a deleted group comes back with Ctrl+Z.

#include "gui_fixture.h"
#include "support/organizer.h"

#include <FL/Fl_Menu_Button.H>

// A group cut from the menu comes back whole with Ctrl+Z, selected in the
// list; the menu names the step to undo, then the one to redo, which it redoes.
TEST_F(GuiTest, ACutGroupComesBackSelectedWithCtrlZ) {
    addToDo("Report", addGroup("Work"));
    addGroup("Home");
    T_SaveReport saved;
    ASSERT_EQ(engine->saveData(saved), 0) << saved.error;
    mainWin->showList(0);
    Fl_Menu_Button* menu = mainWin->menuButton();
    EXPECT_NE(menu->find_item("undo"), nullptr);
    clickLine("Work", 100);
    mainWin->CB_Menu_delGroup(); // "&group" > "cut/delete"
    ASSERT_EQ(findGroup(*engine->getRoot(), "Work"), nullptr);
    EXPECT_NE(menu->find_item("undo: delete group Work"), nullptr);
    press(mainWin, 'z', FL_CTRL);
    ToDoListGroup* work = findGroup(*engine->getRoot(), "Work");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->getNrToDos(), 1u);
    const int line = mainWin->listView()->value();
    ASSERT_GT(line, 0);
    EXPECT_TRUE(lines()[std::size_t(line - 1)].ends_with("Work")) << lines()[std::size_t(line - 1)];
    EXPECT_NE(menu->find_item("undo"), nullptr);
    const Fl_Menu_Item* redo = menu->find_item("redo: delete group Work");
    ASSERT_NE(redo, nullptr);
    menu->picked(redo);
    EXPECT_EQ(findGroup(*engine->getRoot(), "Work"), nullptr) << "redone from the menu";
}
