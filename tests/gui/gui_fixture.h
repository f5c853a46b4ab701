#pragma once
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"
#include "model/clock.h"
#include "support/temp_dir.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

// The real main window on a real engine with an empty organizer in a fresh
// directory (the clipboard file lives there), on a pinned clock: 5 March 2011,
// noon. Message boxes are answered by the test.
class GuiTest : public testing::Test {
  protected:
    void SetUp() override {
        setVelkNowForTesting(1299326400);
        ASSERT_EQ(getcwd(oldCwd, sizeof oldCwd), oldCwd);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        engine = std::make_unique<Velk>();
        engine->createRoot();
        ASSERT_EQ(engine->readData(dir.file("gui.dat").c_str()), 0);
        asked.clear();
        answer = 1;
        GuiAsk::choice = [](const char* q, const char*, const char*) {
            asked.push_back(q);
            return answer;
        };
        GuiAsk::message = [](const char* t) { asked.push_back(t); };
        GuiAsk::alert = [](const char* t) { asked.push_back(t); };
        make_windows(dir.file("gui.dat").c_str(), 160, 240);
        mainWin->init(engine.get(), "velkXXXXXX.tmp");
        mainWin->showMain(SCREEN_LIST);
        mainWin->setMenuActive();
        mainWin->showList(0);
        mainWin->show();
        Fl::wait(0);
    }
    void TearDown() override {
        delete mainWin;
        mainWin = nullptr;
        engine.reset();
        GuiAsk::useToolkit();
        ASSERT_EQ(chdir(oldCwd), 0);
        setVelkNowForTesting(-1);
    }

    // The browser's lines, as the user sees them (format codes included).
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (int i = 1; i <= mainWin->listView()->size(); ++i)
            out.push_back(mainWin->listView()->text(i));
        return out;
    }
    // Sends a key-down event for key (with modifier state) to the window.
    void key(int k, int state = 0) {
        Fl::e_keysym = k;
        Fl::e_state = state;
        Fl::e_number = FL_KEYDOWN;
        mainWin->handle(FL_KEYDOWN);
        Fl::e_state = 0;
    }
    // Clicks browser line (1-based) at x with the left mouse button.
    void click(int line, int x) {
        mainWin->listView()->deselect();
        mainWin->listView()->select(line);
        Fl::e_x = x;
        Fl::e_state = 0;
        Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
        mainWin->listViewClicked();
    }
    ToDoListToDo* addToDo(ToDoListGroup* g, const std::string& summary) {
        ToDoListToDo* t = g->newToDo();
        t->setSummary(summary);
        t->setSyncID(++engine->itemTree().idmax());
        return t;
    }
    ToDoListGroup* addGroup(ToDoListGroup* g, const std::string& summary) {
        ToDoListGroup* n = g->newGroup();
        n->setSummary(summary);
        n->setSyncID(++engine->itemTree().idmax());
        return n;
    }

    TempDir dir;
    char oldCwd[4096];
    std::unique_ptr<Velk> engine;
    static inline std::vector<std::string> asked;
    static inline int answer = 1;
};
