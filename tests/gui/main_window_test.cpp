// The main window at its narrowest, and what keys and clicks do on the list
// and in the calendar.

#include "gui/date_select.h"
#include "gui_fixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Text_Editor.H>

namespace {

struct Rect {
    int x, y, w, h;
    std::string name;
    bool overlaps(const Rect& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

// The width and height of c's label as drawn ("&x" shows x underlined).
std::pair<int, int> labelSize(Fl_Widget* c) {
    const std::string text =
        std::regex_replace(c->label() ? c->label() : "", std::regex("&(.)"), "$1");
    int w = 0, h = 0;
    fl_font(c->labelfont(), c->labelsize());
    if (!text.empty()) fl_measure(text.c_str(), w, h, 0);
    return {w, h};
}

// What the user sees of the shown widgets in g: each widget's box, a check
// button as far as its mark and label reach, a clipped text box as far as its
// text, and each label drawn outside its widget. Labels inside must fit.
void collect(Fl_Group* g, std::vector<Rect>& out) {
    for (int i = 0; i < g->children(); ++i) {
        Fl_Widget* c = g->child(i);
        if (!c->visible() || c->w() == 0 || c->h() == 0) continue;
        const auto [lw, lh] = labelSize(c);
        const std::string name = c->label() ? c->label() : "";
        const Fl_Align a = c->align();
        if (lw && !(a & FL_ALIGN_INSIDE) && (a & FL_ALIGN_TOP))
            out.push_back({c->x(), c->y() - lh, lw, lh, name + " (label)"});
        else if (lw && !(a & FL_ALIGN_INSIDE) && (a & FL_ALIGN_LEFT))
            out.push_back({c->x() - lw, c->y(), lw, c->h(), name + " (label)"});
        const bool inside = (a & FL_ALIGN_INSIDE) || !(a & (FL_ALIGN_TOP | FL_ALIGN_LEFT));
        if (Fl_Group* sub = c->as_group()) {
            collect(sub, out);
            continue;
        }
        if (dynamic_cast<Fl_Check_Button*>(c))
            out.push_back({c->x(), c->y(), 24 + lw, c->h(), name});
        else if (dynamic_cast<Fl_Box*>(c) && (a & FL_ALIGN_CLIP))
            out.push_back({c->x(), c->y(), std::min(c->w(), lw + 4), c->h(), name});
        else
            out.push_back({c->x(), c->y(), c->w(), c->h(), name});
        // The About text and the import and export prompts are wider than the
        // narrowest window: they are cut there for now.
        if (inside && c != mainWin->promptBox() && c != mainWin->aboutBox()) {
            EXPECT_LE(lw, c->w()) << name << " is cut";
        }
    }
}

TEST_F(GuiTest, EveryScreenFitsTheNarrowestWindow) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "running");
    engine->setItem(t);
    engine->setDate(DATE_END, 2011, 3, 9);
    engine->setDate(DATE_BEGIN, 2011, 3, 5);
    engine->setItemRunning(true);
    addGroup(engine->getRoot(), "group");
    const std::pair<const char*, std::function<void()>> screens[] = {
        {"list with the jobs button", [] { mainWin->showList(0); }},
        {"calendar", [] { mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR); }},
        {"item basics with both dates",
         [this] { mainWin->CB_Menu_VelkView(MAINVIEW_NORMAL), clickLine("running", 100); }},
        {"item times", [] { mainWin->showMain(SCREEN_ITEM_TIMES); }},
        {"item description", [] { mainWin->showMain(SCREEN_ITEM_DESCRIPTION); }},
        {"item with the clock strip", [] { pick(mainWin->editMenuButton(), EM_KEYBOARD); }},
        {"group editor",
         [this] { mainWin->CB_Done(), mainWin->CB_hideKbd(), clickLine("group", 10); }},
        {"input", [] { mainWin->CB_Done(), mainWin->showInput(INPUT_IMPORT); }},
        {"about", [] { mainWin->showMain(SCREEN_ABOUT); }},
    };
    for (const auto& [name, show] : screens) {
        SCOPED_TRACE(name);
        show();
        std::vector<Rect> seen;
        collect(mainWin, seen);
        ASSERT_GE(seen.size(), 2u);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const Rect& a = seen[i];
            EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.w <= 320 && a.y + a.h <= mainWin->h())
                << a.name << " is cut";
            for (std::size_t j = i + 1; j < seen.size(); ++j)
                EXPECT_FALSE(a.overlaps(seen[j]))
                    << a.name << " overlaps " << seen[j].name << a.x << "," << a.y << "," << a.w
                    << "," << a.h << " " << seen[j].x << "," << seen[j].y << "," << seen[j].w << ","
                    << seen[j].h;
        }
    }
}

