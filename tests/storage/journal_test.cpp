#include "engine/velk.h"
#include "model/recurrence.h"
#include "storage/file_tools.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";
const packedDT march10 = packDate(10, 3, 2011) | DT_NOTIME;

// root: "plain", "dated" (due 10 March 2011), group "Work" { "w1", group "Sub"
// { "s1" } }, group "Old" { "o1" }; sync IDs 1 to 9 in that order.
std::string baseFile() {
    return fixed +
           "<idmax=9>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
           "t\nsplain\nI2\n>\nt\nsdated\nI3\nn" +
           std::to_string(march10) +
           "\n>\n"
           "g\nsWork\nI4\nt\nsw1\nI5\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\n"
           "g\nsOld\nI8\nt\nso1\nI9\n>\n>\n>\n</data>\n";
}

struct Journal : testing::Test {
    void SetUp() override {
        path = dir.file("v.dat");
        writeWholeFile(path, baseFile());
    }
    // The editor's round for an existing todo: snapshot, edit, journal if changed.
    template <class F> void editToDo(Velk& v, const std::string& summary, F edit) {
        v.setItem(findToDo(*v.getRoot(), summary));
        v.incsave_rememberTodo();
        edit();
        if (v.incsave_todoHasChanged()) {
            EXPECT_EQ(v.incsave_saveCurItem(), 0);
        }
        v.incsave_forgetTodo();
    }
    std::string journal(unsigned n) { return readWholeFile(journalFile(path, n)); }
    bool exists(unsigned n) { return fs::exists(journalFile(path, n)); }

    TempDir dir;
    std::string path;
};

} // namespace

TEST_F(Journal, ReplayOfEveryEntryKindGivesTheTreeTheEditsMade) {
    TestOrganizer a(path);
    ASSERT_EQ(a.loaded, 0);
    ASSERT_EQ(a.replayed, 0);
    Velk& v = *a;

    // A new todo with a description whose lines look like record lines.
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("fresh");
    v.setItemDescription("one\n>\nt\nlast");
    v.setDate(0, 2011, 3, 20);
    ASSERT_EQ(v.incsave_saveCurItem(), 0);

    // Changed todos: summary, priority, running; a recurrence; a completion.
    editToDo(v, "plain", [&] {
        v.setItemSummary("plain2");
        v.setItemPriority(5);
        v.setItemRunning(true);
    });
    editToDo(v, "o1", [&] {
        v.setDate(0, 2011, 3, 7);
        v.setDate(16, 2011, 3, 7);
        v.setRecData({REC_WEEKLY, 2, DT_EMPTY, DT_EMPTY});
    });
    v.setItem(findToDo(*v.getRoot(), "dated"));
    ASSERT_EQ(v.setItemCompleted(), 0);
    ASSERT_EQ(v.incsave_saveCurItem(), 0);

    // A new group with a todo in it.
    ASSERT_EQ(v.newGroup(), 0);
    v.incsave_newItem();
    v.setGroupSummary("NewG");
    ASSERT_EQ(v.incsave_saveCurGroup(), 0);
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("inNewG");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    editToDo(v, "inNewG", [&] {
        v.setDate(0, 2011, 3, 8);
        v.setDate(16, 2011, 3, 8);
        v.setRecData({REC_WEEKLY, 1, DT_EMPTY, DT_EMPTY});
    });
    ASSERT_EQ(v.leaveCurGroup(), 0);

    // A changed group, a todo turned into a group, deletions.
    v.setGroup(findGroup(*v.getRoot(), "Work"));
    v.incsave_rememberGroup();
    v.setGroupSummary("Work2");
    v.setGroupPriority(2);
    ASSERT_TRUE(v.incsave_groupHasChanged());
    ASSERT_EQ(v.incsave_saveCurGroup(), 0);
    v.incsave_forgetGroup();
    v.setItem(findToDo(*v.getRoot(), "w1"));
    ASSERT_EQ(v.turnCurItem2Group(), 0);
    ASSERT_EQ(v.DeleteItem(findToDo(*v.getRoot(), "s1")), 0);
    v.setGroup(findGroup(*v.getRoot(), "Old"));
    ASSERT_EQ(v.delCurGroup(), 0);

    // A pasted group, and a new appointment made in the calendar view.
    v.setGroup(findGroup(*v.getRoot(), "Work2"));
    ASSERT_EQ(v.exportGroupToFile(dir.file("clip").c_str()), 0);
    v.setGroup(v.getRoot());
    ASSERT_EQ(v.insertDataFromFile(dir.file("clip").c_str()), 0);
    v.setMainViewType(MAINVIEW_CALENDAR);
    T_viewDataItem row;
    row.day = packDate(7, 3, 2011) | DT_NOTIME;
    v.clearViewData();
    v.contentView().addRow(row, nullptr);
    ASSERT_EQ(v.newToDo(PRIO_APPOINTMENT, 0u), 0);
    v.incsave_newItem();
    ASSERT_EQ(v.incsave_saveCurItem(), 0);

    const std::string expected = dumpTree(v);
    EXPECT_EQ(v.itemTree().activeJobs(), 1u);
    EXPECT_EQ(v.calendar().recToDos.size(), 1u);

    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1) << b.journalError;
    EXPECT_EQ(dumpTree(*b), expected);

    // Merged into the data file, the journal goes and the tree stays.
    ASSERT_EQ(b->writeData(path.c_str()), 0);
    ASSERT_EQ(b->incsave_delFiles(), 0);
    EXPECT_FALSE(exists(0));
    TestOrganizer c(path);
    EXPECT_EQ(c.replayed, 0);
    EXPECT_EQ(dumpTree(*c), expected);
}

