// The main window at its narrowest, and what keys and clicks do on the list
// and in the calendar.

#include "gui_fixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Text_Editor.H>

namespace {

struct Seen {
    int x, y, w, h;
    std::string name;
};

// What the user sees of the shown widgets in g: each widget's box, a check
// button as far as its mark and label reach, a clipped text box as far as its
// text, and each label drawn outside its widget. Labels inside must fit.
void collect(Fl_Group* g, std::vector<Seen>& out) {
    for (int i = 0; i < g->children(); ++i) {
        Fl_Widget* c = g->child(i);
        if (!c->visible() || c->w() == 0 || c->h() == 0) continue;
        const std::string name = c->label() ? c->label() : "";
        int lw = 0, lh = 0; // "&x" shows an underlined x
        fl_font(c->labelfont(), c->labelsize());
        fl_measure(std::regex_replace(name, std::regex("&(.)"), "$1").c_str(), lw, lh, 0);
        const Fl_Align a = c->align();
        const bool inside = (a & FL_ALIGN_INSIDE) || !(a & (FL_ALIGN_TOP | FL_ALIGN_LEFT));
        if (lw && !inside && (a & FL_ALIGN_TOP)) out.push_back({c->x(), c->y() - lh, lw, lh, name});
        if (lw && !inside && a == FL_ALIGN_LEFT) out.push_back({c->x() - lw, c->y(), lw, lh, name});
        int w = dynamic_cast<Fl_Check_Button*>(c) ? 24 + lw : c->w();
        if (dynamic_cast<Fl_Box*>(c) && (a & FL_ALIGN_CLIP)) w = std::min(w, lw + 4);
        c->as_group() ? collect(c->as_group(), out)
                      : out.push_back({c->x(), c->y(), w, c->h(), name});
        // The About text and the import and export prompts are wider than the
        // narrowest window: they are cut there for now.
        EXPECT_TRUE(!inside || lw <= c->w() || c == mainWin->promptBox() ||
                    c == mainWin->aboutBox())
            << name << " is cut";
    }
}

// At factors 1, 1.5 and 2 every screen fits the narrowest window (320 x 480)
// times the factor, and nothing overlaps.
TEST_F(GuiTest, EveryScreenFitsTheNarrowestWindowAtEveryFactor) {
    engine->setItem(addToDo("running"));
    engine->setDate(DATE_END, 2011, 3, 9);
    engine->setDate(DATE_BEGIN, 2011, 3, 5);
    engine->setItemRunning(true);
    engine->getCurItem()->skipDay(on(2011, 3, 12)); // "skips 1 day" and "clear skipped"
    addGroup("group");
    const std::pair<const char*, std::function<void()>> screens[] = {
        {"list with the jobs button", [] { mainWin->showMain(SCREEN_LIST), mainWin->showList(0); }},
        {"calendar", [] { mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR); }},
        {"item basics, both dates",
         [&] { mainWin->CB_Menu_VelkView(MAINVIEW_NORMAL), clickLine("running", 99); }},
        {"item times", [] { mainWin->showMain(SCREEN_ITEM_TIMES); }},
        {"item description", [] { mainWin->showMain(SCREEN_ITEM_DESCRIPTION); }},
        {"item and clock strip", [] { pick(mainWin->editMenuButton(), EM_KEYBOARD); }},
        {"group editor", [&] { mainWin->CB_Done(), mainWin->CB_hideKbd(), clickLine("group", 9); }},
        {"input", [] { mainWin->CB_Done(), mainWin->showInput(INPUT_IMPORT); }},
        {"about", [] { mainWin->showMain(SCREEN_ABOUT); }},
    };
    for (const double factor : {1.0, 1.5, 2.0}) {
        setUiScale(factor);
        openWindow();
        ASSERT_EQ(mainWin->w(), int(320 * factor));
        const int W = mainWin->w(), H = mainWin->h();
        for (const auto& [name, show] : screens) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(factor));
            show();
            std::vector<Seen> seen;
            collect(mainWin, seen);
            for (auto a = seen.begin(); a != seen.end(); ++a) {
                EXPECT_TRUE(a->x >= 0 && a->y >= 0 && a->x + a->w <= W && a->y + a->h <= H)
                    << a->name << " is cut";
                for (auto b = a + 1; b != seen.end(); ++b)
                    EXPECT_FALSE(a->x < b->x + b->w && b->x < a->x + a->w && a->y < b->y + b->h &&
                                 b->y < a->y + a->h)
                        << a->name << " overlaps " << b->name;
            }
        }
        // However often the window was laid out, a menu's text is scaled once.
        EXPECT_EQ(mainWin->menuButton()->menu()->labelsize(), int(20 * factor));
    }
}

