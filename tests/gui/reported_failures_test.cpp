// What the window tells the user when a change is refused or cannot be
// written, the save at the end that fails, the question before an export
// replaces a file, and message boxes that must fit a small screen.

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
        {"a calendar file points to its own import",
         input("&file/import", VELK_TEST_DATA_DIR "/ics/all_day.ics"),
         "all_day.ics could not be read: it is an iCalendar file; \"import iCalendar...\" takes "
         "its entries;\nnothing was imported."},
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
        {"an empty group is not exported",
         [&] {
             engine->setGroup(addGroup("Empty"));
             input("&file/export iCalendar...", dir.file("e.ics"))();
         },
         "There is nothing to export: no todo, appointment or note.\nThe file " +
             dir.file("e.ics") + " was not written."},
    };
    for (const auto& [rule, act, told] : rows) {
        SCOPED_TRACE(rule);
        asked.clear();
        act();
        EXPECT_TRUE(asked.size() == 1 && asked[0].find(told) != std::string::npos)
            << testing::PrintToString(asked);
        // A file that could not be used keeps the input screen open with its
        // path, to be corrected or cancelled.
        if (std::regex_search(rule, std::regex("import|export")) &&
            told.find(" could not be ") != std::string::npos) {
            EXPECT_EQ(mainWin->screen(), SCREEN_INPUT);
            EXPECT_NE(asked.at(0).find(mainWin->inputField()->value()), std::string::npos);
            mainWin->CB_Cancel();
        }
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
    GuiAsk::fileName = [](const char*, const char*) { return "rescue.dat"; };
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

// Each export asks before it replaces what is at the name typed, even a link
// that leads nowhere: "Cancel" (the second button, which Enter picks) and a
// box closed without an answer leave it as it was, "Replace" writes it. A
// free name is written without a question, and so is the clipboard file.
TEST_F(GuiTest, ExportsAskBeforeTheyReplaceAFile) {
    addToDo("Call Anna", addGroup("Work"));
    static int answer;
    GuiAsk::choice = [](const char* q, const char* b0, const char* b1) {
        return asked.push_back(q + std::string(" ") + b0 + "/" + b1), answer;
    };
    // What is at the name, the answer to the question, whether it is written.
    const std::tuple<std::string, int, bool> rows[] = {{"", 1, true},
                                                       {"letter", 1, false},
                                                       {"letter", -1, false},
                                                       {"letter", 0, true},
                                                       {"link", 1, false}};
    int n = 0;
    for (const char* entry :
         {"&file/export group+", "&file/export content", "&file/export iCalendar..."}) {
        for (const auto& [before, given, written] : rows) {
            const std::string name = dir.file("out" + std::to_string(++n));
            SCOPED_TRACE(entry + (" " + name));
            if (before == "letter") writeWholeFile(name, "letter\n");
            if (before == "link") {
                ASSERT_EQ(symlink("nowhere", name.c_str()), 0);
            }
            asked.clear(), answer = given;
            choose(entry), mainWin->inputField()->value(name.c_str());
            click(mainWin->closeButton());
            const std::string question =
                "The file " + name + " exists.\nReplace it? Replace/Cancel";
            EXPECT_EQ(std::count(asked.begin(), asked.end(), question), !before.empty());
            const std::string now = readWholeFile(name);
            EXPECT_EQ(now.find("Call Anna") != std::string::npos, written) << now;
            EXPECT_TRUE(written || before != "letter" || now == "letter\n") << now;
        }
    }
    EXPECT_NE(access(dir.file("nowhere").c_str(), F_OK), 0) << "written through the link";
    asked.clear();
    choose("&copy/content"), choose("&copy/content");
    EXPECT_EQ(asked, std::vector<std::string>{}) << "the clipboard file is replaced unasked";
}

// The toolkit's boxes, reached through the seam as the window reaches them,
// with a path of 600 characters: each fits a screen of 1024 x 768 and shows
// the text as given, "@" too, with line breaks added only after blanks and
// "/" (and in a name too wide for a line). Enter picks the second of two
// buttons, Escape neither.
TEST(MessageBoxes, LongPathsWrapSoThatEveryBoxFitsASmallScreen) {
    GuiAsk::useToolkit();
    std::string path = "/home/anna@work";
    for (int n = 1; path.size() < 580; ++n)
        path += "/folder number " + std::to_string(n);
    path += "/" + std::string(599 - path.size(), 'f');
    const std::string text = "The file " + path + " exists.\nReplace it?",
                      wide = "/" + std::string(599, 'x'), prompt = "Save your data to this file:";
    const char* typed = nullptr;
    const std::tuple<const char*, std::function<void()>, std::string> rows[] = {
        {"Close", [&] { GuiAsk::message(wide.c_str()); }, wide},
        {"Cancel", [&] { EXPECT_EQ(GuiAsk::choice(text.c_str(), "Replace", "Cancel"), 1); }, text},
        {"Try again", [&] { EXPECT_EQ(GuiAsk::choice3(text.c_str(), "Try again", "b", "c"), 0); },
         text},
        {"OK", [&] { typed = GuiAsk::input(prompt.c_str(), path.c_str()); }, prompt},
    };
    for (const auto& [button, show, given] : rows) {
        SCOPED_TRACE(button);
        std::string shown;
        WindowDriver driver(button, [&, button = button](Fl_Window* w) {
            EXPECT_TRUE(w->w() <= 1024 && w->h() <= 768) << w->w() << " x " << w->h();
            for (int i = 0; i < w->children(); ++i)
                if (const char* l = w->child(i)->label(); l && std::strlen(l) > shown.size())
                    shown = l;
            click(childLabelled(w, button));
        });
        show();
        shown = std::regex_replace(shown, std::regex("@@"), "@"); // "@@" shows one "@"
        EXPECT_EQ(std::regex_replace(shown, std::regex("([ /])\n|(x)\n(?=x)"), "$1$2"), given);
    }
    EXPECT_STREQ(typed, path.c_str());
    for (const auto& [key, answer] : {std::pair{FL_Escape, -1}, {FL_Enter, 1}}) {
        WindowDriver driver("Cancel", [key = key](Fl_Window* w) { press(w, key); });
        EXPECT_EQ(GuiAsk::choice("Replace it?", "Replace", "Cancel"), answer);
    }
}

} // namespace

