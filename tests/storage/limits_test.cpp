// What Velk does at its limits: trees 1,000 levels deep and hostile nesting
// far deeper, a description of 10 MB, a summary of 100,000 characters and a
// journal of thousands of files. It works, or refuses with a clear message;
// it never crashes or loses data. The inputs are made at run time.

#include "engine/velk.h"
#include "storage/file_tools.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

// A data file whose groups nest `levels` levels below the root; every group
// holds one todo named after its level.
std::string nestedFile(unsigned levels) {
    std::string s = fixed + "<idmax=1>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n";
    for (unsigned l = 1; l <= levels; ++l)
        s += "g\nslevel " + std::to_string(l) + "\nt\nstodo " + std::to_string(l) + "\n>\n";
    for (unsigned l = 0; l <= levels; ++l)
        s += ">\n";
    return s + "</data>\n";
}

ToDoListGroup* deepest(ToDoListGroup& root) {
    ToDoListGroup* g = &root;
    while (g->getNrGroups() > 0)
        g = g->getGroup(0);
    return g;
}

std::string fileOf(Velk& v, const std::string& path) {
    EXPECT_EQ(v.writeData(path.c_str()), 0);
    return readWholeFile(path);
}

struct Limits : testing::Test {
    TempDir home{true};
    std::string path = home.file("v.dat");
};

} // namespace

TEST_F(Limits, ATreeAsDeepAsAllowedLoadsWalksSavesAndJournals) {
    writeWholeFile(path, nestedFile(MAX_GROUP_LEVEL));
    TestOrganizer v(path);
    ASSERT_EQ(v.loaded, 0);
    ToDoListGroup* bottom = deepest(*v->getRoot());
    EXPECT_EQ(bottom->getLevel(), MAX_GROUP_LEVEL);

    // The walks of the views, the search and the counters.
    v->setOptViewtype(VIEWTYPE_FLAT);
    v->getContent();
    v->sortContent();
    EXPECT_EQ(v->getViewData().size(), std::size_t(MAX_GROUP_LEVEL) * 2);
    v->clearViewData();
    EXPECT_EQ(v->search("todo 1000"), 0);
    EXPECT_EQ(v->getViewItems().size(), 1u);
    EXPECT_EQ(v->leaveCurGroup(), 0);
    EXPECT_FALSE(v->checkCompleted());
    EXPECT_NE(v->getRoot()->getGroupPtr(bottom->getPath() + std::to_string(bottom->getID()) + "/"),
              nullptr);

    // A todo added at the bottom goes through the journal and back.
    v->setGroup(bottom);
    ASSERT_EQ(v->newToDo(3, 0), 0);
    v->incsave_newItem();
    v->setItemSummary("at the bottom");
    ASSERT_EQ(v->incsave_saveCurItem(), 0);

    // No group below the deepest level: refused, nothing changed.
    const std::size_t groups = bottom->getNrGroups();
    EXPECT_EQ(v->newGroup(), Velk::NEW_GROUP_TOO_DEEP);
    EXPECT_EQ(bottom->getNrGroups(), groups);

    // The records come back; the header keeps the view of each organizer.
    const std::string saved = fileOf(*v, home.file("saved.dat"));
    TestOrganizer replayed(path);
    ASSERT_EQ(replayed.replayed, 1);
    EXPECT_EQ(dumpTree(*replayed), dumpTree(*v));
    const std::string again = fileOf(*replayed, home.file("again.dat"));
    EXPECT_EQ(again.substr(again.find("\ng\n")), saved.substr(saved.find("\ng\n")));
}

TEST_F(Limits, NestingBelowTheDeepestLevelIsRefusedAtAnyDepth) {
    for (unsigned levels : {MAX_GROUP_LEVEL + 1, 100000u}) {
        SCOPED_TRACE(levels);
        writeWholeFile(path, nestedFile(levels));
        TestOrganizer v(path);
        EXPECT_EQ(v.loaded, -1) << "the data file is refused";
    }
    // Hostile nesting with nothing else: two bytes a level, two million levels.
    std::string hostile = fixed + "g\n";
    for (int i = 0; i < 2000000; ++i)
        hostile += "g\n";
    writeWholeFile(path, hostile);
    TestOrganizer v(path);
    EXPECT_EQ(v.loaded, -1);
}

TEST_F(Limits, AJournalEntryNestingTooDeepIsRefusedAndNothingIsLost) {
    writeWholeFile(path, nestedFile(3));
    std::string entry = fixed + "<new parent=1>\n";
    for (int i = 0; i < 500000; ++i)
        entry += "g\n";
    writeWholeFile(path + "0", entry);
    TestOrganizer v(path);
    EXPECT_EQ(v.replayed, -1);
    EXPECT_EQ(v.journalError, path + "0");
    EXPECT_EQ(readWholeFile(path), nestedFile(3)) << "nothing was written";
}