// The height of the list's first line of text as the screen shows it, read
// back from the window: at factor 2 it is about twice that at 1, and Ctrl++
// makes it larger while the window is open.
TEST_F(GuiTest, TextOnTheScreenGrowsWithTheFactor) {
    addToDo("Hg");
    mainWin->showList(0);
    const int at1 = shownInkHeight();
    setUiScale(2), openWindow();
    const int at2 = shownInkHeight();
    // The font's hinting rounds each size its own way: about twice, not exactly.
    EXPECT_GE(at1, 8);
    EXPECT_TRUE(at2 >= 1.8 * at1 && at2 <= 2.3 * at1) << at1 << " at 1, " << at2 << " at 2";
    press(mainWin, '+', FL_CTRL, "+");
    EXPECT_EQ(mainWin->w(), int(320 * 2.25));
    EXPECT_GT(shownInkHeight(), at2);
    press(mainWin, '-', FL_CTRL, "-"), press(mainWin, '-', FL_CTRL, "-");
    EXPECT_EQ(uiScale(), 1.75);
}

TEST_F(GuiTest, KeysMoveOpenCompleteAndCloseButEscapeNeverEndsTheRun) {
    addToDo("inside", addGroup("Grp"));
    addToDo("one");
    addToDo("two");
    mainWin->showList(0);
    mainWin->listView()->select(1);
    const std::string wide = "  first " + std::string(72, 'w'), wrapped = std::string(72, 'w');
    // The key (0: the close box) with its modifiers, the description before
    // it (the cursor at its end), and what the window shows after it.
    const std::tuple<const char*, int, int, std::string, std::string> rows[] = {
        {"Up on the first line stays", FL_Up, 0, "", "/ o\t@.one"},
        {"Down moves one line", FL_Down, 0, "", "/ o\t@.two"},
        {"Enter completes the selected todo, keeping the line", FL_Enter, 0, "", "/ o\t@.one"},
        {"Down on the last line stays", FL_Down, 0, "", "/ x\t@.two"},
        {"", FL_Down, 0, "", "/ x\t@.two"},
        {"Up moves one line", FL_Up, 0, "", "/ o\t@.one"},
        {"", FL_Up, 0, "", "/ @bO\t@b@.Grp"},
        {"Right enters a group on its first line", FL_Right, 0, "", "/Grp o\t@.inside"},
        {"Left goes back to the group's line", FL_Left, 0, "", "/ @bO\t@b@.Grp"},
        {"Escape does not end the run", FL_Escape, 0, "", "/ @bO\t@b@.Grp"},
        {"Alt+N opens a new item", 'n', FL_ALT, "", "screen 2"},
        {"Escape does not close the editor", FL_Escape, 0, "", "screen 2"},
        {"Ctrl+BackSpace deletes a word", FL_BackSpace, FL_CTRL, "keep it, ", "descr: keep "},
        {"BackSpace deletes one character", FL_BackSpace, 0, "", "descr: keep"},
        {"typing past a line's end wraps it", 'x', 0, wide, "descr:   first\n  " + wrapped + "x"},
        {"Alt+C closes the editor", 'c', FL_ALT, "", "/ "},
        {"the close box ends the run", 0, 0, "", "closed"},
        {"so does Ctrl+Q", 'q', FL_CTRL, "", "closed"},
    };
    for (const auto& [rule, k, state, typed, shown] : rows) {
        SCOPED_TRACE(rule);
        if (!mainWin->shown()) mainWin->show();
        if (!typed.empty()) {
            if (mainWin->screen() != SCREEN_ITEM_DESCRIPTION) click(mainWin->editPageButton());
            mainWin->SetDescrBuffer(typed.c_str());
            mainWin->editDescr()->insert_position(int(typed.size()));
        }
        const char text[2] = {char(k < 128 ? k : 0), 0};
        k == 0 ? void(Fl::handle(FL_CLOSE, mainWin)) : press(mainWin, k, state, text);
        std::string selected, now = "screen " + std::to_string(mainWin->screen());
        for (int i = 1; i <= mainWin->listView()->size(); ++i)
            if (mainWin->listView()->selected(i)) selected = lines()[std::size_t(i - 1)];
        if (mainWin->screen() == SCREEN_LIST) now = "/" + mainWin->pathText() + " " + selected;
        if (mainWin->screen() == SCREEN_ITEM_DESCRIPTION)
            now = "descr: " + mainWin->GetDescrBuffer();
        EXPECT_EQ(mainWin->shown() ? now : "closed", shown);
    }
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 2) << "the completion and the new item are journaled";
}