// What the window shows now, in short: the path and the selected line of
// the list, the text of the description page, or the screen's number.
std::string shown(GuiTest& t) {
    if (!mainWin->shown()) return "closed";
    if (mainWin->screen() == SCREEN_ITEM_DESCRIPTION) return "descr: " + mainWin->GetDescrBuffer();
    if (mainWin->screen() != SCREEN_LIST) return "screen " + std::to_string(mainWin->screen());
    std::string selected;
    for (int i = 1; i <= mainWin->listView()->size(); ++i)
        if (mainWin->listView()->selected(i)) selected = t.lines()[std::size_t(i - 1)];
    return "/" + mainWin->pathText() + " " + selected;
}

constexpr int CLOSE_BOX = -1;

TEST_F(GuiTest, KeysMoveOpenCompleteAndCloseButEscapeNeverEndsTheRun) {
    addToDo(addGroup(engine->getRoot(), "Grp"), "inside");
    addToDo(engine->getRoot(), "one");
    addToDo(engine->getRoot(), "two");
    mainWin->showList(0);
    mainWin->listView()->select(1);
    const std::string wide = "  first " + std::string(72, 'w');
    struct Row {
        const char* rule;
        const char* typed; // the description before the key, the cursor at its end
        int key, state;
        const char* text;
        std::string shown;
    };
    const Row rows[] = {
        {"Up on the first line stays", nullptr, FL_Up, 0, "", "/ o\t@.one"},
        {"Down moves one line", nullptr, FL_Down, 0, "", "/ o\t@.two"},
        {"Enter completes the selected todo, the selection keeps its line", nullptr, FL_Enter, 0, "",
         "/ o\t@.one"},
        {"Down on the last line stays", nullptr, FL_Down, 0, "", "/ x\t@.two"},
        {"", nullptr, FL_Down, 0, "", "/ x\t@.two"},
        {"Up moves one line", nullptr, FL_Up, 0, "", "/ o\t@.one"},
        {"", nullptr, FL_Up, 0, "", "/ @bO\t@b@.Grp"},
        {"Right enters a group on its first line", nullptr, FL_Right, 0, "", "/Grp o\t@.inside"},
        {"Left goes back to the group's line", nullptr, FL_Left, 0, "", "/ @bO\t@b@.Grp"},
        {"Escape does not end the run", nullptr, FL_Escape, 0, "", "/ @bO\t@b@.Grp"},
        {"Alt+N opens a new item", nullptr, 'n', FL_ALT, "n", "screen 2"},
        {"Escape does not close the editor", nullptr, FL_Escape, 0, "", "screen 2"},
        {"Ctrl+BackSpace deletes the word before the cursor", "keep these words,  ", FL_BackSpace,
         FL_CTRL, "", "descr: keep these "},
        {"BackSpace deletes one character", nullptr, FL_BackSpace, 0, "", "descr: keep these"},
        {"typing past the line's end wraps it", wide.c_str(), 'x', 0, "x",
         "descr:   first\n  " + std::string(72, 'w') + "x"},
        {"Alt+C closes the editor", nullptr, 'c', FL_ALT, "c", "/ "},
        {"the close box ends the run", nullptr, CLOSE_BOX, 0, "", "closed"},
        {"so does Ctrl+Q", nullptr, 'q', FL_CTRL, "q", "closed"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        if (!mainWin->shown()) mainWin->show();
        if (r.typed) {
            if (mainWin->screen() != SCREEN_ITEM_DESCRIPTION) click(mainWin->editPageButton());
            mainWin->SetDescrBuffer(r.typed);
            mainWin->editDescr()->insert_position(int(std::strlen(r.typed)));
        }
        if (r.key == CLOSE_BOX)
            closeBox(mainWin);
        else
            key(r.key, r.state, r.text);
        EXPECT_EQ(shown(*this), r.shown) << ::testing::PrintToString(lines());
    }
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 2) << "the completion and the new item are journaled";
}

