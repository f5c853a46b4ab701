// Loading a file builds the tree and every index in bulk. What it builds must
// be exactly what the plain procedure built, an entry at a time: the same tree,
// the same calendar lists in the same order, the same calendar rows and the
// same written file. The digests below were taken from the plain procedure;
// the files are the generated files of the benchmarks and the golden file.

#include "common/text.h"
#include "crypt/sha1.h"
#include "engine/plain_views.h"
#include "generate.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string hex(const std::string& text) {
    const auto d = Hash_SHA1::Of(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return lowerHex(d.data(), d.size());
}

// The sync IDs of a dated list in list order, with their keys.
template <class List> void listOrder(std::ostream& os, const List& list) {
    for (const T_DatedCalListItem& e : list.inOrder())
        os << e.item->getSyncID() << ':' << e.key << ' ';
    os << '\n';
}

std::string calendarLists(Velk& v) {
    std::ostringstream os;
    const T_Calendar& cal = v.calendar();
    listOrder(os, cal.datedToDos);
    listOrder(os, cal.datedAppointments);
    listOrder(os, cal.datedNotes);
    for (const T_RecCalList* rec : {&cal.recToDos, &cal.recAppointments, &cal.recNotes}) {
        for (const ToDoListToDo* t : *rec)
            os << t->getSyncID() << ' ';
        os << '\n';
    }
    return os.str();
}

// The rows of a 14-day calendar from firstDay, in display order.
std::string calendarRows(Velk& v, packedDT firstDay) {
    v.setMainViewType(MAINVIEW_CALENDAR);
    v.setCalFirstDay(firstDay);
    v.setCalSpan(14);
    v.clearViewData();
    v.getContent();
    v.sortContent();
    std::ostringstream os;
    for (unsigned i : v.getViewOrder()) {
        const T_viewDataItem& r = v.getViewData()[i];
        const ToDoListItem* item = v.getViewItems()[i];
        os << r.day << ' ' << r.prio << ' ' << int(r.kind) << int(r.completed) << int(r.startsHere)
           << int(r.endsHere) << ' ' << (item ? item->getSyncID() : 0) << ' ' << r.text.view()
           << '\n';
    }
    return os.str();
}

// The file with every fifth sync ID left out and every eleventh made a copy of
// an earlier one, as a file edited by hand might be: the loader numbers the
// records without one and renumbers those that collide.
std::string withMissingAndCollidingIDs(const std::string& file) {
    std::istringstream in(file);
    std::ostringstream out;
    std::string line;
    for (unsigned n = 0; std::getline(in, line);) {
        if (line.size() > 1 && line[0] == 'I' && ++n % 5 == 0) continue;
        out << (line.size() > 1 && line[0] == 'I' && n % 11 == 0 ? "I9" : line) << '\n';
    }
    return out.str();
}

// Each group's count of completed todos and of all todos, in tree order.
std::string completionCounts(Velk& v) {
    std::ostringstream os;
    forEachInSubtree(*v.getRoot(), true, [&os](ToDoListItem& item) {
        if (auto* g = dynamic_cast<ToDoListGroup*>(&item)) {
            unsigned done = 0, all = 0;
            g->getCompletedNr(done, all);
            os << done << '/' << all << (g->isCompleted() ? "c " : " ");
        }
    });
    return os.str();
}

} // namespace