TEST_F(GuiTest, ClicksOnMarkersCompleteAndClicksOnTextsOpen) {
    addToDo("task");
    engine->setItem(addToDo("noted"));
    engine->setItemDescription("ok");
    addGroup("Home");
    mainWin->showList(0);
    const int right = MARKER_COLUMN_WIDTH + mainWin->halfWidth() + 10;
    // The line clicked, where, and then the screen with the line clicked, the
    // path entered or the text the editor shows.
    const std::tuple<const char*, const char*, int, int, int, std::string> rows[] = {
        {"a click on a todo's marker completes it", "task", 10, 0, SCREEN_LIST, "x\t@.task"},
        {"and a second opens it again", "task", 10, 0, SCREEN_LIST, "o\t@.task"},
        {"Ctrl+click only selects", "task", 10, FL_CTRL, SCREEN_LIST, "o\t@.task"},
        {"a click on the text opens the editor", "task", 100, 0, SCREEN_ITEM_BASICS, "task"},
        {"the right half opens the description", "noted", right, 0, SCREEN_ITEM_DESCRIPTION, "ok"},
        {"unless there is none", "task", right, 0, SCREEN_ITEM_BASICS, "task"},
        {"a group's marker opens its editor", "Home", 10, 0, SCREEN_GROUP, "Home"},
        {"a group's text enters it", "Home", 100, 0, SCREEN_LIST, "/Home"},
    };
    for (const auto& [rule, text, x, state, screen, shown] : rows) {
        SCOPED_TRACE(rule);
        clickLine(text, x, state);
        EXPECT_EQ(mainWin->screen(), screen);
        std::string now = "/" + mainWin->pathText(); // or the line clicked
        for (const std::string& line : lines())
            if (line.ends_with(text)) now = line;
        if (screen == SCREEN_ITEM_DESCRIPTION) now = mainWin->GetDescrBuffer();
        if (screen == SCREEN_ITEM_BASICS || screen == SCREEN_GROUP)
            now = mainWin->editSummary()->value();
        EXPECT_EQ(now, shown);
        if (mainWin->screen() != SCREEN_LIST) mainWin->CB_Done();
        if (!mainWin->pathText().empty()) press(mainWin, FL_Left);
    }
}

