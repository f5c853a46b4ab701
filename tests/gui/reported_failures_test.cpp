// What the window tells the user when a change is refused or cannot be
// written, and the save at the end that fails.

#include "gui_fixture.h"
#include "storage/file_tools.h"

#include <algorithm>
#include <cerrno>

namespace {

ssize_t diskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(GuiTest, FailuresAreToldOnceWithTheirReason) {
    addToDo("a");
    mainWin->showList(0);
    writeWholeFile(dir.file("victim"), "letter\n");
    auto input = [](const char* entry, std::string file) {
        return [=] {
            choose(entry), mainWin->inputField()->value(file.c_str());
            click(mainWin->closeButton());
        };
    };
    const std::string missing = dir.file("missing.dat"), nowhere = dir.file("no/such/out.dat");
    // What the user does, then the one message the window shows, in part.
    const std::tuple<const char*, std::function<void()>, std::string> rows[] = {
        {"a failed import names file and reason", input("&file/import", missing),
         missing + " could not be read: No such file or directory;\nnothing was imported."},
        {"a folder is no file to import", input("&file/import", dir.path()),
         dir.path() + " could not be read: it is a directory, not a regular file;"},
        {"a failed export names file and reason", input("&file/export group+", nowhere),
         nowhere + " could not be written: No such file or directory;\nnothing was exported."},
        {"the clipboard is not written through a planted link",
         [&] {
             ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("velkXXXXXX.tmp").c_str()), 0);
             clickLine("a", 100, FL_CTRL);
             choose("&copy/selected");
         },
         "velkXXXXXX.tmp is not a regular file of yours"},
        {"a change that cannot be journaled is told once",
         [&] {
             FileTools::ops().write = diskFull;
             clickLine("a", 10);
             mainWin->showList(0);
             FileTools::ops() = FileTools::systemOps();
         },
         "A change could not be written to the journal file next to the data file"},
        {"a group below the deepest level is refused",
         [&] {
             for (unsigned l = 0; l < MAX_GROUP_LEVEL; ++l)
                 ASSERT_EQ(engine->newGroup(), 0);
             mainWin->showList(0);
             choose("&group/new");
         },
         "Groups cannot be nested deeper than 1000 levels."},
    };
    for (const auto& [rule, act, told] : rows) {
        SCOPED_TRACE(rule);
        asked.clear();
        act();
        EXPECT_TRUE(asked.size() == 1 && asked[0].find(told) != std::string::npos)
            << testing::PrintToString(asked);
        EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    }
    EXPECT_EQ(readWholeFile(dir.file("victim")), "letter\n");
}

// The user's answers while the save at the end fails: a button of the
// three-way question (0 try again, 1 save to another file, 2 end without
// saving), for 2 then the confirmation (0 end, 1 cancel). The disk is freed
// before the last answer. Each question is kept with whether the window was
// open when it was asked.
std::vector<int> answers;

int nextAnswer(const char* question) {
    GuiTest::asked.push_back((mainWin->shown() ? "open: " : "closed: ") + std::string(question));
    const int a = answers.empty() ? 0 : answers.front(); // 0: asked once more than expected
    if (!answers.empty()) answers.erase(answers.begin());
    if (answers.empty()) FileTools::ops() = FileTools::systemOps();
    return a;
}

TEST_F(GuiTest, AFailedSaveAtTheEndKeepsTheWindowOpenUntilTheUserChooses) {
    // The answers, then how the run ended and the file that holds the change.
    const std::tuple<const char*, std::vector<int>, VelkGUI::SessionEnd, std::string> rows[] = {
        {"try again until it works", {0, 0}, VelkGUI::SESSION_SAVED, "gui.dat"},
        {"end without saving, cancelled, try again", {2, 1, 0}, VelkGUI::SESSION_SAVED, "gui.dat"},
        {"end without saving, confirmed", {2, 0}, VelkGUI::SESSION_UNSAVED, ""},
        {"save to another file", {1}, VelkGUI::SESSION_UNSAVED, "rescue.dat"},
    };
    GuiAsk::choice3 = [](const char* q, const char*, const char*, const char*) {
        return nextAnswer(q);
    };
    GuiAsk::choice = [](const char* q, const char*, const char*) { return nextAnswer(q); };
    GuiAsk::input = [](const char*, const char*) { return "rescue.dat"; };
    for (const auto& [rule, given, end, savedTo] : rows) {
        SCOPED_TRACE(rule);
        openWindow();
        mainWin->setSaveAtEnd([this](std::string& error) {
            T_SaveReport report;
            const int result = engine->saveData(report);
            error = report.error;
            return result;
        });
        addToDo(rule);
        FileTools::ops().write = diskFull;
        answers = given;
        asked.clear();
        Fl::handle(FL_CLOSE, mainWin);
        FileTools::ops() = FileTools::systemOps();
        EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                                [](auto& q) { return q.starts_with("open: "); }),
                  long(given.size()))
            << "one question per answer, each while the window is open";
        ASSERT_FALSE(asked.empty());
        EXPECT_NE(asked[0].find("could not save your data to " + dir.file("gui.dat")),
                  std::string::npos);
        EXPECT_EQ(mainWin->sessionEnd(), end);
        EXPECT_FALSE(mainWin->shown()) << "the window closes at the end";
        for (const std::string file : {"gui.dat", "rescue.dat"}) {
            EXPECT_EQ(readWholeFile(dir.file(file)).find(rule) != std::string::npos,
                      file == savedTo);
            std::remove(dir.file(file).c_str());
        }
    }
}

} // namespace
