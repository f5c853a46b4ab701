// Undo in the real window: a deleted group comes back with Ctrl+Z.

#include "gui_fixture.h"
#include "support/organizer.h"

#include <FL/Fl_Menu_Button.H>

namespace {

// The label of the main menu's entry that begins with prefix, picked when pick.
std::string entry(const std::string& prefix, bool pick = false) {
    Fl_Menu_Button* m = mainWin->menuButton();
    for (int n = 0; n < m->size(); ++n) {
        const Fl_Menu_Item& i = m->menu()[n];
        if (i.label() && std::string(i.label()).rfind(prefix, 0) == 0) {
            if (pick) m->picked(&i);
            return i.label();
        }
    }
    return std::string();
}

} // namespace

// A group cut from the menu comes back whole with Ctrl+Z, selected in the
// list; the menu names the step to undo, then the one to redo.
TEST_F(GuiTest, ACutGroupComesBackSelectedWithCtrlZ) {
    addToDo("Report", addGroup("Work"));
    addGroup("Home");
    T_SaveReport saved;
    ASSERT_EQ(engine->saveData(saved), 0) << saved.error;
    mainWin->showList(0);
    EXPECT_EQ(entry("undo"), "undo");
    clickLine("Work", 100);
    ASSERT_EQ(entry("cut/delete", true), "cut/delete");
    ASSERT_EQ(findGroup(*engine->getRoot(), "Work"), nullptr);
    EXPECT_EQ(entry("undo"), "undo: delete group Work");
    press(mainWin, 'z', FL_CTRL);
    ToDoListGroup* work = findGroup(*engine->getRoot(), "Work");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->getNrToDos(), 1u);
    const int line = mainWin->listView()->value();
    ASSERT_GT(line, 0);
    EXPECT_TRUE(lines()[std::size_t(line - 1)].ends_with("Work")) << lines()[std::size_t(line - 1)];
    EXPECT_EQ(entry("redo"), "redo: delete group Work");
    EXPECT_EQ(entry("undo"), "undo");
}