TEST_F(Journal, EntriesHaveTheRecordSyntaxOfTheDataFile) {
    TestOrganizer a(path);
    Velk& v = *a;
    editToDo(v, "plain", [&] { v.setItemSummary("plain"); });
    EXPECT_FALSE(exists(0)) << "an unchanged todo writes no entry";

    editToDo(v, "plain", [&] { v.setItemDescription("a\nb"); });
    EXPECT_EQ(journal(0), fixed + "<changed>\nt\nsplain\nI2\nd3\na\nb\n>\n</changed>\n</data>\n");

    v.setGroup(findGroup(*v.getRoot(), "Work"));
    ASSERT_EQ(v.newGroup(), 0);
    v.incsave_newItem();
    v.setGroupSummary("G");
    ASSERT_EQ(v.incsave_saveCurGroup(), 0);
    EXPECT_EQ(journal(1), fixed + "<new parent=4>\ng\nsG\nI10\n>\n>\n</new>\n</data>\n");

    ASSERT_EQ(v.DeleteItem(findGroup(*v.getRoot(), "Sub")), 0);
    EXPECT_EQ(journal(2), fixed + "<deleted>\n6\n</deleted>\n</data>\n");
    EXPECT_EQ(v.incsave_getNrOfFiles(), 3);
}

TEST_F(Journal, DeletingAnItemThatWasNeverSavedWritesNothing) {
    TestOrganizer a(path);
    Velk& v = *a;
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    ASSERT_EQ(v.delToDo(), 0);
    ASSERT_EQ(v.newGroup(), 0);
    ASSERT_EQ(v.delCurGroup(), 0);
    EXPECT_EQ(v.incsave_getNrOfFiles(), 0);
}

TEST_F(Journal, SavedTodoTurnedIntoGroupWritesItsDeletionThenTheNewGroup) {
    TestOrganizer a(path);
    Velk& v = *a;
    v.setGroup(findGroup(*v.getRoot(), "Work"));
    v.setItem(findToDo(*v.getRoot(), "w1"));
    ASSERT_EQ(v.turnCurItem2Group(), 0);
    EXPECT_EQ(journal(0), fixed + "<deleted>\n5\n</deleted>\n</data>\n");
    EXPECT_EQ(journal(1),
              fixed + "<new parent=4>\ng\nsw1\nI10\nt\nsw1\nI11\n>\n>\n>\n</new>\n</data>\n");
    EXPECT_FALSE(exists(2));
}

