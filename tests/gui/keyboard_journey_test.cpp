// A todo with a due date and time, made in the main window with keys alone.

#include "engine/editor_text.h"
#include "gui_fixture.h"
#include "support/organizer.h"

namespace {

void type(Fl_Window* w, const std::string& text) {
    for (char c : text)
        press(w, c, 0, std::string(1, c).c_str());
}

// Tab until target has the keyboard, at most once round the window. When a
// picker closes, the window manager gives the keyboard back to the window (a
// focus-in), which hands it to the widget that had it.
bool tabTo(Fl_Widget* target) {
    if (!mainWin->contains(Fl::focus())) Fl::handle(FL_FOCUS, mainWin);
    for (int i = 0; i < 40 && Fl::focus() != target; ++i)
        press(mainWin, FL_Tab);
    return Fl::focus() == target;
}

// A popup menu runs a loop of its own while it is open, with every event
// going to it (Fl::grab): from that loop, Down *downs times and Enter.
void chooseInMenu(void* downs) {
    if (!Fl::grab()) return Fl::repeat_timeout(0.01, chooseInMenu, downs);
    for (int i = 0; i < *static_cast<int*>(downs); ++i)
        press(Fl::grab(), FL_Down);
    press(Fl::grab(), FL_Enter);
}

} // namespace

// Alt+N, the summary typed over "<unnamed>", Tab to the due date's menu,
// Space, "select", the date typed in the picker, the same for the time, and
// Alt+C: the todo is due 24.12.2026 14:30.
TEST_F(GuiTest, ATodoIsGivenItsDueDateAndTimeWithKeysAlone) {
    mainWin->showList(0);
    press(mainWin, 'n', FL_ALT, "n");
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    type(mainWin, "Pay rent");
    // The menu, the Downs to its "select", the picker and what is typed
    // there, then the due date and time shown.
    const std::tuple<Fl_Menu_Button*, int, const char*, const char*, const char*> sides[] = {
        {mainWin->editEndDateMenu(), 3, "DateSelector", "24.12.2026", "24.12.2026 xx:xx"},
        {mainWin->editEndTimeMenu(), 2, "TimeSelector", "14:30", "24.12.2026 14:30"},
    };
    for (auto [menu, downs, picker, typed, shown] : sides) {
        SCOPED_TRACE(picker);
        ASSERT_TRUE(tabTo(menu)) << "the menu never takes the keyboard";
        Fl::add_timeout(0.0, chooseInMenu, &downs);
        WindowDriver driver(picker,
                            [typed = typed](Fl_Window* w) { type(w, typed), press(w, FL_Enter); });
        press(mainWin, ' ', 0, " ");
        Fl::remove_timeout(chooseInMenu, &downs);
        EXPECT_TRUE(driver.ran());
        EXPECT_STREQ(mainWin->editEndBox()->label(), shown);
    }
    press(mainWin, 'c', FL_ALT, "c");
    ASSERT_EQ(mainWin->screen(), SCREEN_LIST);
    ToDoListToDo* t = findToDo(*engine->getRoot(), "Pay rent");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(dateTime2str(t->getDateTime(0)), "24.12.2026 14:30");
}