// The lines of the calendar: day headers across the list, then each entry
// with its kind's marker, a time span where it begins or ends at a time of
// that day, and its summary; completed todos crossed; stripes alternate.
TEST_F(GuiTest, CalendarLinesShowMarkersTimesAndSummaries) {
    const struct {
        const char* summary;
        int kind; // 0 todo, 1 appointment, 2 note
        int beginDay, beginHour, beginMinute, endDay, endHour, endMinute;
        bool completed;
    } entries[] = {
        {"meeting", 1, 5, 9, 5, 5, 14, 30, false},
        {"trip", 2, 5, 23, 0, 6, 10, 0, false},
        {"report", 0, 0, 0, 0, 6, -1, 0, false},
        {"done", 0, 0, 0, 0, 5, -1, 0, true},
    };
    for (const auto& e : entries) {
        ToDoListToDo* t = addToDo(e.summary);
        engine->setItem(t);
        if (e.kind != 0) engine->setShowTimeAs(e.kind == 1 ? 1 : 0);
        if (e.kind != 0) engine->setItemPriority(e.kind == 1 ? 100 : 200);
        if (e.beginDay) engine->setDate(DATE_BEGIN, 2011, 3, e.beginDay);
        if (e.beginDay) engine->setTime(DATE_BEGIN, e.beginHour, e.beginMinute);
        engine->setDate(DATE_END, 2011, 3, e.endDay);
        if (e.endHour >= 0) engine->setTime(DATE_END, e.endHour, e.endMinute);
        if (e.completed) engine->setItemCompleted();
    }
    mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR);
    engine->setCalFirstDay(on(2011, 3, 5));
    engine->setCalSpan(2);
    mainWin->showList(0);
    std::string lines;
    for (int i = 1; i <= mainWin->listView()->size(); ++i)
        lines += std::string(mainWin->listView()->text(i)) + "\n";
    EXPECT_EQ(lines, "@B50\t@B50@i@b@rSaturday 05.03.2011  9\n"
                     "@B55x\t@B55@.done\n"
                     "@B53o\t@B53@.report\n"
                     "@B55a\t@B55@.(9:05-14:30) meeting\n"
                     "@B53i\t@B53@.(23:00-) trip\n"
                     "\n"
                     "@B50\t@B50@b@rSunday 06.03.2011  9\n"
                     "@B55o\t@B55@.report\n"
                     "@B53i\t@B53@.(-10:00) trip\n"
                     "\n");
}

TEST_F(GuiTest, CalendarButtonsAndMenusMoveTheShownDays) {
    choose("&View/calendar");
    ASSERT_EQ(mainWin->menuButton()->menu(), menu_CalMenu);
    // The button or menu entry, the steps in the date picker it opens, and
    // then the first day shown (in March 2011) and the days shown.
    const std::tuple<const char*, const char*, const char*, int, int> rows[] = {
        {"Today", "Today", "", 5, 7},
        {"one day on", "+", "", 6, 7},
        {"the shown span on", ">", "", 13, 7},
        {"the shown span back", "<", "", 6, 7},
        {"one day back", "-", "", 5, 7},
        {"a day from the picker", "Select", "4:7 Done", 20, 7},
        {"a cancelled picker moves nothing", "Select", "2:7 Cancel", 20, 7},
        {"the span from the menu", "&View/one day", "", 20, 1},
    };
    for (const auto& [rule, button, steps, firstDayOfMarch, span] : rows) {
        SCOPED_TRACE(rule);
        WindowDriver picker("Selector", [&](Fl_Window* w) { run(w, steps); }); // any picker
        *button == '&' ? choose(button) : click(childLabelled(mainWin, button));
        EXPECT_EQ(picker.ran(), *steps != 0);
        EXPECT_EQ(engine->getCalFirstDay(), on(2011, 3, firstDayOfMarch));
        EXPECT_EQ(engine->getCalSpan(), span);
    }
    choose("&View/data");
    EXPECT_EQ(mainWin->menuButton()->menu(), menu_Menu);
}

} // namespace

// "&file" > "export iCalendar..." writes the group shown to the file named on
// the input screen; "import iCalendar..." brings it back as a new group named
// after the file. Each says what it did.
TEST_F(GuiTest, ICalendarFilesGoOutAndComeInThroughTheFileMenu) {
    addToDo("Call Anna", addGroup("Work"));
    addToDo("Buy stamps");
    mainWin->showList(0);
    const std::string file = dir.file("cal.ics");
    choose("&file/export iCalendar...");
    ASSERT_EQ(mainWin->screen(), SCREEN_INPUT);
    mainWin->inputField()->value(file.c_str());
    click(mainWin->closeButton());
    EXPECT_EQ(asked, std::vector<std::string>{"Exported 2 entries to " + file + "."});
    EXPECT_NE(readWholeFile(file).find("SUMMARY:Call Anna\r\n"), std::string::npos);

    asked.clear();
    choose("&file/import iCalendar...");
    mainWin->inputField()->value(file.c_str());
    click(mainWin->closeButton());
    EXPECT_EQ(asked, std::vector<std::string>{"Imported 2 entries into the group \"cal\"."});
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    const std::vector<std::string> shown = lines();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](auto& l) { return l.ends_with("cal"); }))
        << testing::PrintToString(shown);
    EXPECT_EQ(engine->getRoot()->getNrGroups(), 2u);
}