TEST_F(Journal, CalendarItemIsJournaledUnderTheCalendarGroup) {
    TestOrganizer a(path);
    Velk& v = *a;
    v.setGroup(findGroup(*v.getRoot(), "Work"));
    v.setMainViewType(MAINVIEW_CALENDAR);
    T_viewDataItem row;
    row.day = packDate(7, 3, 2011) | DT_NOTIME;
    row.prio = PRIO_DAYHEADER;
    v.clearViewData();
    v.contentView().addRow(row, nullptr);
    ASSERT_EQ(v.newToDo(200, 0u), 0);
    v.incsave_newItem();
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    // The "calendar" group was made for it (sync ID 10) but never journaled by
    // itself: it comes with its first entry, under the root.
    const std::string day = std::to_string(packDate(7, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(journal(0), fixed + "<new parent=1>\ng\nscalendar\nI10\nt\ns\nI11\np200\nm" + day +
                              "\nn" + day + "\n>\n>\n>\n</new>\n</data>\n");

    // The next one names the calendar group as its parent.
    ASSERT_EQ(v.newToDo(3, 0u), 0);
    v.incsave_newItem();
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    EXPECT_EQ(journal(1).substr(fixed.size(), 16), "<new parent=10>\n");
    EXPECT_EQ(v.getCurGroup()->getSummary(), "Work");

    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_EQ(dumpTree(*b), dumpTree(v));
}

TEST_F(Journal, GroupWhoseEntryWasNeverWrittenComesWithItsFirstTodo) {
    // The group editor was left without saving: the group is in no file.
    TestOrganizer a(path);
    Velk& v = *a;
    ASSERT_EQ(v.newGroup(), 0);
    v.setGroupSummary("Unsaved");
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("inside");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    EXPECT_EQ(journal(0), fixed + "<new parent=1>\ng\nsUnsaved\nI10\nt\nsinside\nI11\n>\n>\n>\n"
                                  "</new>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1) << b.journalError;
    EXPECT_EQ(dumpTree(*b), dumpTree(v));
}

TEST_F(Journal, ExistingItemIsJournaledAsChangedWhateverTheNewItemFlagSays) {
    TestOrganizer a(path);
    Velk& v = *a;
    v.incsave_newItem(); // left over from an earlier step
    v.setItem(findToDo(*v.getRoot(), "plain"));
    ASSERT_EQ(v.setItemCompleted(), 0);
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    EXPECT_EQ(journal(0).substr(fixed.size(), 10), "<changed>\n");
    TestOrganizer b(path);
    EXPECT_EQ(dumpTree(*b), dumpTree(v)) << "no second copy of the todo";
}

TEST_F(Journal, ReplayedChangedGroupTakesSummaryAndPriorityButNotItsFlags) {
    writeWholeFile(journalFile(path, 0),
                   fixed + "<changed>\ng\nsRenamed\nI4\np1\nc0\nl0\n>\n</changed>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    ToDoListGroup* g = findGroup(*b->getRoot(), "Renamed");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->getPriority(), 1u);
    EXPECT_TRUE(g->getShowCompleted());
    EXPECT_TRUE(g->getCompletedLast());
    EXPECT_EQ(g->getNrToDos(), 1u);
    EXPECT_EQ(g->getNrGroups(), 1u);
}

TEST_F(Journal, ReplayedDeletedGroupTakesItsSubtreeAndTheCurrentGroupMovesUp) {
    std::string text = baseFile();
    text.replace(text.find("<curGroup=/0/>"), 14, "<curGroup=/0/0/0/>"); // Work/Sub
    writeWholeFile(path, text);
    writeWholeFile(journalFile(path, 0), fixed + "<deleted>\n4\n</deleted>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_EQ(findGroup(*b->getRoot(), "Work"), nullptr);
    EXPECT_EQ(findToDo(*b->getRoot(), "s1"), nullptr);
    EXPECT_EQ(b->getCurGroup(), b->getRoot());
    EXPECT_EQ(b->getCurGroupPath(), "/0/");
}

TEST_F(Journal, ReplayCountsRunningTodosAnew) {
    writeWholeFile(journalFile(path, 0),
                   fixed + "<changed>\nt\nsplain\nI2\nR\nr100,100\n>\n</changed>\n</data>\n");
    writeWholeFile(journalFile(path, 1),
                   fixed + "<new parent=6>\nt\nsrun\nI20\nR\nr5,5\n>\n>\n</new>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_EQ(b->getNrActiveJobs(), 2u);
    EXPECT_EQ(b->getIdMax(), 20u);
    writeWholeFile(journalFile(path, 2),
                   fixed + "<changed>\nt\nsplain\nI2\nr100,200\n>\n</changed>\n</data>\n");
    TestOrganizer c(path);
    EXPECT_EQ(c->getNrActiveJobs(), 1u);
}

TEST_F(Journal, EntryThatCannotBeReplayedStopsTheStartNamingItsFile) {
    const std::string good = fixed + "<changed>\nt\nsfirst\nI2\n>\n</changed>\n</data>\n";
    const struct {
        const char* what;
        std::string entry;
    } cases[] = {
        {"unknown parent", "<new parent=99>\nt\nsx\nI20\n>\n>\n</new>\n"},
        {"parent is a todo", "<new parent=2>\nt\nsx\nI20\n>\n>\n</new>\n"},
        {"wrong closing line of new", "<new parent=1>\nt\nsx\nI20\n>\n>\n</neu>\n"},
        {"new entry gives its parent a sync ID", "<new parent=4>\nt\nsx\nI20\n>\nI1\n>\n</new>\n"},
        {"new entry renames its parent", "<new parent=4>\nsRenamed\nt\nsx\nI20\n>\n>\n</new>\n"},
        {"new entry sets its parent's flags", "<new parent=4>\nt\nsx\nI20\n>\nc\n>\n</new>\n"},
        {"record cut short", "<new parent=1>\nt\nsx\nI20\n"},
        {"unknown deleted item", "<deleted>\n99\n</deleted>\n"},
        {"wrong closing line of deleted", "<deleted>\n2\n</changed>\n"},
        {"deleted root", "<deleted>\n1\n</deleted>\n"},
        {"changed unknown item", "<changed>\nt\nsx\nI99\n>\n</changed>\n"},
        {"changed todo names a group", "<changed>\nt\nsx\nI4\n>\n</changed>\n"},
        {"changed record without sync ID", "<changed>\ng\nsx\n>\n</changed>\n"},
        {"changed record cut short", "<changed>\nt\nsx\nI2\n"},
        {"changed neither todo nor group", "<changed>\nsx\nI2\n>\n</changed>\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeWholeFile(journalFile(path, 0), good);
        writeWholeFile(journalFile(path, 1), fixed + c.entry + "</data>\n");
        writeWholeFile(journalFile(path, 2), good);
        TestOrganizer b(path);
        EXPECT_EQ(b.replayed, -1);
        EXPECT_EQ(b.journalError, journalFile(path, 1));
        EXPECT_EQ(readWholeFile(path), baseFile());
        EXPECT_TRUE(exists(0) && exists(1) && exists(2));
    }
}

TEST_F(Journal, FileWithoutEntryIsPassedOverAndOnlyTheFirstEntryOfAFileCounts) {
    writeWholeFile(journalFile(path, 0), fixed + "</data>\n");
    writeWholeFile(journalFile(path, 1), fixed + "<deleted>\n2\n</deleted>\n<deleted>\n3\n"
                                                 "</deleted>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_EQ(findToDo(*b->getRoot(), "plain"), nullptr);
    EXPECT_NE(findToDo(*b->getRoot(), "dated"), nullptr);
}

TEST_F(Journal, FilesBehindAGapAreNotReplayedAndAreSetAsideAfterTheMerge) {
    writeWholeFile(journalFile(path, 0), fixed + "<deleted>\n2\n</deleted>\n</data>\n");
    writeWholeFile(journalFile(path, 2), fixed + "<deleted>\n3\n</deleted>\n</data>\n");
    writeWholeFile(journalFile(path, 5), "anything");
    writeWholeFile(path + "007", "not a name the numbering makes");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_EQ(b->incsave_getNrOfFiles(), 1);
    EXPECT_NE(findToDo(*b->getRoot(), "dated"), nullptr);
    ASSERT_EQ(b->writeData(path.c_str()), 0);
    ASSERT_EQ(b->incsave_delFiles(), 0);

    auto moved = b->incsave_setAsideStrays();
    std::sort(moved.begin(), moved.end());
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0], std::make_pair(journalFile(path, 2), journalFile(path, 2) + ".orphan"));
    EXPECT_EQ(moved[1], std::make_pair(journalFile(path, 5), journalFile(path, 5) + ".orphan"));
    EXPECT_EQ(readWholeFile(journalFile(path, 5) + ".orphan"), "anything");
    EXPECT_TRUE(fs::exists(path + "007"));

    // A new entry takes number 0 and a later start never replays the orphans.
    ASSERT_EQ(b->DeleteItem(findToDo(*b->getRoot(), "dated")), 0);
    writeWholeFile(journalFile(path, 2), "again");
    EXPECT_EQ(b->incsave_setAsideStrays().at(0).second, journalFile(path, 2) + ".orphan2");
}

TEST_F(Journal, WithoutFileZeroEveryNumberedFileIsSetAside) {
    writeWholeFile(journalFile(path, 1), fixed + "<deleted>\n2\n</deleted>\n</data>\n");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 0);
    EXPECT_NE(findToDo(*b->getRoot(), "plain"), nullptr);
    auto moved = b->incsave_setAsideStrays();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_FALSE(exists(1));
}

TEST_F(Journal, UnreadableFileEndsTheRunAndIsSetAsideWithTheRest) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    writeWholeFile(journalFile(path, 0), fixed + "<deleted>\n2\n</deleted>\n</data>\n");
    writeWholeFile(journalFile(path, 1), fixed + "<deleted>\n3\n</deleted>\n</data>\n");
    fs::permissions(journalFile(path, 1), fs::perms::none);
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1);
    EXPECT_NE(findToDo(*b->getRoot(), "dated"), nullptr);
    ASSERT_EQ(b->incsave_delFiles(), 0);
    EXPECT_TRUE(exists(1));
    EXPECT_EQ(b->incsave_setAsideStrays().size(), 1u);
    EXPECT_FALSE(exists(1)) << "a new entry would otherwise replace it";
}

// A save interrupted before it replaced the data file left its temporary and
// the journal retired under the temporary's suffix: the entry counts again.
// Without the temporary the data file holds it: it goes. When both the
// retired entry and a current one of the same number exist, nothing can be
// decided: the start stops and changes nothing.
TEST_F(Journal, AnInterruptedSaveIsFinishedOrUndoneBeforeTheReplay) {
    const std::string entry = fixed + "<deleted>\n2\n</deleted>\n</data>\n";
    const std::string retired = journalFile(path, 0) + ".mergedAb12Cd";
    const std::string temporary = path + ".tmpAb12Cd";
    writeWholeFile(retired, entry);
    writeWholeFile(temporary, "the new data file, never put in place");
    // Names of that shape that no save makes are not the journal's.
    for (const char* other : {"v.datb0.mergedAb12Cd", "v.dat0.mergedAb12", "v.dat.merged"})
        writeWholeFile(dir.file(other), "keep");
    {
        TestOrganizer b(path);
        EXPECT_EQ(b.replayed, 1);
        EXPECT_EQ(findToDo(*b->getRoot(), "plain"), nullptr);
        EXPECT_EQ(journal(0), entry);
        EXPECT_FALSE(fs::exists(retired));
    }
    fs::rename(journalFile(path, 0), retired);
    fs::remove(temporary);
    {
        TestOrganizer b(path);
        EXPECT_EQ(b.replayed, 0) << "the data file holds the entry";
        EXPECT_NE(findToDo(*b->getRoot(), "plain"), nullptr);
        EXPECT_FALSE(fs::exists(retired));
        EXPECT_FALSE(exists(0));
    }
    writeWholeFile(retired, entry);
    writeWholeFile(temporary, "x");
    writeWholeFile(journalFile(path, 0), entry);
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, -2);
    EXPECT_NE(b.journalError.find(retired), std::string::npos) << b.journalError;
    EXPECT_TRUE(fs::exists(retired));
    EXPECT_TRUE(exists(0));
    for (const char* other : {"v.datb0.mergedAb12Cd", "v.dat0.mergedAb12", "v.dat.merged"})
        EXPECT_EQ(readWholeFile(dir.file(other)), "keep") << other;
}

TEST_F(Journal, LeftoverTemporariesAreRemovedAndOthersKept) {
    for (const char* name : {"v.dat3.tmpAb12Cd", "v.dat.tmpXyZ789"})
        writeWholeFile(dir.file(name), "half");
    for (const char* name : {"v.datb0", "v.dat.tmpshort", "other.dat1.tmpAb12Cd"})
        writeWholeFile(dir.file(name), "keep");
    TestOrganizer b(path);
    EXPECT_TRUE(b->incsave_setAsideStrays().empty());
    EXPECT_FALSE(fs::exists(dir.file("v.dat3.tmpAb12Cd")));
    EXPECT_FALSE(fs::exists(dir.file("v.dat.tmpXyZ789")));
    for (const char* name : {"v.datb0", "v.dat.tmpshort", "other.dat1.tmpAb12Cd"})
        EXPECT_TRUE(fs::exists(dir.file(name))) << name;
}

namespace {

ssize_t failingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

} // namespace

TEST_F(Journal, EntryThatCannotBeWrittenIsNotPublishedAndTheItemStaysNew) {
    TestOrganizer a(path);
    Velk& v = *a;
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("n");
    FileTools::ops().write = failingWrite;
    EXPECT_EQ(v.incsave_saveCurItem(), -1);
    FileTools::ops() = FileTools::systemOps();
    EXPECT_EQ(v.incsave_getNrOfFiles(), 0);
    EXPECT_TRUE(v.incsave_hasUnjournaledChanges());
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();

    // The next edit of the item brings it as a new item, not as a change of
    // an item that no replay could find; deleting it then needs an entry.
    v.incsave_rememberTodo();
    v.setItemSummary("n2");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    EXPECT_EQ(journal(0).substr(fixed.size(), 14), "<new parent=1>");
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1) << b.journalError;
    EXPECT_EQ(dumpTree(*b), dumpTree(v));
}

TEST_F(Journal, DeletionOfAnItemLoadedWithoutSyncIDIsReplayed) {
    writeWholeFile(path, fixed + "<idmax=1>\ng\ns<unnamed>\nI1\nt\nsa\n>\nt\nsb\n>\n>\n</data>\n");
    TestOrganizer a(path);
    Velk& v = *a;
    ASSERT_EQ(v.DeleteItem(findToDo(*v.getRoot(), "a")), 0);
    editToDo(v, "b", [&] { v.setItemSummary("b2"); });
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 1) << b.journalError;
    EXPECT_EQ(dumpTree(*b), dumpTree(v));
}

