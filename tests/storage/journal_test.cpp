// The journal: the exact entry each kind of edit writes and its replay, the
// entries a replay refuses, and what a start makes of the files it finds.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string march10 = std::to_string(packDate(10, 3, 2011) | DT_NOTIME);
const std::string march7 = std::to_string(packDate(7, 3, 2011) | DT_NOTIME);

// root: "plain", "dated" (due 10 March 2011), group "Work" { "w1", group "Sub"
// { "s1" } }, group "Old" { "o1" }; sync IDs 1 to 9 in that order.
const std::string baseFile = fixedLines +
                             "<idmax=9>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
                             "t\nsplain\nI2\n>\nt\nsdated\nI3\nn" +
                             march10 +
                             "\n>\n"
                             "g\nsWork\nI4\nt\nsw1\nI5\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\n"
                             "g\nsOld\nI8\nt\nso1\nI9\n>\n>\n>\n</data>\n";

const auto entry = [](const std::string& body) { return fixedLines + body + "</data>\n"; };

// Edits as the window makes them; journal says whether the editor saves.
void newToDo(Velk& v, const std::string& summary, int kind = 0, bool journal = true) {
    ASSERT_EQ(v.newToDo(kind, 0u), 0);
    v.incsave_newItem(), v.setItemSummary(summary);
    ASSERT_EQ(journal ? v.incsave_saveCurItem() : 0, 0);
}
void newGroup(Velk& v, const char* in, const std::string& summary, bool journal = true) {
    v.setGroup(findGroup(*v.getRoot(), in));
    ASSERT_EQ(v.newGroup(), 0);
    v.incsave_newItem(), v.setGroupSummary(summary);
    ASSERT_EQ(journal ? v.incsave_saveCurGroup() : 0, 0);
}
void editToDo(Velk& v, const std::string& summary, const std::function<void()>& edit) {
    v.setItem(findToDo(*v.getRoot(), summary)), v.incsave_rememberTodo(), edit();
    EXPECT_EQ(v.incsave_todoHasChanged() ? v.incsave_saveCurItem() : 0, 0);
    v.incsave_forgetTodo();
}

void changeWork(Velk& v) {
    v.setGroup(findGroup(*v.getRoot(), "Work")), v.incsave_rememberGroup();
    v.setGroupSummary("W2"), v.setGroupPriority(2);
    ASSERT_EQ(v.incsave_groupHasChanged() ? v.incsave_saveCurGroup() : -1, 0);
}
// A note on 7 March 2011 in the calendar view, with Work as the current group.
void noteOnMarch7(Velk& v) {
    v.setGroup(findGroup(*v.getRoot(), "Work")), v.setMainViewType(MAINVIEW_CALENDAR);
    v.clearViewData();
    const packedDT day = packDate(7, 3, 2011) | DT_NOTIME;
    v.contentView().addRow(T_viewDataItem{.day = day, .prio = PRIO_DAYHEADER, .text = {}}, nullptr);
    newToDo(v, "", 200);
}

} // namespace

