#pragma once
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/date_grid.h"
#include "gui/date_select.h"
#include "gui/recurrence_select.h"
#include "gui/ui_scale.h"
#include "gui/velk_gui.h"
#include "support/dates.h"
#include "support/temp_dir.h"

#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Select_Browser.H>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <regex>
#include <sstream>
#include <unistd.h>

#include <FL/fl_draw.H> // last: it brings the X headers

// Opens the connection to the X server once, before any window test runs. A
// busy server can refuse a connection for a moment, which the toolkit would
// treat as fatal, so the attempt is repeated for a while first.
struct XDisplay : testing::Environment {
    void SetUp() override {
        for (int attempt = 0; attempt < 100 && !fl_display; ++attempt)
            if (Display* d = XOpenDisplay(nullptr))
                fl_open_display(d);
            else
                usleep(100000);
    }
};
inline testing::Environment* const xDisplay = testing::AddGlobalTestEnvironment(new XDisplay);

// Mouse and keys reach the widgets through the toolkit's own dispatch
// (Fl::handle), as the X server's events do: focus, shortcuts, Escape and the
// close box take the routes they take for a user.

// A left click at x, y in w's coordinates (those of its widgets), once w is
// mapped and drawn as the user sees it (a list knows where its lines are only
// once drawn); the wait ends after a few seconds at most.
inline void clickAt(Fl_Window* w, int x, int y, int state = 0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((Fl::flush(), !w->shown() || w->damage()) && std::chrono::steady_clock::now() < end)
        Fl::wait(0.01);
    Fl::e_x = x, Fl::e_y = y, Fl::e_x_root = w->x() + x, Fl::e_y_root = w->y() + y;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE, Fl::e_clicks = 0, Fl::e_is_click = 1;
    Fl::e_state = state | FL_BUTTON1, Fl::handle(FL_PUSH, w);
    Fl::e_state = state, Fl::handle(FL_RELEASE, w), Fl::e_state = 0;
}
inline void click(Fl_Widget* b) {
    ASSERT_TRUE(b && b->visible());
    clickAt(b->window(), b->x() + b->w() / 2, b->y() + b->h() / 2);
}
// A key pressed while w has the keyboard.
inline void press(Fl_Window* w, int key, int state = 0, const char* text = "") {
    if (!w->contains(Fl::focus())) Fl::focus(w);
    Fl::e_keysym = key, Fl::e_state = state;
    Fl::e_text = const_cast<char*>(text), Fl::e_length = int(std::strlen(text));
    Fl::handle(FL_KEYBOARD, w), Fl::e_state = 0;
}
// Entry n of a menu, as choosing it in the popup does.
inline void pick(Fl_Menu_* m, int n) {
    m->picked(m->menu() + n);
}
// The middle of browser line (1-based), every line being one text line high.
inline int lineY(Fl_Browser* b, int line) {
    fl_font(b->textfont(), b->textsize());
    return b->y() + Fl::box_dy(b->box()) + (line - 1) * fl_height() - b->position() +
           fl_height() / 2;
}

// The n-th (from 0) direct child of g labelled label, as T; null when none.
template <class T = Fl_Widget> T* childLabelled(Fl_Group* g, const char* label, int n = 0) {
    for (int i = 0; i < g->children(); ++i) {
        const char* l = g->child(i)->label();
        if (l && std::strcmp(l, label) == 0 && n-- == 0) return static_cast<T*>(g->child(i));
    }
    return nullptr;
}

// Runs action on the first shown window whose title ends in title (or that
// holds a widget labelled title) from inside the modal loop the test starts
// next. A window the action leaves open is hidden after a few seconds, so that
// a failing test ends.
class WindowDriver {
  public:
    WindowDriver(std::string title, std::function<void(Fl_Window*)> action)
        : title_(std::move(title)), action_(std::move(action)) {
        Fl::add_timeout(0.0, tick, this);
    }
    ~WindowDriver() { Fl::remove_timeout(tick, this); }
    bool ran() const { return ran_; }

  private:
    static void tick(void* p) {
        auto* d = static_cast<WindowDriver*>(p);
        Fl_Window* w = Fl::first_window();
        while (w && !std::string(w->label() ? w->label() : "").ends_with(d->title_) &&
               !childLabelled(w, d->title_.c_str()))
            w = Fl::next_window(w);
        if (w && !d->ran_) d->ran_ = true, d->action_(w);
        if (++d->ticks_ > 300 && w) w->hide();
        if (d->ticks_ <= 300 && (w || !d->ran_)) Fl::repeat_timeout(0.01, tick, p);
    }
    std::string title_;
    std::function<void(Fl_Window*)> action_;
    bool ran_ = false;
    int ticks_ = 0;
};

