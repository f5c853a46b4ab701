// A todo with a due date and time, made in the main window with keys alone.

#include "engine/editor_text.h"
#include "gui_fixture.h"
#include "support/organizer.h"

namespace {

// A popup menu runs a loop of its own (Fl::grab): from there, Down *downs
// times and Enter.
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
    run(mainWin, "^R ^e ^n ^t"); // each "^x" a key typed
    const std::tuple<Fl_Menu_Button*, int, const char*, const char*, const char*> sides[] = {
        {mainWin->editEndDateMenu(), 3, "DateSelector", "^2 ^4 ^. ^1 ^2 ^. ^2 ^0 ^2 ^6",
         "24.12.2026 xx:xx"},
        {mainWin->editEndTimeMenu(), 2, "TimeSelector", "^1 ^4 ^: ^3 ^0", "24.12.2026 14:30"},
    };
    for (auto [menu, downs, picker, typed, shown] : sides) {
        SCOPED_TRACE(picker);
        // A closed picker gives the keyboard back as a window manager does.
        if (!mainWin->contains(Fl::focus())) Fl::handle(FL_FOCUS, mainWin);
        for (int i = 0; i < 40 && Fl::focus() != menu; ++i)
            press(mainWin, FL_Tab);
        ASSERT_EQ(Fl::focus(), menu) << "the menu never takes the keyboard";
        Fl::add_timeout(0.0, chooseInMenu, &downs);
        WindowDriver driver(picker, [t = typed](Fl_Window* w) { run(w, t), press(w, FL_Enter); });
        press(mainWin, ' ', 0, " ");
        Fl::remove_timeout(chooseInMenu, &downs);
        EXPECT_STREQ(mainWin->editEndBox()->label(), shown);
    }
    // Tab goes round the editor's widgets, never to the list hidden behind it.
    mainWin->editSummary()->take_focus();
    for (int i = 0; i < 30; ++i)
        EXPECT_NE((press(mainWin, FL_Tab), Fl::focus()), mainWin->listView());
    press(mainWin, 'c', FL_ALT, "c");
    ToDoListToDo* t = findToDo(*engine->getRoot(), "Rent");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(dateTime2str(t->getDateTime(0)), "24.12.2026 14:30");
}
