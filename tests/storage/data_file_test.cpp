#include "engine/velk.h"
#include "model/clock.h"
#include "storage/file_tools.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

const std::string dataDir = VELK_TEST_DATA_DIR;

// An engine on a pinned clock (5 March 2011), as the program entry makes it.
struct Organizer {
    Organizer() {
        setVelkNowForTesting(1299326400);
        engine = std::make_unique<Velk>();
        engine->createRoot();
    }
    ~Organizer() { setVelkNowForTesting(-1); }
    int load(const std::string& path) { return engine->readData(path.c_str()); }
    int save(const std::string& path) { return engine->writeData(path.c_str()); }
    std::unique_ptr<Velk> engine;
};

// Loads the text as a data file; returns readData's result.
int loadText(Organizer& o, const TempDir& dir, const std::string& text) {
    writeWholeFile(dir.file("in.dat"), text);
    return o.load(dir.file("in.dat"));
}

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

} // namespace

TEST(DataFile, NewOrganizerWritesTheFreshFile) {
    TempDir dir;
    Organizer o;
    EXPECT_EQ(o.load(dir.file("new.dat")), 0);
    EXPECT_EQ(o.engine->getIdMax(), 1u);
    ASSERT_EQ(o.save(dir.file("new.dat")), 0);
    EXPECT_EQ(readWholeFile(dir.file("new.dat")), readWholeFile(dataDir + "/fresh.dat"));
}

TEST(DataFile, RichFileReadsAndWritesBackByteForByte) {
    TempDir dir;
    Organizer o;
    const std::string golden = readWholeFile(dataDir + "/rich.dat");
    ASSERT_EQ(loadText(o, dir, golden), 0);
    Velk& v = *o.engine;
    EXPECT_EQ(v.getIdMax(), 20u);
    EXPECT_EQ(v.itemTree().activeJobs(), 1u);
    EXPECT_EQ(v.getOptions().viewtype, VIEWTYPE_FLAT);
    EXPECT_EQ(v.getOptions().mainviewtype, MAINVIEW_CALENDAR);
    EXPECT_TRUE(v.getOptions().ShowKbd);
    EXPECT_EQ(v.guiData().oldPosInList, (std::vector<int32_t>{3, -1}));
    EXPECT_EQ(v.guiData().oldSelInList, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(v.getCurGroup()->getSummary(), "Deep");
    ASSERT_EQ(v.getRoot()->getNrToDos(), 3u);
    const char* text = nullptr;
    EXPECT_FALSE(v.getRoot()->getToDo(0)->GetDescription(text, &v.getCrypt()));
    EXPECT_STREQ(text, "first line\n>\nt\ng\n  indented > last");
    EXPECT_EQ(v.getRoot()->getToDo(0)->getNrTimes(), 2);
    EXPECT_TRUE(v.getRoot()->getToDo(0)->hasBeenSaved());
    EXPECT_EQ(v.calendar().datedAppointments.size(), 1u);
    EXPECT_EQ(v.calendar().recNotes.size(), 1u);

    // The note's description is to be stored enciphered but nobody is logged
    // in: it is kept as it is and the writer says so.
    testing::internal::CaptureStderr();
    ASSERT_EQ(o.save(dir.file("out.dat")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "writeContent hat nicht Null zurückgegeben!\n");
    EXPECT_EQ(readWholeFile(dir.file("out.dat")), golden);
}

TEST(DataFile, HeaderLinesInAnyOrderAndUnknownLinesIgnored) {
    TempDir dir;
    Organizer o;
    ASSERT_EQ(loadText(o, dir,
                       fixed + "<Session.uWinWidth=600>\nrubbish\n<cal.days=3>\n<onlyActive>\n"
                               "<cal.days=2>\n<sorttype=priority>\n<idmax=9>\n<Session.uWinWidth=700>\n"
                               "g\ns<unnamed>\nI1\n\nunknown\nt\nsx\n?\nI2\n>\n>\n</data>\n"),
              0);
    Velk& v = *o.engine;
    EXPECT_EQ(v.getSession().uWinWidth, 700u);
    EXPECT_EQ(v.getSession().uWinHeight, 320u);
    EXPECT_EQ(v.calendar().days, 2u);
    EXPECT_EQ(v.getOptions().mainviewtype, MAINVIEW_ACTIVE);
    EXPECT_EQ(v.getOptions().sorttype, SORT_PRIORITY);
    EXPECT_EQ(v.getRoot()->getToDo(0)->getSummary(), "x");
    unsigned w = 0, h = 0;
    v.windowSize(w, h);
    EXPECT_EQ(w, 700u);
}

TEST(DataFile, CalendarSpanIsKeptWithinTheDaysTheCalendarOffers) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"375750656", 14}, {"15", 14}, {"14", 14}, {"1", 1}, {"0", 1}};
    for (const auto& [text, days] : cases) {
        TempDir dir;
        Organizer o;
        ASSERT_EQ(loadText(o, dir,
                           fixed + "<cal.days=" + text + ">\ng\ns<unnamed>\nI1\n>\n</data>\n"),
                  0);
        EXPECT_EQ(o.engine->calendar().days, days) << text;
    }
}

