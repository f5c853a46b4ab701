// What the window tells the user when a change is refused or cannot be
// written, and the save at the end that fails.

#include "gui_fixture.h"
#include "storage/external_edit.h"
#include "storage/file_tools.h"

#include <FL/Fl_Menu_Button.H>

#include <cerrno>
#include <sys/stat.h>

namespace {

ssize_t diskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(GuiTest, FailuresAreToldOnceWithTheirReason) {
    addToDo(engine->getRoot(), "a");
    mainWin->showList(0);
    setScratchFolder(dir.file("scratch"));
    writeWholeFile(dir.file("victim"), "letter\n");
    writeWholeFile(dir.file("fail.sh"), "#!/bin/sh\nexit 1\n");
    chmod(dir.file("fail.sh").c_str(), 0700);
    Fl_Menu_Button* menu = mainWin->menuButton();
    auto menuEntry = [menu](const char* path) {
        return [=] { menu->picked(menu->find_item(path)); };
    };
    auto fileInput = [menu](const char* entry, std::string file) {
        return [=] {
            menu->picked(menu->find_item(entry));
            mainWin->inputField()->value(file.c_str());
            click(mainWin->closeButton());
        };
    };
    const std::string missing = dir.file("missing.dat"), nowhere = dir.file("no/such/out.dat");
    struct Row {
        const char* rule;
        std::function<void()> act;
        std::string told;
    };
    const Row rows[] = {
        {"a failed import names the file and the reason", fileInput("&file/import", missing),
         "The file " + missing +
             " could not be read: No such file or directory;\nnothing was imported."},
        {"a folder is no file to import", fileInput("&file/import", dir.path()),
         "The file " + dir.path() +
             " could not be read: it is a directory, not a regular file;\nnothing was imported."},
        {"a failed export names the file and the reason", fileInput("&file/export group+", nowhere),
         "The file " + nowhere +
             " could not be written: No such file or directory;\nnothing was exported."},
        {"the clipboard is not written through a planted link",
         [&] {
             ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("velkXXXXXX.tmp").c_str()), 0);
             clickLine("a", 100, FL_CTRL);
             menuEntry("&copy/selected")();
         },
         "The clipboard file velkXXXXXX.tmp is not a regular file of yours (it is a link, a folder "
         "or another "
         "user's file); it was left as it was and nothing was copied."},
        {"a change that cannot be journaled is told once",
         [&] {
             FileTools::ops().write = diskFull;
             clickLine("a", 10);
             mainWin->showList(0);
             FileTools::ops() = FileTools::systemOps();
         },
         "A change could not be written to the journal file next to the data file\n(is the disk "
         "full?). It is "
         "kept in memory: Velk writes it to the journal\nwith your next change, and to the data "
         "file when Velk "
         "ends."},
        {"a failing external editor leaves the description",
         [&] {
             engine->setEditorCommand(dir.file("fail.sh"));
             clickLine("a", 100);
             key('e', FL_ALT, "e");
             mainWin->CB_Done();
         },
         "The external editor did not end successfully; the description is unchanged."},
        {"an item is deleted only when the user confirms",
         [&] {
             answer = 0;
             clickLine("a", 100);
             pick(mainWin->editMenuButton(), EM_DELETE);
             mainWin->CB_Done();
         },
         "Do you really want to delete this item?"},
        {"a group below the deepest level is refused",
         [&] {
             for (unsigned l = 0; l < MAX_GROUP_LEVEL; ++l)
                 ASSERT_EQ(engine->newGroup(), 0);
             mainWin->showList(0);
             menuEntry("&group/new")();
         },
         "Groups cannot be nested deeper than 1000 levels."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        asked.clear();
        r.act();
        EXPECT_EQ(asked, std::vector<std::string>{r.told});
        EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    }
    EXPECT_EQ(readWholeFile(dir.file("victim")), "letter\n");
    EXPECT_EQ(engine->getRoot()->getNrToDos(), 1u) << "the item was kept";
    setScratchFolder("");
}

// The answers the user gives while the save at the end fails: a button of
// the three-way question (0 try again, 1 save to another file, 2 end without
// saving), then for 2 the confirmation (0 end, 1 cancel). The disk is freed
// before the last answer.
std::vector<int> answers;
std::vector<bool> openWhenAsked;

int nextAnswer() {
    openWhenAsked.push_back(mainWin->shown());
    const int a = answers.empty() ? 2 : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    if (answers.empty()) FileTools::ops() = FileTools::systemOps();
    return a;
}

TEST_F(GuiTest, AFailedSaveAtTheEndKeepsTheWindowOpenUntilTheUserChooses) {
    struct Row {
        const char* rule;
        std::vector<int> answers;
        VelkGUI::SessionEnd end;
        const char* savedTo; // the file that holds the change, if any
    };
    const Row rows[] = {
        {"try again until it works", {0, 0}, VelkGUI::SESSION_SAVED, "gui.dat"},
        {"end without saving, cancelled, then try again",
         {2, 1, 0},
         VelkGUI::SESSION_SAVED,
         "gui.dat"},
        {"end without saving, confirmed", {2, 0}, VelkGUI::SESSION_UNSAVED, nullptr},
        {"save to another file", {1}, VelkGUI::SESSION_UNSAVED, "rescue.dat"},
    };
    GuiAsk::choice3 = [](const char* q, const char*, const char*, const char*) {
        asked.push_back(q);
        return nextAnswer();
    };
    GuiAsk::choice = [](const char* q, const char*, const char*) {
        asked.push_back(q);
        return nextAnswer();
    };
    GuiAsk::input = [](const char*, const char*) { return "rescue.dat"; };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        std::remove(dir.file("gui.dat").c_str());
        std::remove(dir.file("rescue.dat").c_str());
        mainWin->setSaveAtEnd([this](std::string& error) {
            T_SaveReport report;
            const int result = engine->saveData(report);
            error = report.error;
            return result;
        });
        addToDo(engine->getRoot(), r.rule);
        FileTools::ops().write = diskFull;
        answers = r.answers;
        openWhenAsked.clear();
        asked.clear();
        closeBox(mainWin);
        FileTools::ops() = FileTools::systemOps();
        EXPECT_TRUE(answers.empty()) << "every question was asked";
        EXPECT_EQ(openWhenAsked, std::vector<bool>(r.answers.size(), true));
        ASSERT_FALSE(asked.empty());
        EXPECT_NE(asked[0].find("could not save your data to " + dir.file("gui.dat")),
                  std::string::npos);
        EXPECT_EQ(mainWin->sessionEnd(), r.end);
        EXPECT_FALSE(mainWin->shown()) << "the window closes at the end";
        for (const char* file : {"gui.dat", "rescue.dat"})
            EXPECT_EQ(readWholeFile(dir.file(file)).find(r.rule) != std::string::npos,
                      r.savedTo && file == std::string(r.savedTo))
                << file;
        delete mainWin;
        make_windows(dir.file("gui.dat").c_str(), 160, 240);
        mainWin->init(engine.get(), "velkXXXXXX.tmp");
        mainWin->showMain(SCREEN_LIST);
        mainWin->show();
    }
}

} // namespace
