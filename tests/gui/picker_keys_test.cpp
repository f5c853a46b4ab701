// The date and time pickers of the item editor used from the keyboard alone.

#include "gui_fixture.h"

namespace {

TEST_F(GuiTest, DatesAndTimesArePickedFromTheKeyboardAlone) {
    addToDo("task");
    mainWin->showList(0);
    clickLine("task", 100);
    Fl_Menu_Button *date = mainWin->editEndDateMenu(), *time = mainWin->editEndTimeMenu();
    // The picker opened ("select" of the due date's or time's menu), the keys
    // pressed in it ("<" ">" "^" "v" the arrows, "[" "]" Page Up and Down, "H"
    // Home, "=" Return, "~" Escape; any other character is typed), then the due date shown and,
    // when the keys left the picker open (Escape closes it then), the text it shows in red.
    const std::tuple<const char*, Fl_Menu_Button*, const char*, const char*> rows[] = {
        {"a date typed", date, "24.12.2026=", "24.12.2026 xx:xx"},
        {"a start day typed", date, "2026-11-22=", "22.11.2026 xx:xx"},
        {"from it by keys", date, "]>>^v=", "24.12.2026 xx:xx"},
        {"Escape after moving changes nothing", date, "[<H~", "24.12.2026 xx:xx"},
        {"a month's last day carries", date, "31.1.2027=]=", "28.02.2027 xx:xx"},
        {"a past day of this year", date, "1.2.=", "01.02.2011 xx:xx"},
        {"no date is refused", date, "31.04.2026=", "01.02.2011 xx:xx 31.04.2026 ?"},
        {"a time typed", time, "14:30=", "01.02.2011 14:30"},
        {"without the colon", time, "1412=", "01.02.2011 14:12"},
        {"arrows step five minutes", time, "^^v^^^=", "01.02.2011 14:30"},
        {"no time is refused", time, "9:60=", "01.02.2011 14:30 9:60 ?"},
        {"Escape after typing changes nothing", time, "905~", "01.02.2011 14:30"},
    };
    for (const auto& [rule, menu, keys, shown] : rows) {
        SCOPED_TRACE(rule);
        std::string red;
        WindowDriver picker("Selector", [&, keys = keys](Fl_Window* w) {
            for (char c : std::string(keys)) {
                const std::size_t k = std::string("<>^v[]H=~").find(c);
                const int named[] = {FL_Left,      FL_Right, FL_Up,    FL_Down,  FL_Page_Up,
                                     FL_Page_Down, FL_Home,  FL_Enter, FL_Escape};
                k != std::string::npos ? press(w, named[k])
                                       : press(w, c, 0, std::string(1, c).c_str());
            }
            for (int i = 0; w->visible() && i < w->children(); ++i)
                if (w->child(i)->labelcolor() == FL_RED)
                    red = std::string(" ") + w->child(i)->label();
            if (w->visible()) press(w, FL_Escape);
        });
        pick(menu, menu == date ? 2 : 1);
        EXPECT_EQ(mainWin->editEndBox()->label() + red, shown);
    }
}

} // namespace