TEST(DataFile, PrioritiesAreClampedAsStored) {
    TempDir dir;
    Organizer o;
    ASSERT_EQ(loadText(o, dir,
                       fixed + "g\nI1\nt\np100\n>\nt\np150\n>\nt\np-2\n>\nt\np200\n>\nt\np6\n>\n"
                               "g\np9\n>\ng\np-1\n>\ng\np6\n>\n>\n"),
              0);
    ToDoListGroup& r = *o.engine->getRoot();
    EXPECT_EQ(r.getToDo(0)->getPriority(), 100u);
    EXPECT_EQ(r.getToDo(1)->getPriority(), 1u);
    EXPECT_EQ(int32_t(r.getToDo(2)->getPriority()), -2);
    EXPECT_EQ(r.getToDo(3)->getPriority(), 200u);
    EXPECT_EQ(r.getToDo(4)->getPriority(), 6u) << "the lowest priority is kept";
    EXPECT_EQ(r.getGroup(0)->getPriority(), 1u);
    EXPECT_EQ(int32_t(r.getGroup(1)->getPriority()), -1);
    EXPECT_EQ(r.getGroup(2)->getPriority(), 6u) << "the lowest priority is kept";
}

TEST(DataFile, RecordsWithoutSyncIDAreNumberedAndCollisionsRepaired) {
    TempDir dir;
    Organizer o;
    // The header's idmax is too low: the numbered entry gets 3, which the
    // group read later also carries.
    ASSERT_EQ(loadText(o, dir, fixed + "<idmax=2>\ng\nI1\nt\nsnumbered\n>\nt\nI2\n>\ng\nI3\n>\n>\n"),
              0);
    Velk& v = *o.engine;
    ToDoListToDo* numbered = v.getRoot()->getToDo(0);
    EXPECT_FALSE(numbered->hasBeenSaved());
    EXPECT_TRUE(v.getRoot()->getToDo(1)->hasBeenSaved());
    EXPECT_EQ(v.getRoot()->getGroup(0)->getSyncID(), 3u);
    EXPECT_EQ(numbered->getSyncID(), 4u) << "a fresh ID above every ID in the file";
    EXPECT_EQ(v.getIdMax(), 4u);

    Organizer fine;
    ASSERT_EQ(loadText(fine, dir, fixed + "<idmax=7>\ng\nI1\nt\n>\n>\n"), 0);
    EXPECT_EQ(fine.engine->getRoot()->getToDo(0)->getSyncID(), 8u);
}

