// What the main window tells the user when a change is refused or cannot be
// written: a new group below the deepest level, a journal entry or the save at
// the end that cannot be written because the disk is full, and an import or
// export that fails.

#include "gui_fixture.h"
#include "storage/file_tools.h"
#include "support/organizer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

TEST_F(GuiTest, ANewGroupBelowTheDeepestLevelIsRefusedWithAMessage) {
    for (unsigned l = 0; l < MAX_GROUP_LEVEL; ++l)
        ASSERT_EQ(engine->newGroup(), 0);
    ToDoListGroup* bottom = engine->getCurGroup();
    ASSERT_EQ(bottom->getLevel(), MAX_GROUP_LEVEL);
    mainWin->showList(0);

    mainWin->CB_Menu_newGroup();
    EXPECT_EQ(asked, std::vector<std::string>{"Groups cannot be nested deeper than 1000 levels."});
    EXPECT_EQ(engine->getCurGroup(), bottom);
    EXPECT_EQ(bottom->getNrGroups(), 0u);

    // One level up a group is made as before.
    asked.clear();
    engine->leaveCurGroup();
    mainWin->CB_Menu_newGroup();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(engine->getCurGroup()->getLevel(), MAX_GROUP_LEVEL);
}

namespace {

ssize_t diskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

} // namespace

TEST_F(GuiTest, AChangeThatCannotBeJournaledIsReportedOnce) {
    ToDoListToDo* t = addToDo(engine->getRoot(), "before");
    mainWin->showList(0);
    const std::string told = "A change could not be written to the journal file next to the "
                             "data file\n(is the disk full?). It is kept in memory: Velk "
                             "writes it to the journal\nwith your next change, and to the data "
                             "file when Velk ends.";
    auto rename = [&](const char* summary) {
        engine->setItem(t);
        engine->incsave_rememberTodo();
        engine->setItemSummary(summary);
        const int r = engine->incsave_saveCurItem();
        engine->incsave_forgetTodo();
        mainWin->showList(0);
        return r;
    };

    FileTools::ops().write = diskFull;
    EXPECT_EQ(rename("first"), -1);
    EXPECT_EQ(asked, std::vector<std::string>{told});
    mainWin->showList(0);
    EXPECT_EQ(asked.size(), 1u) << "told once per failure";
    EXPECT_EQ(rename("second"), -1);
    EXPECT_EQ(asked.size(), 2u);
    FileTools::ops() = FileTools::systemOps();

    EXPECT_EQ(rename("third"), 0);
    EXPECT_EQ(asked.size(), 2u) << "a change that is journaled is not reported";
    EXPECT_FALSE(engine->incsave_hasUnjournaledChanges());
    EXPECT_EQ(engine->incsave_getNrOfFiles(), 3) << "the waiting changes went first";
}

namespace {

// The answers the user gives while the save at the end fails, in order: a
// button of the three-way question (0 try again, 1 save to another file, 2
// end without saving), then for 2 the confirmation (0 end, 1 cancel).
std::vector<int> endAnswers;
std::vector<bool> shownWhenAsked;
std::string rescueFile;

int nextEndAnswer() {
    shownWhenAsked.push_back(mainWin->shown() && mainWin->visible());
    if (endAnswers.empty()) return 2;
    const int a = endAnswers.front();
    endAnswers.erase(endAnswers.begin());
    // The user frees space before the last attempt.
    if (endAnswers.empty()) FileTools::ops() = FileTools::systemOps();
    return a;
}

} // namespace