TEST(LoadEquivalence, BulkLoadBuildsWhatThePlainProcedureBuilt) {
    struct Case {
        const char* name;
        std::string file;
        const char *tree, *lists, *rowsMarch2011, *rowsDecember2014, *written;
    };
    // clang-format off
    const Case cases[] = {
        {"generated, 20,000 entries", generateDataFile(20000, 1),
         "034f9bada7ed4ef565c9488143f0bec955316cfa",
         "ec2fa15a0d14f20b7af8d2412cbfd0cd4746fca5",
         "67e20b4bde374d536562c4106540df459ed6cddd",
         "e8f77f1608f3fdc131e715acc8348d550c5d519d",
         "dd77d7520ffa3492f1cdb200b71578626b1c1718"},
        {"generated, 3,000 entries, another seed", generateDataFile(3000, 7),
         "d7091185d91c782619d2936d240440c40868286c",
         "4b0c9b55162498c7f4dc2035f26cc3ab3fc3ee03",
         "f2e1fe565546bea9ef14b041257ccb4fa257fa27",
         "a9bc627592da5cced8be5cb153b285eb8ffee8f8",
         "8f71b02c6d074d640c4db471b812b71a3e7f7788"},
        {"generated, sync IDs missing and colliding", withMissingAndCollidingIDs(generateDataFile(3000, 3)),
         "3d3abbfe05d0acb9700bd56ad77102eb7e6d48f5",
         "25dccdb561d0349bf1d7e1561fd18e816a35601d",
         "a14b1663c92d8c8a99c2c6c20d018fb93cae83f8",
         "250b1832429fed8f39ebbe0213f3a1f78e19753a",
         "e7e1b8c6811afe046470ae82cf7f4c8e0ff2c49c"},
        {"golden file", readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/rich.dat"),
         "778207f40dc32abf3c92dc811c9a52ed4f29947b",
         "f065a23173f6e48314b06b69cf1396dec14ab50b",
         "ba5eae726ce922378667524b70a6d24f3f1b24b2",
         "266e8c58c7fa25cc2d025cc00e84b96df2b394c2",
         "d6bc0263c7a1fc338b304d2e394107747eaf099c"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeWholeFile(dir.file("in.dat"), c.file);
        TestOrganizer v(dir.file("in.dat"));
        ASSERT_EQ(v.loaded, 0);
        EXPECT_EQ(hex(dumpTree(*v)), c.tree);
        // The groups were counted as they were read; a recount of the whole
        // tree finds the same.
        const std::string counted = completionCounts(*v);
        v->getRoot()->checkCompleted();
        EXPECT_EQ(completionCounts(*v), counted);
        EXPECT_EQ(hex(calendarLists(*v)), c.lists);
        EXPECT_EQ(hex(calendarRows(*v, packDate(1, 3, 2011) | DT_NOTIME)), c.rowsMarch2011);
        EXPECT_EQ(hex(calendarRows(*v, packDate(15, 12, 2014) | DT_NOTIME)), c.rowsDecember2014);
        testing::internal::CaptureStderr();
        ASSERT_EQ(v->writeData(dir.file("out.dat").c_str()), 0);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(hex(readWholeFile(dir.file("out.dat"))), c.written);
    }
}

namespace {

// What a search prints, and how many entries the organizer holds.
std::string searchLines(Velk& v, const std::string& text, long long& entries) {
    entries = 0;
    forEachInSubtree(*v.getRoot(), true, [&entries](ToDoListItem& item) {
        entries += dynamic_cast<ToDoListToDo*>(&item) != nullptr;
    });
    v.setMainViewType(MAINVIEW_NORMAL);
    v.setGroup(v.getRoot());
    EXPECT_EQ(v.search(text), 0);
    v.buildView();
    std::ostringstream os;
    for (unsigned row : v.getViewOrder())
        if (const ToDoListItem* item = v.getViewItems()[row])
            writeSearchLine(*v.getRoot(), v.getViewData()[row], *item, os);
    return os.str();
}

} // namespace

TEST(LoadEquivalence, ASearchFindsTheSameWhenOnlyTheEntriesThatMayHoldItAreLoaded) {
    // The golden file's description holds lines that begin with ">" and "t",
    // and one entry's description is enciphered; "a description" sits in a
    // description across a line end.
    const std::string golden = readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/rich.dat");
    const std::string generated = generateDataFile(3000, 5);
    struct Case {
        const std::string* file;
        const char* text;
        long long mostLoaded; // entries the filtered load may hold
    };
    // The golden file's entry with an enciphered description is always loaded.
    const Case cases[] = {
        {&generated, "number 12", 750},
        {&generated, "NUMBER 2999 WITH", 750},
        {&generated, "runs\nover", 3000},
        {&generated, "WITH NOTES", 750},
        {&generated, "nothing like it", 0},
        {&golden, "indented >", 2},
        {&golden, "DENTIST", 1},
        {&golden, "e", 4},
        {&golden, "last", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        writeWholeFile(dir.file("in.dat"), *c.file);
        TestOrganizer whole(dir.file("in.dat"));
        Velk filtered;
        filtered.createRoot();
        filtered.loadOnlyEntriesHolding(c.text);
        ASSERT_EQ(filtered.readData(dir.file("in.dat").c_str()), 0);
        long long all = 0, kept = 0;
        const std::string expected = searchLines(*whole, c.text, all);
        EXPECT_FALSE(expected.empty() && std::string(c.text) != "nothing like it");
        EXPECT_EQ(searchLines(filtered, c.text, kept), expected);
        EXPECT_LE(kept, c.mostLoaded);
        EXPECT_LE(c.mostLoaded, all);
    }
}
