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

// A calendar imported again goes into the group its first import made: an
// entry of a newer version (SEQUENCE, then DTSTAMP) that differs is updated
// in place, an older or equal one is left, a new UID is added; the journal
// replays the result.
TEST_F(IcsImportEngine, ImportingACalendarAgainUpdatesItsEntriesInPlace) {
    auto calendar = [&](const std::string& events) {
        writeWholeFile(dir.file("club.ics"),
                       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n");
        storage::T_IcsImportReport report;
        EXPECT_EQ(v().importICalendar(dir.file("club.ics"), *proj, "club", report), 0);
        return report;
    };
    auto event = [](const char* uid, int sequence, const char* stamp, const char* summary) {
        return std::string("BEGIN:VEVENT\r\nUID:") + uid +
               "\r\nSEQUENCE:" + std::to_string(sequence) + "\r\nDTSTAMP:" + stamp +
               "\r\nDTSTART;VALUE=DATE:20240105\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
    };
    storage::T_IcsImportReport first = calendar(event("a", 0, "20240101T000000Z", "Training") +
                                                event("b", 2, "20240101T000000Z", "Match"));
    EXPECT_EQ(first.added, 2u);
    ToDoListGroup* club = findGroup(*proj, "club");
    ASSERT_NE(club, nullptr);
    const unsigned trainingID = findToDo(*club, "Training")->getSyncID();

    const storage::T_IcsImportReport again =
        calendar(event("a", 0, "20240301T000000Z", "Training moved") +  // newer stamp
                 event("b", 1, "20240301T000000Z", "Match cancelled") + // older sequence
                 event("c", 0, "20240301T000000Z", "Party"));
    EXPECT_EQ(again.added, 1u);
    EXPECT_EQ(again.updated, 1u);
    EXPECT_EQ(again.unchanged, 1u);
    EXPECT_EQ(Velk::importCountsText(again), "1 new, 1 updated, 1 unchanged");
    EXPECT_EQ(Velk::importCountsText(first), "");
    EXPECT_EQ(proj->getNrGroups(), 1u);
    ASSERT_EQ(club->getNrToDos(), 3u);
    EXPECT_EQ(club->getToDo(0)->getSummary(), "Training moved");
    EXPECT_EQ(club->getToDo(0)->getSyncID(), trainingID);
    EXPECT_EQ(club->getToDo(1)->getSummary(), "Match");
    // The same file once more changes nothing, though its DTSTAMP is newer.
    EXPECT_EQ(calendar(event("a", 0, "20240401T000000Z", "Training moved")).unchanged, 1u);

    const std::string before = dumpTree(v());
    TestOrganizer reopened(path);
    ASSERT_EQ(reopened.replayed, 1) << reopened.journalError;
    EXPECT_EQ(dumpTree(*reopened), before);
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