TEST(Journal, EachEditWritesItsEntryAndTheReplayGivesTheSameTree) {
    // clang-format off
    const struct { const char* rule; std::function<void(Velk&)> edit; std::vector<std::string> entries;
                   std::string base = baseFile; } rows[] = {
        {"a new todo; description lines that look like records stay in the block",
         [](Velk& v) { newToDo(v, "fresh", 0, false), v.setItemDescription("one\n>\nt\nlast"), v.incsave_saveCurItem(); },
         {"<new parent=1>\nt\nsfresh\nI10\nd12\none\n>\nt\nlast\n>\n>\n</new>\n"}},
        {"a changed todo: its whole record", [](Velk& v) {
             editToDo(v, "plain", [&] { v.setItemSummary("p2"), v.setItemPriority(5), v.setItemDescription("a\nb"); });
         }, {"<changed>\nt\nsp2\nI2\np5\nd3\na\nb\n>\n</changed>\n"}},
        {"an unchanged todo writes nothing",
         [](Velk& v) { editToDo(v, "dated", [&] { v.setItemSummary("dated"); }); }, {}},
        {"an item in the file is changed whatever the new-item flag says",
         [](Velk& v) { v.incsave_newItem(), editToDo(v, "plain", [&] { v.setItemSummary("p"); }); },
         {"<changed>\nt\nsp\nI2\n>\n</changed>\n"}},
        {"a deleted todo", [](Velk& v) { v.DeleteItem(findToDo(*v.getRoot(), "dated")); }, {"<deleted>\n3\n</deleted>\n"}},
        {"a new group", [](Velk& v) { newGroup(v, "Work", "G"); }, {"<new parent=4>\ng\nsG\nI10\n>\n>\n</new>\n"}},
        {"a changed group: its own lines, not its children", changeWork, {"<changed>\ng\nsW2\nI4\np2\n>\n</changed>\n"}},
        {"a deleted group, with its subtree", [](Velk& v) { v.DeleteItem(findGroup(*v.getRoot(), "Sub")); }, {"<deleted>\n6\n</deleted>\n"}},
        {"a calendar item comes with the calendar group made for it, under the root", noteOnMarch7,
         {"<new parent=1>\ng\nscalendar\nI10\nt\ns\nI11\np200\nm" + march7 + "\nn" + march7 + "\n>\n>\n>\n</new>\n"}},
        {"a saved todo turned into a group: its deletion, then the new group", [](Velk& v) {
             v.setGroup(findGroup(*v.getRoot(), "Work")), v.setItem(findToDo(*v.getRoot(), "w1")), v.turnCurItem2Group();
         }, {"<deleted>\n5\n</deleted>\n", "<new parent=4>\ng\nsw1\nI10\nt\nsw1\nI11\n>\n>\n>\n</new>\n"}},
        {"a group never journaled comes with its first todo",
         [](Velk& v) { newGroup(v, "<unnamed>", "Unsaved", false), newToDo(v, "inside"); },
         {"<new parent=1>\ng\nsUnsaved\nI10\nt\nsinside\nI11\n>\n>\n>\n</new>\n"}},
        {"items in no file are deleted without an entry", [](Velk& v) {
             newToDo(v, "", 0, false), v.delToDo(), newGroup(v, "<unnamed>", "", false), v.delCurGroup();
         }, {}},
        {"records the file stored without a sync ID are in the file all the same",
         [](Velk& v) { v.DeleteItem(findToDo(*v.getRoot(), "a")), editToDo(v, "b", [&] { v.setItemSummary("b2"); }); },
         {"<deleted>\n2\n</deleted>\n", "<changed>\nt\nsb2\nI3\n>\n</changed>\n"},
         fixedLines + "<idmax=1>\ng\ns<unnamed>\nI1\nt\nsa\n>\nt\nsb\n>\n>\n"},
        {"after the sync IDs wrapped, an item dropped before it was journaled needs no entry",
         [](Velk& v) { newToDo(v, "", 0, false), v.DeleteItem(v.getCurItem()); }, {},
         fixedLines + "<idmax=4294967295>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI4\n>\n>\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        TempDir dir;
        const std::string path = dir.file("v.dat");
        writeWholeFile(path, row.base);
        TestOrganizer a(path);
        row.edit(*a);
        ASSERT_EQ(a->incsave_getNrOfFiles(), int(row.entries.size()));
        for (unsigned n = 0; n < row.entries.size(); ++n)
            EXPECT_EQ(readWholeFile(journalFile(path, n)), entry(row.entries[n])) << "entry " << n;
        TestOrganizer b(path);
        EXPECT_EQ(b.replayed, row.entries.empty() ? 0 : 1) << b.journalError;
        EXPECT_EQ(dumpTree(*b), dumpTree(*a));
    }
}

// Entries written by hand, replayed onto the base file: what the tree shows.
// A row without `shown` is an entry that cannot be replayed: written between
// two good ones, it stops the start, which names its file and changes nothing.
TEST(Journal, AnEntryAppliesItsRuleOrStopsTheStartNamingItsFile) {
    // clang-format off
    const struct { const char* rule; std::vector<std::string> entries; const char *shown = nullptr, *gone = nullptr; }
    rows[] = {
        {"a changed group takes summary and priority, not its view flags nor children",
         {"<changed>\ng\nsRenamed\nI4\np1\nc0\nl0\n>\n</changed>\n"},
         "  g I4 p1 c1 l1 sRenamed\n    t I5", "sWork"},
        {"a deleted group takes its subtree", {"<deleted>\n4\n</deleted>\n"}, "sOld", "ss1"},
        {"running todos are counted anew",
         {"<changed>\nt\nsplain\nI2\nR\nr100,100\n>\n</changed>\n",
          "<new parent=6>\nt\nsrun\nI20\nR\nr5,5\n>\n>\n</new>\n"},
         "running 2 ", "running 0"},
        {"a stopped recording stops counting",
         {"<changed>\nt\nsw1\nI5\nR\n>\n</changed>\n", "<changed>\nt\nsw1\nI5\n>\n</changed>\n"},
         "running 0 ", "R1"},
        {"a file without an entry is passed over; each entry of a file counts, in order",
         {"", "<deleted>\n2\n</deleted>\n<deleted>\n3\n</deleted>\n"}, "sWork", "sdated"},
        {"unknown parent", {"<new parent=99>\nt\nsx\nI20\n>\n>\n</new>\n"}},
        {"parent is a todo", {"<new parent=2>\nt\nsx\nI20\n>\n>\n</new>\n"}},
        {"wrong closing line of new", {"<new parent=1>\nt\nsx\nI20\n>\n>\n</neu>\n"}},
        {"new entry gives its parent a sync ID", {"<new parent=4>\nt\nsx\nI20\n>\nI1\n>\n</new>\n"}},
        {"new entry renames its parent", {"<new parent=4>\nsRenamed\nt\nsx\nI20\n>\n>\n</new>\n"}},
        {"record cut short", {"<new parent=1>\nt\nsx\nI20\n"}},
        {"unknown deleted item", {"<deleted>\n99\n</deleted>\n"}},
        {"wrong closing line of deleted", {"<deleted>\n2\n</changed>\n"}},
        {"deleted root", {"<deleted>\n1\n</deleted>\n"}},
        {"changed unknown item", {"<changed>\nt\nsx\nI99\n>\n</changed>\n"}},
        {"changed todo names a group", {"<changed>\nt\nsx\nI4\n>\n</changed>\n"}},
        {"changed group names a todo", {"<changed>\ng\nsx\nI2\n>\n</changed>\n"}},
        {"changed record without sync ID", {"<changed>\ng\nsx\n>\n</changed>\n"}},
        {"changed record cut short", {"<changed>\nt\nsx\nI2\n"}},
        {"changed neither todo nor group", {"<changed>\nsx\nI2\n>\n</changed>\n"}},
    };
    // clang-format on
    const std::string good = "<changed>\nt\nsfirst\nI2\n>\n</changed>\n";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        TempDir dir;
        const std::string path = dir.file("v.dat");
        writeWholeFile(path, baseFile);
        const auto entries =
            row.shown ? row.entries : std::vector<std::string>{good, row.entries[0], good};
        for (unsigned n = 0; n < entries.size(); ++n)
            writeWholeFile(journalFile(path, n), entry(entries[n]));
        TestOrganizer b(path);
        EXPECT_EQ(readWholeFile(path), baseFile) << "a replay never writes the data file";
        EXPECT_EQ(b.replayed, row.shown ? 1 : -1) << b.journalError;
        EXPECT_TRUE(row.shown || b.journalError == journalFile(path, 1)) << b.journalError;
        EXPECT_EQ(row.shown ? 4u : namesIn(dir.path()).size(), 4u) << "the four files stay";
        if (!row.shown) continue;
        const std::string tree = dumpTree(*b);
        EXPECT_NE(tree.find(row.shown), std::string::npos) << tree;
        EXPECT_EQ(tree.find(row.gone), std::string::npos) << tree;
    }
}