TEST_F(GuiTest, AFailedSaveAtTheEndKeepsTheWindowOpenUntilTheUserChooses) {
    struct Journey {
        const char* what;
        std::vector<int> answers;
        VelkGUI::SessionEnd end;
        bool saved;    // the data file holds every change
        bool rescued;  // the other file holds every change
    };
    const Journey journeys[] = {
        {"try again until it works", {0, 0}, VelkGUI::SESSION_SAVED, true, false},
        {"end without saving, cancelled, then try again", {2, 1, 0}, VelkGUI::SESSION_SAVED, true,
         false},
        {"end without saving, confirmed", {2, 0}, VelkGUI::SESSION_UNSAVED, false, false},
        {"save to another file", {1}, VelkGUI::SESSION_UNSAVED, false, true},
    };
    const std::string data = dir.file("gui.dat");
    rescueFile = dir.file("rescue.dat");
    for (const Journey& j : journeys) {
        SCOPED_TRACE(j.what);
        std::remove(data.c_str());
        std::remove(rescueFile.c_str());
        engine = std::make_unique<Velk>();
        engine->createRoot();
        ASSERT_EQ(engine->readData(data.c_str()), 0);
        mainWin->init(engine.get(), "velkXXXXXX.tmp");
        mainWin->setSaveAtEnd([this](std::string& error) {
            T_SaveReport report;
            const int r = engine->saveData(report);
            error = report.error;
            return r;
        });
        mainWin->showMain(SCREEN_LIST);
        mainWin->show();
        ToDoListToDo* t = addToDo(engine->getRoot(), "journaled");
        engine->setItem(t);
        engine->incsave_newItem();
        ASSERT_EQ(engine->incsave_saveCurItem(), 0);
        // The disk is full from here on: the next change waits in memory.
        FileTools::ops().write = diskFull;
        engine->incsave_rememberTodo();
        engine->setItemSummary("in memory only");
        ASSERT_EQ(engine->incsave_saveCurItem(), -1);
        engine->incsave_forgetTodo();
        const std::string entry0 = readWholeFile(data + "0");

        endAnswers = j.answers;
        shownWhenAsked.clear();
        GuiAsk::choice3 = [](const char* q, const char*, const char*, const char*) {
            asked.push_back(q);
            return nextEndAnswer();
        };
        GuiAsk::choice = [](const char* q, const char*, const char*) {
            asked.push_back(q);
            return nextEndAnswer();
        };
        GuiAsk::input = [](const char*, const char*) { return rescueFile.c_str(); };
        asked.clear();
        mainWin->showMain(SCREEN_LIST);
        mainWin->CB_Done();
        FileTools::ops() = FileTools::systemOps();

        EXPECT_TRUE(endAnswers.empty()) << "every question was asked";
        EXPECT_EQ(std::count(shownWhenAsked.begin(), shownWhenAsked.end(), true),
                  long(shownWhenAsked.size()))
            << "the window stays open while the user decides";
        ASSERT_FALSE(asked.empty());
        EXPECT_NE(asked[0].find("could not save your data to " + data), std::string::npos)
            << asked[0];
        EXPECT_EQ(mainWin->sessionEnd(), j.end);
        EXPECT_FALSE(mainWin->visible()) << "the window closes at the end";
        if (j.saved) {
            EXPECT_NE(readWholeFile(data).find("sin memory only"), std::string::npos);
            EXPECT_FALSE(std::ifstream(data + "0").good()) << "the journal went with the save";
        } else {
            EXPECT_FALSE(std::ifstream(data).good()) << "the data file was not written";
            EXPECT_EQ(readWholeFile(data + "0"), entry0) << "the journal is kept";
        }
        if (j.rescued) {
            EXPECT_NE(readWholeFile(rescueFile).find("sin memory only"), std::string::npos);
        }
        // A new window for the next journey.
        delete mainWin;
        make_windows(data.c_str(), 160, 240);
    }
}

// An import from a file that cannot be read and an export into a folder that
// does not exist are refused with an alert naming the file and the system's
// reason; the tree and the clipboard stay as they were.
TEST_F(GuiTest, AFailedImportOrExportIsToldWithItsReason) {
    addToDo(engine->getRoot(), "kept");
    mainWin->showList(0);
    const std::string clipboard = "<type=Velk>\n<version=0.54>\n<data>\n</data>\n";
    writeWholeFile(dir.file("velkXXXXXX.tmp"), clipboard);
    const std::string tree = dumpTree(*engine);
    struct Case {
        int mode;
        std::string file;
        std::string told;
    };
    const std::string missing = dir.file("missing.dat");
    const std::string nowhere = dir.file("no/such/folder/out.dat");
    const Case cases[] = {
        {INPUT_IMPORT, missing,
         "The file " + missing + " could not be read: No such file or directory;\nnothing was "
         "imported."},
        {INPUT_IMPORT, dir.path(),
         "The file " + dir.path() + " could not be read: it is a directory, not a regular "
         "file;\nnothing was imported."},
        {INPUT_EXPORT_GROUP, nowhere,
         "The file " + nowhere + " could not be written: No such file or directory;\nnothing "
         "was exported."},
        {INPUT_EXPORT_CONTENT, nowhere,
         "The file " + nowhere + " could not be written: No such file or directory;\nnothing "
         "was exported."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        asked.clear();
        mainWin->showInput(c.mode);
        mainWin->inputField()->value(c.file.c_str());
        mainWin->CB_Done();
        EXPECT_EQ(asked, std::vector<std::string>{c.told});
        EXPECT_EQ(dumpTree(*engine), tree);
        EXPECT_EQ(readWholeFile(dir.file("velkXXXXXX.tmp")), clipboard);
    }
}
