// At its limits the organizer works or refuses, and loses nothing: groups as
// deep as allowed and hostile nesting far deeper, a description of 10 MB and
// a journal of a thousand files. The inputs are made at run time.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

std::string repeated(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

// Groups nested `levels` below the root, each holding one todo.
std::string nestedFile(unsigned levels) {
    std::string s = fixed + "<idmax=1>\ng\ns<unnamed>\nI1\n";
    for (unsigned l = 1; l <= levels; ++l)
        s += "g\nslevel " + std::to_string(l) + "\nt\nstodo " + std::to_string(l) + "\n>\n";
    return s + repeated(">\n", int(levels) + 1) + "</data>\n";
}


} // namespace

TEST(Limits, GroupsGoAsDeepAsAllowedAndNoDeeper) {
    TempDir home;
    const std::string path = home.file("v.dat"), file = home.file("in.tmp");
    for (unsigned levels : {MAX_GROUP_LEVEL + 1, 100000u}) {
        writeWholeFile(path, nestedFile(levels));
        EXPECT_EQ(TestOrganizer(path).loaded, -1) << levels;
    }
    writeWholeFile(path, fixed + repeated("g\n", 1000000));
    EXPECT_EQ(TestOrganizer(path).loaded, -1) << "two bytes a level, a million levels";

    writeWholeFile(path, nestedFile(MAX_GROUP_LEVEL));
    TestOrganizer v(path);
    ASSERT_EQ(v.loaded, 0);
    ToDoListGroup* bottom = findGroup(*v->getRoot(), "level " + std::to_string(MAX_GROUP_LEVEL));
    ASSERT_NE(bottom, nullptr);
    v->setGroup(bottom);
    const std::string before = dumpTree(*v);
    EXPECT_EQ(v->newGroup(), Velk::NEW_GROUP_TOO_DEEP);
    writeWholeFile(file, fixed + "t\nsfine\n>\ng\nsgroup\n>\n</data>\n");
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), Velk::INSERT_TOO_DEEP);
    EXPECT_EQ(dumpTree(*v), before) << "a refused insertion changes nothing";
    // A line "g" inside a description is no group.
    writeWholeFile(file, fixed + "t\nsfine\nd3\ng\nx\n>\n</data>\n");
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), 0);
    EXPECT_EQ(bottom->getNrToDos(), 2u);
    TestOrganizer replayed(path);
    ASSERT_EQ(replayed.replayed, 1) << replayed.journalError;
    EXPECT_EQ(dumpTree(*replayed), dumpTree(*v));

    // Hostile nesting in a journal entry or a pasted file stops at the limit.
    writeWholeFile(path + "1", fixed + "<new parent=1>\n" + repeated("g\n", 500000));
    EXPECT_EQ(TestOrganizer(path).replayed, -1);
    std::remove((path + "1").c_str());
    v->setGroup(v->getRoot());
    writeWholeFile(file, fixed + repeated("g\n", 30000));
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), -2);
    TestOrganizer again(path);
    EXPECT_EQ(again.replayed, 1) << again.journalError;
    EXPECT_EQ(dumpTree(*again), dumpTree(*v));
}

TEST(Limits, ATenMegabyteDescriptionAndAThousandJournalFiles) {
    TempDir home;
    const std::string path = home.file("v.dat");
    std::string description(10 * 1024 * 1024, 'd');
    for (std::size_t i = 0; i < description.size(); i += 997)
        description[i] = '\n';
    description[5] = '>';
    writeWholeFile(path, nestedFile(0));
    auto descriptionOf = [](Velk& w) {
        const char* text = nullptr;
        w.getRoot()->getToDo(0)->GetDescription(text, &w.getCrypt());
        return std::string(text ? text : "");
    };
    {
        TestOrganizer v(path);
        ASSERT_EQ(v->newToDo(3, 0), 0);
        v->incsave_newItem();
        v->setItemDescription(description.c_str());
        ASSERT_EQ(v->incsave_saveCurItem(), 0);
        TestOrganizer fromJournal(path);
        EXPECT_TRUE(descriptionOf(*fromJournal) == description);
        T_SaveReport report;
        ASSERT_EQ(fromJournal->saveData(report), 0);
    }
    EXPECT_TRUE(descriptionOf(*TestOrganizer(path)) == description);
    // Entry n renames the todo to n + 1; the last one wins.
    for (unsigned n = 0; n < 1000; ++n)
        writeWholeFile(journalFile(path, n), fixed + "<changed>\nt\ns" + std::to_string(n + 1) +
                                                 "\nI2\n>\n</changed>\n</data>\n");
    TestOrganizer v(path);
    ASSERT_EQ(v.replayed, 1);
    EXPECT_EQ(v->getRoot()->getToDo(0)->getSummary(), "1000");
    EXPECT_EQ(v->incsave_getNrOfFiles(), 1000);
}