TEST_F(GuiTest, ClicksOnMarkersCompleteAndClicksOnTextsOpen) {
    addToDo(engine->getRoot(), "task");
    engine->setItem(addToDo(engine->getRoot(), "noted"));
    engine->setItemDescription("written");
    addGroup(engine->getRoot(), "Home");
    mainWin->showList(0);
    const int rightHalf = MARKER_COLUMN_WIDTH + mainWin->halfWidth() + 10;
    struct Row {
        const char* rule;
        const char* line;
        int x, state, screen;
        std::string shown; // the line clicked, or what the editor shows
    };
    const Row rows[] = {
        {"a click on a todo's marker completes it", "task", 10, 0, SCREEN_LIST, "x\t@.task"},
        {"and a second opens it again", "task", 10, 0, SCREEN_LIST, "o\t@.task"},
        {"Ctrl+click only selects", "task", 10, FL_CTRL, SCREEN_LIST, "o\t@.task"},
        {"a click on the text opens the editor", "task", 100, 0, SCREEN_ITEM_BASICS, "task"},
        {"the right half opens the description", "noted", rightHalf, 0, SCREEN_ITEM_DESCRIPTION,
         "written"},
        {"unless there is none", "task", rightHalf, 0, SCREEN_ITEM_BASICS, "task"},
        {"a group's marker opens its editor", "Home", 10, 0, SCREEN_GROUP, "Home"},
        {"a group's text enters it", "Home", 100, 0, SCREEN_LIST, "Home"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        clickLine(r.line, r.x, r.state);
        EXPECT_EQ(mainWin->screen(), r.screen);
        if (r.screen == SCREEN_LIST && lineOf(r.line))
            EXPECT_EQ(lines()[std::size_t(lineOf(r.line) - 1)], r.shown);
        else if (r.screen == SCREEN_LIST)
            EXPECT_EQ(mainWin->pathText(), r.shown);
        else if (r.screen == SCREEN_ITEM_DESCRIPTION)
            EXPECT_EQ(mainWin->GetDescrBuffer(), r.shown);
        else
            EXPECT_EQ(mainWin->editSummary()->value(), r.shown);
        if (mainWin->screen() != SCREEN_LIST) mainWin->CB_Done();
        if (!mainWin->pathText().empty()) key(FL_Left);
    }
}

TEST_F(GuiTest, CalendarButtonsAndMenusMoveTheShownDays) {
    Fl_Menu_Button* menu = mainWin->menuButton();
    menu->picked(menu->find_item("&View/calendar"));
    ASSERT_EQ(menu->menu(), menu_CalMenu);
    struct Row {
        const char* rule;
        const char* button; // or a menu entry
        const char* picker; // the date picker's steps
        int firstDayOfMarch, span;
    };
    const Row rows[] = {
        {"Today", "Today", nullptr, 5, 7},
        {"one day on", "+", nullptr, 6, 7},
        {"the shown span on", ">", nullptr, 13, 7},
        {"the shown span back", "<", nullptr, 6, 7},
        {"one day back", "-", nullptr, 5, 7},
        {"a day from the picker", "Select", "4:7 Done", 20, 7},
        {"a cancelled picker moves nothing", "Select", "2:7 Cancel", 20, 7},
        {"the span from the menu", "&View/one day", nullptr, 20, 1},
        {"14 days", "&View/14 days", nullptr, 20, 14},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        WindowDriver picker("DateSelector", [&](Fl_Window* w) {
            runDate(*static_cast<DateSelect*>(w->user_data()), r.picker ? r.picker : "Cancel");
        });
        if (const Fl_Menu_Item* entry = menu->find_item(r.button))
            menu->picked(entry);
        else
            click(childLabelled(mainWin, r.button));
        EXPECT_EQ(picker.ran(), r.picker != nullptr);
        EXPECT_EQ(engine->getCalFirstDay(), on(2011, 3, r.firstDayOfMarch));
        EXPECT_EQ(engine->getCalSpan(), r.span);
    }
    menu->picked(menu->find_item("&View/data"));
    EXPECT_EQ(menu->menu(), menu_Menu);
    EXPECT_EQ(engine->getMainViewType(), MAINVIEW_NORMAL);
}

} // namespace