TEST_F(Journal, DeletingFilesStopsAtTheFirstGap) {
    TestOrganizer a(path);
    for (unsigned n : {0u, 1u, 3u})
        writeWholeFile(journalFile(path, n), "x");
    EXPECT_EQ(a->incsave_getNrOfFiles(), 2);
    EXPECT_EQ(a->incsave_delFiles(), 0);
    EXPECT_FALSE(exists(0) || exists(1));
    EXPECT_TRUE(exists(3));
}

// Once the sync IDs have wrapped, new items take free numbers below the
// highest one. An item made and dropped before it was ever journaled is still
// in no file: its deletion writes no entry, and the next start replays cleanly.
TEST_F(Journal, AnUnjournaledItemAfterTheWrapNeedsNoEntryToDelete) {
    writeWholeFile(path, fixed + "<idmax=4294967295>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI4\n>\n"
                                 ">\n</data>\n");
    {
        TestOrganizer a(path);
        ASSERT_EQ(a.replayed, 0);
        ASSERT_EQ(a->newToDo(0, 0u), 0);
        ToDoListToDo* fresh = a->getCurItem();
        EXPECT_EQ(fresh->getSyncID(), 3u);
        ASSERT_EQ(a->DeleteItem(fresh), 0);
        EXPECT_FALSE(exists(0)) << "it was in no file";
    }
    TestOrganizer b(path);
    EXPECT_EQ(b.replayed, 0) << b.journalError;
}