TEST_F(Limits, InsertingIntoTheDeepestGroupRefusesGroupsButTakesTodos) {
    writeWholeFile(path, nestedFile(MAX_GROUP_LEVEL));
    TestOrganizer v(path);
    ASSERT_EQ(v.loaded, 0);
    ToDoListGroup* bottom = deepest(*v->getRoot());
    v->setGroup(bottom);
    const std::string groupFile = home.file("group.tmp");
    writeWholeFile(groupFile, fixed + "t\nsfine\n>\ng\nsgroup\nt\nsinner\n>\n>\n</data>\n");
    const std::string before = dumpTree(*v);
    EXPECT_EQ(v->insertDataFromFile(groupFile.c_str()), Velk::INSERT_TOO_DEEP);
    EXPECT_EQ(dumpTree(*v), before) << "a refused insertion changes nothing";

    const std::string todoFile = home.file("todo.tmp");
    // A line "g" inside a description is no group.
    writeWholeFile(todoFile, fixed + "t\nsfine\nd3\ng\nx\n>\n</data>\n");
    EXPECT_EQ(v->insertDataFromFile(todoFile.c_str()), 0);
    ASSERT_EQ(bottom->getNrToDos(), 2u);
    const char* text = nullptr;
    bottom->getToDo(1)->GetDescription(text, &v->getCrypt());
    EXPECT_STREQ(text, "g\nx");
}

TEST_F(Limits, InsertingHostileNestingStopsAtTheDeepestLevel) {
    writeWholeFile(path, nestedFile(1));
    TestOrganizer v(path);
    ASSERT_EQ(v.loaded, 0);
    const std::string file = home.file("deep.tmp");
    std::string deep = fixed;
    for (int i = 0; i < 30000; ++i)
        deep += "g\n";
    writeWholeFile(file, deep);
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), -2);
    std::function<unsigned(ToDoListGroup&)> depth = [&](ToDoListGroup& g) {
        unsigned d = g.getLevel();
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            d = std::max(d, depth(*g.getGroup(i)));
        return d;
    };
    EXPECT_LE(depth(*v->getRoot()), MAX_GROUP_LEVEL);
    // What was inserted is saved and loads again.
    const std::string saved = fileOf(*v, home.file("saved.dat"));
    TestOrganizer again(home.file("saved.dat"));
    EXPECT_EQ(again.loaded, 0);
    EXPECT_EQ(dumpTree(*again), dumpTree(*v));
    for (unsigned n = 0; fs::exists(path + std::to_string(n)); ++n)
        fs::remove(path + std::to_string(n));
}

TEST_F(Limits, ATenMegabyteDescriptionAndAHundredThousandCharacterSummaryRoundTrip) {
    std::string description(10 * 1024 * 1024, 'd');
    for (std::size_t i = 0; i < description.size(); i += 997)
        description[i] = '\n'; // lines of every kind inside the block
    description[5] = '>';
    std::string summary(100000, 's');
    summary[0] = '>';

    writeWholeFile(path, nestedFile(0));
    TestOrganizer v(path);
    ASSERT_EQ(v.loaded, 0);
    ASSERT_EQ(v->newToDo(3, 0), 0);
    v->incsave_newItem();
    v->setItemSummary(summary);
    v->setItemDescription(description.c_str());
    ASSERT_EQ(v->incsave_saveCurItem(), 0);

    auto check = [&](Velk& w) {
        ASSERT_EQ(w.getRoot()->getNrToDos(), 1u);
        ToDoListToDo* t = w.getRoot()->getToDo(0);
        EXPECT_EQ(t->getSummary(), summary);
        const char* text = nullptr;
        EXPECT_FALSE(t->GetDescription(text, &w.getCrypt()));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text), description);
    };
    TestOrganizer fromJournal(path);
    ASSERT_EQ(fromJournal.replayed, 1);
    check(*fromJournal);
    ASSERT_EQ(v->writeData(path.c_str()), 0);
    ASSERT_EQ(v->incsave_delFiles(), 0);
    TestOrganizer fromFile(path);
    ASSERT_EQ(fromFile.loaded, 0);
    check(*fromFile);
}

TEST_F(Limits, AThousandJournalFilesReplayInOrder) {
    writeWholeFile(path, fixed + "<idmax=2>\ng\ns<unnamed>\nI1\nt\ns0\nI2\n>\n>\n</data>\n");
    // Entry n renames the todo to n; the last one wins.
    for (unsigned n = 0; n < 1000; ++n)
        writeWholeFile(path + std::to_string(n), fixed + "<changed>\nt\ns" + std::to_string(n + 1) +
                                                     "\nI2\n>\n</changed>\n</data>\n");
    TestOrganizer v(path);
    ASSERT_EQ(v.replayed, 1);
    EXPECT_EQ(v->getRoot()->getToDo(0)->getSummary(), "1000");
    EXPECT_EQ(v->incsave_getNrOfFiles(), 1000);
    EXPECT_EQ(v->incsave_delFiles(), 0);
    EXPECT_EQ(v->incsave_getNrOfFiles(), 0);
}