// Runs the steps, separated by blanks, in dialog w: a button's label (its
// n-th one with "label#n"), "Esc", "Close" (the frame's close box); in the
// date picker "line:column" clicks the grid cell at that browser line and
// weekday column (1 Monday .. 7 Sunday; 0 the week number); in the recurrence
// picker "Tn" picks rule type n and "Bn" / "En" entry n of a range date's menu;
// "^x" presses the key x.
inline void run(Fl_Window* w, const std::string& steps) {
    const std::string title = w->label();
    std::istringstream in(steps);
    for (std::string s; in >> s;) {
        SCOPED_TRACE(s);
        const std::size_t hash = s.find('#');
        if (s.size() == 2 && s[0] == '^') {
            press(w, s[1], 0, s.c_str() + 1);
        } else if (s == "Esc" || s == "Close") {
            s == "Esc" ? press(w, FL_Escape) : void(Fl::handle(FL_CLOSE, w));
        } else if (title == "DateSelector" && s.size() == 3 && s[1] == ':') {
            auto* grid = static_cast<DateSelect*>(w->user_data())->monthView();
            int x = grid->x() + monthGridColumnWidths[s[2] - '0'] / 2;
            for (int c = 0; c < s[2] - '0'; ++c)
                x += monthGridColumnWidths[c];
            clickAt(w, x, lineY(grid, s[0] - '0'));
        } else if (title == "RecurrenceSelector" && s.size() == 2 && std::isdigit(s[1])) {
            auto* rs = static_cast<RecurrenceSelect*>(w->user_data());
            Fl_Menu_* menus[] = {rs->typeChoice(), rs->begDateMenu(), rs->endDateMenu()};
            pick(menus[std::string("TBE").find(s[0])], s[1] - '0');
        } else {
            click(childLabelled(w, s.substr(0, hash).c_str(),
                                hash == s.npos ? 0 : std::stoi(s.substr(hash + 1))));
        }
    }
}

// The real main window, 320 x 480 (the narrowest it can be), on a real engine
// with an empty organizer in a fresh directory (the clipboard file lives
// there), on a clock pinned to Saturday 5 March 2011, 13:00. Message boxes of
// the window are answered by the test and their texts kept in `asked`.
class GuiTest : public testing::Test {
  public:
    void SetUp() override {
        ASSERT_EQ(getcwd(oldCwd, sizeof oldCwd), oldCwd);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        engine = std::make_unique<Velk>();
        engine->createRoot();
        ASSERT_EQ(engine->readData(dir.file("gui.dat").c_str()), 0);
        asked.clear();
        GuiAsk::choice = [](const char* q, const char*, const char*) {
            return asked.push_back(q), 1;
        };
        GuiAsk::message = GuiAsk::alert = [](const char* t) { asked.push_back(t); };
        openWindow();
    }
    // A new main window on the engine, showing the list.
    void openWindow() {
        delete mainWin;
        make_windows(dir.file("gui.dat").c_str(), 160, 240);
        mainWin->init(engine.get(), "velkXXXXXX.tmp");
        mainWin->showMain(SCREEN_LIST);
        mainWin->showList(0);
        mainWin->show();
    }
    void TearDown() override {
        delete mainWin, mainWin = nullptr;
        setUiScale(1);
        engine.reset();
        GuiAsk::useToolkit();
        ASSERT_EQ(chdir(oldCwd), 0);
    }

    // The height of the ink of the list's first line as the window shows it,
    // once drawn: the rows of the window's pixels, read back from the X
    // server, that hold a dark pixel right of the marker column, down to the
    // first blank row.
    int shownInkHeight() const {
        while (Fl::flush(), mainWin->damage())
            Fl::wait(0.01);
        RowBrowser* list = mainWin->listView();
        const int x0 = list->x() + scaled(MARKER_COLUMN_WIDTH), w = list->w() / 2,
                  h = list->h() / 2;
        mainWin->make_current();
        std::unique_ptr<uchar[]> rgb(fl_read_image(nullptr, x0, list->y(), w, h));
        int first = -1, y = 0;
        for (; y < h; ++y) {
            const bool ink = std::any_of(&rgb[3 * y * w], &rgb[3 * (y + 1) * w],
                                         [](uchar c) { return c < 100; });
            if (ink && first < 0) first = y;
            if (!ink && first >= 0) break;
        }
        return first < 0 ? 0 : y - first;
    }
    // The list's lines as shown, without their background colours.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (int i = 1; i <= mainWin->listView()->size(); ++i)
            out.push_back(
                std::regex_replace(mainWin->listView()->text(i), std::regex("@B\\d+"), ""));
        return out;
    }
    // A click at x on the list line ending in text.
    void clickLine(const std::string& text, int x, int state = 0) {
        const std::vector<std::string> l = lines();
        const auto at =
            std::find_if(l.begin(), l.end(), [&](auto& s) { return s.ends_with(text); });
        ASSERT_NE(at, l.end()) << text;
        clickAt(mainWin, x, lineY(mainWin->listView(), int(at - l.begin() + 1)), state);
    }
    // The entry of the main window's menu at path ("&View/calendar").
    static void choose(const char* path) {
        mainWin->menuButton()->picked(mainWin->menuButton()->find_item(path));
    }
    // A new todo of g (the root when null) or a new group of the root.
    ToDoListToDo* addToDo(const std::string& summary, ToDoListGroup* g = nullptr) {
        return named((g ? g : engine->getRoot())->newToDo(), summary);
    }
    ToDoListGroup* addGroup(const std::string& summary) {
        return named(engine->getRoot()->newGroup(), summary);
    }
    template <class T> T* named(T* item, const std::string& summary) {
        item->setSummary(summary);
        item->setSyncID(++engine->itemTree().idmax());
        return item;
    }

    PinnedClock clock;
    TempDir dir;
    char oldCwd[4096];
    std::unique_ptr<Velk> engine;
    static inline std::vector<std::string> asked;
};