// Every sync ID and idmax up to 4294967294 is kept as read. Only the wrap
// round to 0 is avoided: past 4294967295 a record without "I" gets the lowest
// number above 0 that no item of the whole file carries.
TEST(DataFile, SyncIDsReadBackUnchangedAndNewOnesNeverWrap) {
    const struct {
        const char *idmax, *records, *written;
    } cases[] = {
        {"2147483647", "I1\nt\nI2147483647\n>\nt\n>\n", "2147483648 1 2147483647 2147483648"},
        {"2147483648", "I1\nt\nI2147483648\n>\nt\n>\n", "2147483649 1 2147483648 2147483649"},
        {"4000000000", "I1\nt\nI3999999999\n>\nt\n>\n", "4000000001 1 3999999999 4000000001"},
        {"4294967294", "I1\nt\nI4294967294\n>\nt\n>\n", "4294967295 1 4294967294 4294967295"},
        {"4294967295", "I1\nt\nI2\n>\nt\nI4\n>\nt\n>\n", "4294967295 1 2 4 3"},
        {"7", "I1\nt\nI-1\n>\nt\n>\nt\nI2\n>\n", "4294967295 1 4294967295 3 2"},
        {"4294967295", "t\n>\ng\nt\nI1\n>\nt\n>\n>\n", "4294967295 2 3 4 1 5"},
        {"4294967294", "I1\nt\n>\nt\nI4294967295\n>\n", "4294967295 1 2 4294967295"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records);
        TempDir dir;
        Organizer o;
        ASSERT_EQ(loadText(o, dir, fixed + "<idmax=" + c.idmax + ">\ng\n" + c.records + ">\n"), 0);
        ASSERT_EQ(o.save(dir.file("out.dat")), 0);
        // The header's idmax, then every record's sync ID in file order.
        std::istringstream written(readWholeFile(dir.file("out.dat")));
        std::string line, ids;
        while (std::getline(written, line))
            if (line.rfind("<idmax=", 0) == 0 || line.rfind("I", 0) == 0)
                ids += (ids.empty() ? "" : " ") +
                       (line[0] == 'I' ? line.substr(1) : line.substr(7, line.size() - 8));
        EXPECT_EQ(ids, c.written);
    }
}

TEST(DataFile, OldFilesOpenTheRootWithAngleG) {
    TempDir dir;
    Organizer o;
    EXPECT_EQ(loadText(o, dir, "<type=Velk>\n<version=0.13>\n<data>\n<g>\ns<unnamed>\nI1\nt\nsold\n>\n>\n"),
              0);
    EXPECT_EQ(o.engine->getRoot()->getToDo(0)->getSummary(), "old");
    Organizer n;
    EXPECT_EQ(loadText(n, dir, "<type=Velk>\n<version=0.54>\n<data>\n<g>\ns<unnamed>\n>\n"), -1);
}

