// Importing an iCalendar file into a loaded organizer: the entries join the
// tree as pasted ones do (new IDs, sync IDs, calendar lists, running count),
// the journal holds them so that a restart replays the same tree, and a
// refused file changes nothing.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

const std::string icsDir = std::string(VELK_TEST_DATA_DIR) + "/ics/";

// root { "t0" (running), "Proj" { "a" } }
const std::string baseFile = fixedLines + "<idmax=4>\ng\ns<unnamed>\nI1\nt\nst0\nI2\nR\nr5,5\n>\n"
                                          "g\nsProj\nI3\nt\nsa\nI4\n>\n>\n>\n</data>\n";

struct IcsImportEngine : testing::Test {
    void SetUp() override {
        writeWholeFile(path, baseFile);
        org = std::make_unique<TestOrganizer>(path);
        ASSERT_EQ(org->loaded, 0);
        proj = findGroup(*v().getRoot(), "Proj");
        ASSERT_NE(proj, nullptr);
    }
    Velk& v() { return **org; }
    bool journalExists(unsigned n) const { return std::filesystem::exists(journalFile(path, n)); }
    TempDir dir;
    std::string path = dir.file("o.dat");
    std::unique_ptr<TestOrganizer> org;
    ToDoListGroup* proj = nullptr;
};

// The sync IDs of the subtree of g, checked to be set and distinct.
void collectSyncIDs(ToDoListGroup& g, std::set<unsigned>& ids, unsigned& count) {
    ids.insert(g.getSyncID()), ++count;
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        ids.insert(g.getToDo(i)->getSyncID()), ++count;
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        collectSyncIDs(*g.getGroup(i), ids, count);
}

} // namespace

TEST_F(IcsImportEngine, ImportsIntoANewGroupJournalledAsOneEntryThatReplays) {
    storage::T_IcsImportReport report;
    ASSERT_EQ(v().importICalendar(icsDir + "todos.ics", *proj, "Tasks", report), 0) << report.error;
    EXPECT_EQ(report.entries, 16u);
    EXPECT_TRUE(journalExists(0));
    EXPECT_FALSE(journalExists(1));

    ToDoListGroup* tasks = findGroup(*proj, "Tasks");
    ASSERT_NE(tasks, nullptr);
    ASSERT_EQ(tasks->getNrToDos(), 16u);
    EXPECT_EQ(tasks->getPath(), proj->childPath());
    for (std::size_t i = 0; i < tasks->getNrToDos(); ++i) {
        EXPECT_EQ(tasks->getToDo(i)->getID(), i);
        EXPECT_EQ(tasks->getToDo(i)->getPath(), tasks->childPath());
    }
    std::set<unsigned> ids;
    unsigned count = 0;
    collectSyncIDs(*v().getRoot(), ids, count);
    EXPECT_EQ(ids.size(), count);
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(v().getIdMax(), 4u + 17u); // the group and its 16 entries
    // "t0" ran before; "Recorded and running" runs on.
    EXPECT_EQ(v().getNrActiveJobs(), 2u);
    // Dated todos: "Done urgent", "Start only", "Recorded and running",
    // "Date-only begin"; two dated appointments.
    EXPECT_EQ(v().calendar().datedToDos.size(), 4u);
    EXPECT_EQ(v().calendar().datedAppointments.size(), 2u);
    unsigned done = 0, all = 0;
    tasks->getCompletedNr(done, all);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(all, 14u);

    const std::string before = dumpTree(v());
    TestOrganizer again(path);
    ASSERT_EQ(again.loaded, 0);
    ASSERT_EQ(again.replayed, 1) << again.journalError; // entries applied
    EXPECT_EQ(dumpTree(*again), before);
}

TEST_F(IcsImportEngine, ImportsIntoTheGroupItselfWithOneJournalEntryPerEntry) {
    storage::T_IcsImportReport report;
    ASSERT_EQ(v().importICalendar(icsDir + "rules.ics", *proj, "", report), 0) << report.error;
    EXPECT_EQ(report.rulesAsText, 5u);
    ASSERT_EQ(proj->getNrToDos(), 1u + 16u);
    EXPECT_EQ(proj->getNrGroups(), 0u);
    for (unsigned n = 0; n < 16; ++n)
        EXPECT_TRUE(journalExists(n)) << n;
    EXPECT_FALSE(journalExists(16));
    // The entries follow "a" with the next IDs.
    EXPECT_EQ(proj->getToDo(1)->getSummary(), "Every third day");
    EXPECT_EQ(proj->getToDo(1)->getID(), proj->getToDo(0)->getID() + 1);
    // Eight rules are kept; the daily resetable todo is filed by its date.
    EXPECT_EQ(v().calendar().recToDos.size(), 3u);
    EXPECT_EQ(v().calendar().recAppointments.size(), 6u);

    const std::string before = dumpTree(v());
    TestOrganizer again(path);
    ASSERT_EQ(again.replayed, 1) << again.journalError; // entries applied
    EXPECT_EQ(dumpTree(*again), before);
}

TEST_F(IcsImportEngine, RefusedImportsChangeNothing) {
    ToDoListGroup deepest(0, "/0/", MAX_GROUP_LEVEL);
    struct Row {
        std::string file;
        ToDoListGroup* parent;
        const char* group;
        int result;
    };
    const Row rows[] = {
        {"not_icalendar.txt", proj, "New", -1},
        {"empty.ics", proj, "", -1},
        {"no_entries.ics", proj, "New", -1},
        {"truncated.ics", proj, "", -1},
        {"bad_date.ics", proj, "New", -1},
        {"todos.ics", &deepest, "New", Velk::INSERT_TOO_DEEP},
    };
    const std::string before = dumpTree(v());
    const uint32_t idmax = v().getIdMax();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        storage::T_IcsImportReport report;
        EXPECT_EQ(v().importICalendar(icsDir + row.file, *row.parent, row.group, report),
                  row.result);
        EXPECT_NE(report.error, "");
        EXPECT_EQ(deepest.getNrGroups(), 0u);
        EXPECT_EQ(dumpTree(v()), before);
        EXPECT_EQ(v().getIdMax(), idmax);
        EXPECT_FALSE(journalExists(0));
    }
}