// After a failed save at the end, the rescue copy's message says where each
// change is: in the journal (merged at the next start) or only in the copy.
// The next run on the data file finds the copy.
TEST_F(GuiTest, TheRescueCopyIsToldWhereItsChangesAre) {
    engine->setHomeFolder(dir.path());
    // End without saving, Cancel, then save to another file.
    GuiAsk::choice3 = [](const char* q, const char*, const char*, const char*) {
        return nextAnswer(q);
    };
    GuiAsk::choice = [](const char* q, const char*, const char*) { return nextAnswer(q); };
    GuiAsk::fileName = [](const char*, const char*) { return "rescue.dat"; };
    // Whether the journal could be written, then what the message says of the change.
    const std::pair<bool, std::string> rows[] = {
        {true, "The changes in the journal files beside " + dir.file("gui.dat") +
                   " are merged at its next start."},
        {false, "1 change could not be written to the journal either:\nit is only in rescue.dat."},
    };
    for (const auto& [journaled, told] : rows) {
        SCOPED_TRACE(told);
        openWindow();
        mainWin->setSaveAtEnd([](std::string& error) { return error = "disk full", -1; });
        if (!journaled) FileTools::ops().write = diskFull;
        addToDo(journaled ? "kept" : "lost");
        mainWin->showList(0);
        clickLine(journaled ? "kept" : "lost", 10);
        FileTools::ops() = FileTools::systemOps();
        EXPECT_EQ(engine->incsave_waitingCount(), journaled ? 0u : 1u);
        asked.clear(), answers = {2, 1, 1};
        Fl::handle(FL_CLOSE, mainWin);
        ASSERT_EQ(asked.size(), 4u);
        EXPECT_EQ(journaled, asked[1].find("1 change that could not be written to the journal\n"
                                           "is lost.") == std::string::npos)
            << asked[1];
        EXPECT_NE(asked[3].find(told), std::string::npos) << asked[3];
        EXPECT_NE(asked[3].find("start Velk with:\n    velk -f rescue.dat"), std::string::npos);
        EXPECT_EQ(journaled, asked[3].find("only in") == std::string::npos) << asked[3];
        Velk next;
        next.createRoot();
        ASSERT_EQ(next.readData(dir.file("gui.dat").c_str()), 0);
        next.setHomeFolder(dir.path());
        const std::vector<T_RescueCopy> copies = next.newerRescueCopies();
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0].path, dir.file("rescue.dat"));
        std::remove(dir.file("rescue.dat").c_str());
    }
}