TEST(DataFile, MalformedFilesAreRefusedAndLeftUntouched) {
    struct Case {
        const char* name;
        std::string text;
        const char* printed;
    } cases[] = {
        {"empty file", "", ""},
        {"no root record", fixed + "<idmax=3>\n", ""},
        {"end of file inside a record", fixed + "g\nI1\nt\nsx\n", ""},
        {"end of file inside a group", fixed + "g\nI1\ng\nI2\n>\n", ""},
        {"plain block too short", fixed + "g\nt\nd100\nshort\n>\n>\n", "Expected 100 byte, got 10\n"},
        {"binary block too short", fixed + "g\nt\nF6\nd9\nQ9fH!!!!\n>\n>\n", "Expected 9 byte, got 3\n"},
        {"compressed description", fixed + "g\nt\nF1\nd3\nQ9fH!!!!\n>\n>\n", "unable to unzip\n"},
        {"negative block", fixed + "g\nt\nd-5\n>\n>\n", "Expected -5 byte, got 0\n"},
        {"bad password section", fixed + "<Crypt>\nnonsense\n</Crypt>\ng\n>\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Organizer o;
        testing::internal::CaptureStdout();
        EXPECT_EQ(loadText(o, dir, c.text), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(readWholeFile(dir.file("in.dat")), c.text);
        EXPECT_EQ(o.engine->calendar().datedToDos.size() + o.engine->calendar().recToDos.size(),
                  0u);
    }
}

TEST(DataFile, UnreadableFileIsNotTakenForAMissingOne) {
    TempDir dir;
    Organizer o;
    std::filesystem::create_directories(dir.file("adir"));
    EXPECT_EQ(o.load(dir.file("adir")), -2);
    if (::geteuid() != 0) {
        writeWholeFile(dir.file("locked.dat"), fixed + "g\n>\n");
        std::filesystem::permissions(dir.file("locked.dat"), std::filesystem::perms::none);
        Organizer p;
        EXPECT_EQ(p.load(dir.file("locked.dat")), -2);
    }
}

TEST(DataFile, LongAndMultiLineTextsStayReadable) {
    TempDir dir;
    Organizer o;
    o.load(dir.file("v.dat"));
    ToDoListToDo* t = o.engine->getRoot()->newToDo();
    t->setSummary(std::string(5000, 's'));
    ToDoListGroup* g = o.engine->getRoot()->newGroup();
    g->setSummary("two\nlines");
    ASSERT_EQ(o.save(dir.file("v.dat")), 0);
    Organizer back;
    ASSERT_EQ(back.load(dir.file("v.dat")), 0);
    EXPECT_EQ(back.engine->getRoot()->getToDo(0)->getSummary(), std::string(5000, 's'));
    EXPECT_EQ(back.engine->getRoot()->getGroup(0)->getSummary(), "two lines");
}

TEST(DataFile, DatelessTimeReadsBackUnchanged) {
    TempDir dir;
    Organizer o;
    ASSERT_EQ(loadText(o, dir, fixed + "g\nt\nm2147484160\n>\n>\n"), 0);
    EXPECT_EQ(o.engine->getRoot()->getToDo(0)->getDateTime(16), 2147484160u);
}

TEST(DataFile, FailedWriteLeavesTheOldFile) {
    TempDir dir;
    Organizer o;
    const std::string golden = readWholeFile(dataDir + "/rich.dat");
    ASSERT_EQ(loadText(o, dir, golden), 0);
    FileTools::ops().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    testing::internal::CaptureStderr();
    int r = o.save(dir.file("in.dat"));
    testing::internal::GetCapturedStderr();
    FileTools::ops() = FileTools::systemOps();
    EXPECT_EQ(r, -1);
    EXPECT_EQ(readWholeFile(dir.file("in.dat")), golden);
}

TEST(DataFile, SearchResultsGroupIsNeverWritten) {
    TempDir dir;
    Organizer o;
    Velk& v = *o.engine;
    o.load(dir.file("v.dat"));
    ToDoListGroup* kept = v.getRoot()->newGroup();
    kept->setSummary("kept");
    v.setGroup(kept);
    ASSERT_EQ(v.search(""), 0);
    ASSERT_EQ(o.save(dir.file("v.dat")), 0);
    std::string text = readWholeFile(dir.file("v.dat"));
    EXPECT_EQ(text.find("search results"), std::string::npos);
    EXPECT_NE(text.find("<curGroup=/0/0/>\n"), std::string::npos);
}

TEST(DataFile, TidyingARecordOnSaveLeavesNoStaleCalendarEntry) {
    TempDir dir;
    Organizer o;
    // A recurring todo without a begin: filed as recurring when read, its
    // recurrence is dropped when the record is tidied on saving.
    ASSERT_EQ(loadText(o, dir, fixed + "g\nI1\nt\nI2\nn187875328\n11\n>\n>\n"), 0);
    Velk& v = *o.engine;
    ASSERT_EQ(v.calendar().recToDos.size(), 1u);
    testing::internal::CaptureStdout();
    ASSERT_EQ(o.save(dir.file("out.dat")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Recurrence reset (1): no range [");
    ASSERT_EQ(
        v.getRoot()->delToDo(v.getRoot()->getToDo(0), v.itemTree().activeJobs(), v.calendar()), 0);
    EXPECT_EQ(v.calendar().recToDos.size() + v.calendar().datedToDos.size(), 0u);
}