// The files a start finds beside the data file, and what it leaves: it
// replays the run from 0, saves when it replayed, and sets strays aside.
// "<unreadable>" makes a file without read permission, "<fifo>" a FIFO.
TEST(Journal, AStartSortsOutTheFilesItFinds) {
    const std::string drop2 = entry("<deleted>\n2\n</deleted>\n"),
                      drop3 = entry("<deleted>\n3\n</deleted>\n");
    // after: the names in the folder
    // clang-format off
    const struct { const char* rule; std::vector<std::pair<std::string, std::string>> files; int replayed;
                   std::vector<std::string> after; } rows[] = {
        {"files behind a gap are not replayed and are set aside",
         {{"v.dat0", drop2}, {"v.dat2", drop3}, {"v.dat5", "x"}, {"v.dat007", "x"}}, 1,
         {"v.dat", "v.dat007", "v.dat2.orphan", "v.dat5.orphan", "v.datb0"}},
        {"without file zero every numbered file is set aside", {{"v.dat1", drop2}}, 0,
         {"v.dat", "v.dat1.orphan"}},
        {"a damaged file is passed over and a copy kept aside",
         {{"v.dat0", "junk\n"}, {"v.dat1", drop2}}, 1, {"v.dat", "v.dat0.damaged", "v.datb0"}},
        {"a file of only the fixed lines is passed over", {{"v.dat0", fixedLines}, {"v.dat1", drop2}}, 1,
         {"v.dat", "v.datb0"}},
        {"an unreadable file ends the run and is set aside",
         {{"v.dat0", drop2}, {"v.dat1", "<unreadable>"}}, 1, {"v.dat", "v.dat1.orphan", "v.datb0"}},
        {"a FIFO in the place of an entry is refused", {{"v.dat0", "<fifo>"}}, -3, {"v.dat", "v.dat0"}},
        {"leftover temporaries go, names alike stay",
         {{"v.dat3.tmpAb12Cd", "x"}, {"v.dat.tmpXyZ789", "x"}, {"v.dat.tmpshort", "x"},
          {"other.dat1.tmpAb12Cd", "x"}}, 0, {"other.dat1.tmpAb12Cd", "v.dat", "v.dat.tmpshort"}},
        {"a save interrupted before it replaced the data file: its entries count again",
         {{"v.dat0.mergedAb12Cd", drop2}, {"v.dat.tmpAb12Cd", "new file, never put in place"}}, 1,
         {"v.dat", "v.datb0"}},
        {"a save interrupted after it replaced the data file: its entries go",
         {{"v.dat0.mergedAb12Cd", drop2}, {"v.datb0.mergedAb12Cd", "k"}, {"v.dat0.mergedAb12", "k"},
          {"v.dat.merged", "k"}}, 0, {"v.dat", "v.dat.merged", "v.dat0.mergedAb12", "v.datb0.mergedAb12Cd"}},
        {"a retired entry beside a current one of its number cannot be decided",
         {{"v.dat0.mergedAb12Cd", drop2}, {"v.dat.tmpAb12Cd", "x"}, {"v.dat0", drop3}}, -2,
         {"v.dat", "v.dat.tmpAb12Cd", "v.dat0", "v.dat0.mergedAb12Cd"}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        TempDir dir;
        const std::string path = dir.file("v.dat");
        writeWholeFile(path, baseFile);
        for (const auto& [name, text] : row.files) {
            if (text != "<fifo>") writeWholeFile(dir.file(name), text);
            ASSERT_EQ(text == "<fifo>" ? ::mkfifo(dir.file(name).c_str(), 0600) : 0, 0);
            ASSERT_EQ(::chmod(dir.file(name).c_str(), text == "<unreadable>" ? 0 : 0600), 0);
        }
        if (::geteuid() == 0 && row.files.back().second == "<unreadable>") continue; // not bound
        {
            TestOrganizer b(path);
            EXPECT_EQ(b.replayed, row.replayed) << b.journalError;
            EXPECT_EQ(findToDo(*b->getRoot(), "plain") == nullptr, row.replayed == 1);
            T_SaveReport report;
            EXPECT_EQ(b.replayed == 1 ? b->saveData(report) : 0, 0) << report.error;
            if (b.replayed >= 0) b->incsave_setAsideStrays();
        }
        EXPECT_EQ(namesIn(dir.path()), row.after);
        EXPECT_EQ(readWholeFile(path) == baseFile, row.replayed != 1) << "only a replay saves";
    }
}
