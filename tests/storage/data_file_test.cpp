// The data file: header lines, records, sync IDs, malformed files and the
// copy saved elsewhere, each against text written out by hand.

#include "engine/velk.h"
#include "storage/data_file.h"
#include "storage/records.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

const std::string dataDir = VELK_TEST_DATA_DIR;
const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

// Every header value, named.
std::vector<std::string> fieldsOf(const storage::T_DataHeader& h) {
    std::vector<std::string> f;
    auto put = [&](const char* name, const auto& value) {
        std::ostringstream os;
        os << name << '=' << value;
        f.push_back(os.str());
    };
    put("idmax", h.idmax), put("aftersync", h.idmaxaftersync), put("cur", h.curGroup);
    put("kbd", h.showKbd), put("view", h.viewtype), put("main", h.mainviewtype), put("sort", h.sorttype);
    put("caldate", h.calDate), put("days", h.calDays), put("lines", h.nLineNormal);
    put("calLines", h.nLineCal), put("width", h.winWidth), put("height", h.winHeight);
    for (int32_t p : h.oldPosInList)
        put("pos", p);
    return f;
}

// The header values read that differ from the defaults, the root's sync ID
// when it is not 1 and the result when it is not 0.
std::string headerOf(const std::string& lines) {
    std::istringstream in(fixed + lines + "g\nI1\n>\n");
    storage::DataFile file;
    storage::T_DataHeader h, byDefault;
    byDefault.idmax = 1; // the root record carries 1
    ToDoListGroup root(0, "/", 0);
    unsigned jobs = 0;
    T_Calendar cal;
    std::string error, shown;
    std::vector<uint32_t> numbered;
    const int r = file.read(in, h, [](std::istream&) { return -1; }, root, jobs, cal, error, numbered);
    root.removeFromCalLists(cal);
    std::vector<std::string> read = fieldsOf(h), defaults = fieldsOf(byDefault);
    for (std::size_t i = 0; i < read.size(); ++i)
        if (i >= defaults.size() || read[i] != defaults[i]) shown += read[i] + " ";
    if (root.getSyncID() != 1) shown += "root=" + std::to_string(root.getSyncID()) + " ";
    if (r != 0) shown += "result=" + std::to_string(r) + " ";
    return shown.empty() ? shown : shown.substr(0, shown.size() - 1);
}

// Reads a record ("t" or "g" first) and writes it back.
std::string rewritten(const std::string& record) {
    std::istringstream in(record.substr(2));
    std::ostringstream out;
    unsigned running = 0, idmax = 0;
    T_Calendar cal;
    ToDoListToDo t(0, "/0/");
    ToDoListGroup g(0, "/0/", 1);
    const int r = record[0] == 't' ? readToDoRecord(in, t, running, idmax, cal)
                                   : readGroupRecord(in, g, running, idmax, cal);
    if (r != 0) return "unread";
    if (record[0] == 't') writeToDoRecord(out, t, nullptr);
    if (record[0] == 'g') writeGroupRecord(out, g, nullptr);
    t.removeFromCalLists(cal);
    g.removeFromCalLists(cal);
    return out.str();
}

} // namespace

TEST(DataFile, HeaderLinesGiveTheirValues) {
    const struct {
        const char *rule, *lines, *values;
    } rows[] = {
        {"every line the save writes",
         "<idmax=9>\n<idmaxaftersync=4>\n<curGroup=/0/2/>\n<ShowKbd>\n<viewtype=flat>\n<mainviewtype=3>\n"
         "<sorttype=priority>\n<cal.date=187875328>\n<cal.days=7>\n<GUIData.nLineNormal=-3>\n"
         "<GUIData.nLineCal=5>\n<GUIData.oldPosInList=3>\n<GUIData.oldPosInList=-1>\n"
         "<Session.uWinHeight=200>\n<Session.uWinWidth=600>\n",
         "idmax=9 aftersync=4 cur=/0/2/ kbd=1 view=0 main=3 sort=0 caldate=187875328 days=7 "
         "lines=-3 calLines=5 width=600 height=200 pos=3 pos=-1"},
        {"in any order the later line wins; unknown lines are ignored",
         "<Session.uWinWidth=600>\nrubbish\n<cal.days=3>\n<unknown=1>\n<cal.days=2>\n<Session.uWinWidth=700>\n",
         "days=2 width=700"},
        {"tree view and date order", "<viewtype=flat>\n<viewtype=tree>\n<sorttype=priority>\n<sorttype=date>\n", ""},
        {"the older calendar line", "<mainview=calendar>\n", "main=3"},
        {"the older only-active line", "<onlyActive>\n", "main=1"},
        {"the older normal line", "<mainview=calendar>\n<mainview=normal>\n", ""},
        {"a view number out of range is read as it is", "<mainviewtype=4>\n", "main=4"},
        {"numbers are taken modulo 2^32", "<idmax=4294967298>\n", "idmax=2"},
        {"a window height of 0", "<Session.uWinHeight=0>\n", "height=0"},
        {"span 0 shows one day", "<cal.days=0>\n", "days=1"},
        {"span 1", "<cal.days=1>\n", "days=1"},
        {"span 14, the longest", "<cal.days=14>\n", "days=14"},
        {"span 15 is cut to 14", "<cal.days=15>\n", "days=14"},
        {"a span of millions is cut to 14", "<cal.days=375750656>\n", "days=14"},
        {"version 0.13 opens the root with <g>", "<version=0.13>\n<g>\nI7\n>\n", "idmax=7 root=7"},
        {"version 0.54 does not", "<version=0.54>\n<g>\nI7\n>\n", ""},
        {"a sync file does not", "<type=Velk-Sync>\n<version=0.13>\n<g>\nI7\n>\n", ""},
        {"a malformed password section", "<Crypt>\n", "result=-1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(headerOf(row.lines), row.values);
    }
}

TEST(DataFile, RecordsReadBackAsStored) {
    const std::string longText(70000, 'x'), longSummary(5000, 's');
    const struct {
        std::string rule, in, out; // out empty: written back as read
    } rows[] = {
        {"priority 6, the lowest, is kept", "t\nsx\nI5\np6\n>\n", ""},
        {"priority 7 becomes 1", "t\nsx\nI5\np7\n>\n", "t\nsx\nI5\np1\n>\n"},
        {"appointments (100) are kept", "t\nsx\nI5\np100\n>\n", ""},
        {"notes (200) are kept", "t\nsx\nI5\np200\n>\n", ""},
        {"priority 150 becomes 1", "t\nsx\nI5\np150\n>\n", "t\nsx\nI5\np1\n>\n"},
        {"a negative priority stays", "t\nsx\nI5\np-2\n>\n", ""},
        {"priority 3 is not written", "t\nsx\nI5\np3\n>\n", "t\nsx\nI5\n>\n"},
        {"a group's priority 6 is kept", "g\nsG\nI5\np6\n>\n", ""},
        {"a group's priority 9 becomes 1", "g\nsG\nI5\np9\n>\n", "g\nsG\nI5\np1\n>\n"},
        {"a group's negative priority stays", "g\nsG\nI5\np-1\n>\n", ""},
        {"a group's view flags", "g\nsG\nI5\nc0\nl0\n>\n", ""},
        {"a group's children, todos first", "g\nsG\nI5\ng\nsH\nI7\n>\nt\nsa\nI6\n>\n>\n",
         "g\nsG\nI5\nt\nsa\nI6\n>\ng\nsH\nI7\n>\n>\n"},
        {"recorded times", "t\nsx\nI5\nr100,200\nr300,400\n>\n", ""},
        {"a completion", "t\nsx\nI5\nf1299326400\n>\n", ""},
        {"a two-line description", "t\nsx\nI5\nd3\na\nb\n>\n", ""},
        {"description lines that look like records", "t\nsx\nI5\nd5\n>\nt\ng\n>\n", ""},
        {"an empty description is dropped", "t\nsx\nI5\nd0\n\n>\n", "t\nsx\nI5\n>\n"},
        {"a description longer than a read buffer", "t\nsx\nI5\nd70000\n" + longText + "\n>\n", ""},
        {"a long summary", "t\ns" + longSummary + "\nI5\n>\n", ""},
        {"unknown and empty lines are ignored", "t\nsx\n?\n\nI5\n>\n", "t\nsx\nI5\n>\n"},
        {"a record cut short is not read", "t\nsx\nI5\n", "unread"},
        {"a block cut short is not read", "t\nsx\nd100\nshort\n>\n", "unread"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        testing::internal::CaptureStdout(); // what a short block prints
        const std::string out = rewritten(row.in);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, row.out.empty() ? row.in : row.out);
    }
    // A time without a date is read as it is.
    std::istringstream in("sx\nI5\nm2147484160\n>\n");
    ToDoListToDo t(0, "/0/");
    unsigned running = 0, idmax = 0;
    T_Calendar cal;
    ASSERT_EQ(readToDoRecord(in, t, running, idmax, cal), 0);
    EXPECT_EQ(t.getDateTime(WHICH_BEGIN), 2147484160u);
    t.removeFromCalLists(cal);
    // Summaries are single lines in the file.
    ToDoListGroup g(0, "/0/", 1);
    g.setSummary("two\nlines");
    std::ostringstream out;
    writeGroupRecord(out, g, nullptr);
    EXPECT_EQ(out.str(), "g\nstwo lines\nI0\n>\n");
}

TEST(DataFile, FreshAndRichFilesWriteBackByteForByte) {
    TempDir dir;
    TestOrganizer fresh(dir.file("new.dat"));
    ASSERT_EQ(fresh.loaded, 0);
    ASSERT_EQ(fresh->writeData(dir.file("new.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("new.dat")), readWholeFile(dataDir + "/fresh.dat"));

    TestOrganizer rich(dataDir + "/rich.dat");
    ASSERT_EQ(rich.loaded, 0);
    EXPECT_EQ(rich->getCurGroup()->getSummary(), "Deep");
    EXPECT_EQ(rich->itemTree().activeJobs(), 1u);
    // The note's description is to be stored enciphered but nobody is logged
    // in: it is kept as it is and the writer says so.
    testing::internal::CaptureStderr();
    ASSERT_EQ(rich->writeData(dir.file("out.dat").c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "writeContent hat nicht Null zurückgegeben!\n");
    EXPECT_EQ(readWholeFile(dir.file("out.dat")), readWholeFile(dataDir + "/rich.dat"));
}

// Every sync ID and idmax up to 4294967294 is kept as read. Only the wrap
// round to 0 is avoided: past 4294967295 a record without "I" gets the lowest
// number above 0 that no item of the whole file carries.
TEST(DataFile, SyncIDsReadBackUnchangedAndNewOnesNeverCollide) {
    const struct {
        const char *idmax, *records, *written;
    } rows[] = {
        {"2147483647", "I1\nt\nI2147483647\n>\nt\n>\n", "2147483648 1 2147483647 2147483648"},
        {"2147483648", "I1\nt\nI2147483648\n>\nt\n>\n", "2147483649 1 2147483648 2147483649"},
        {"4294967294", "I1\nt\nI4294967294\n>\nt\n>\n", "4294967295 1 4294967294 4294967295"},
        {"4294967295", "I1\nt\nI2\n>\nt\nI4\n>\nt\n>\n", "4294967295 1 2 4 3"},
        {"7", "I1\nt\nI-1\n>\nt\n>\nt\nI2\n>\n", "4294967295 1 4294967295 3 2"},
        {"4294967295", "t\n>\ng\nt\nI1\n>\nt\n>\n>\n", "4294967295 2 3 4 1 5"},
        {"4294967294", "I1\nt\n>\nt\nI4294967295\n>\n", "4294967295 1 2 4294967295"},
        {"2", "I1\nt\nsnumbered\n>\nt\nI2\n>\ng\nI3\n>\n", "4 1 4 2 3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.records);
        TempDir dir;
        writeWholeFile(dir.file("in.dat"), fixed + "<idmax=" + row.idmax + ">\ng\n" + row.records + ">\n");
        TestOrganizer v(dir.file("in.dat"));
        ASSERT_EQ(v.loaded, 0);
        ASSERT_EQ(v->writeData(dir.file("out.dat").c_str()), 0);
        std::istringstream written(readWholeFile(dir.file("out.dat")));
        std::string line, ids;
        while (std::getline(written, line))
            if (line.rfind("<idmax=", 0) == 0 || line.rfind("I", 0) == 0)
                ids += (ids.empty() ? "" : " ") +
                       (line[0] == 'I' ? line.substr(1) : line.substr(7, line.size() - 8));
        EXPECT_EQ(ids, row.written);
    }
}

TEST(DataFile, MalformedFilesAreRefusedAndLeftUntouched) {
    const struct {
        const char* rule;
        std::string text;
        const char* printed;
    } rows[] = {
        {"empty file", "", ""},
        {"no root record", fixed + "<idmax=3>\n", ""},
        {"end of file inside a record", fixed + "g\nI1\nt\nsx\n", ""},
        {"end of file inside a group", fixed + "g\nI1\ng\nI2\n>\n", ""},
        {"plain block too short", fixed + "g\nt\nd100\nshort\n>\n>\n", "Expected 100 byte, got 10\n"},
        {"binary block too short", fixed + "g\nt\nF6\nd9\nQ9fH!!!!\n>\n>\n", "Expected 9 byte, got 3\n"},
        {"compressed description", fixed + "g\nt\nF1\nd3\nQ9fH!!!!\n>\n>\n", "unable to unzip\n"},
        {"negative block", fixed + "g\nt\nd-5\n>\n>\n", "Expected -5 byte, got 0\n"},
        {"bad password section", fixed + "<Crypt>\nnonsense\n</Crypt>\ng\n>\n", ""},
        {"an old root line in a new file", fixed + "<g>\ns<unnamed>\n>\n", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        TempDir dir;
        writeWholeFile(dir.file("in.dat"), row.text);
        testing::internal::CaptureStdout();
        TestOrganizer v(dir.file("in.dat"));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.printed);
        EXPECT_EQ(v.loaded, -1);
        EXPECT_EQ(readWholeFile(dir.file("in.dat")), row.text);
        EXPECT_EQ(v->calendar().datedToDos.size() + v->calendar().recToDos.size(), 0u);
    }
    TempDir dir;
    EXPECT_EQ(TestOrganizer(dir.path()).loaded, -2) << "a folder is not a missing file";
}

// A copy is written anywhere but over the data file, under any of its names,
// and leaves the items' saved marks as they were.
TEST(DataFile, ACopyIsRefusedOnlyForTheDataFileItself) {
    TempDir dir;
    const std::string path = dir.file("v.dat");
    writeWholeFile(path, fixed + "<idmax=2>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\n>\n</data>\n");
    TestOrganizer v(path);
    ASSERT_EQ(v->writeData(path.c_str()), 0);
    const std::string data = readWholeFile(path);
    ASSERT_EQ(::link(path.c_str(), dir.file("hard").c_str()), 0);
    writeWholeFile(dir.file("other"), "old copy");
    const std::pair<std::string, int> rows[] = {
        {"", -1}, {path, -1}, {dir.path() + "/./v.dat", -1}, {dir.file("hard"), -1},
        {dir.file("other"), 0}, {dir.file("new"), 0}};
    for (const auto& [name, result] : rows) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_EQ(v->saveCopyTo(name, error), result);
        EXPECT_EQ(error.empty(), result == 0) << error;
        EXPECT_EQ(readWholeFile(path), data);
        if (result == 0) {
            EXPECT_EQ(readWholeFile(name), data);
        }
    }
    // An item in no file stays so: its deletion needs no entry.
    ASSERT_EQ(v->newToDo(0, 0u), 0);
    std::string error;
    ASSERT_EQ(v->saveCopyTo(dir.file("new"), error), 0);
    ASSERT_EQ(v->DeleteItem(v->getCurItem()), 0);
    EXPECT_EQ(v->incsave_getNrOfFiles(), 0);
}

// The search results are never written; the current group written is the one
// the search started from.
TEST(DataFile, TheSearchResultsAreNeverWritten) {
    TempDir dir;
    TestOrganizer v(dir.file("v.dat"));
    v->setGroup(v->getRoot()->newGroup());
    ASSERT_EQ(v->search(""), 0);
    ASSERT_EQ(v->writeData(dir.file("v.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("v.dat")).find("search results"), std::string::npos);
    EXPECT_NE(readWholeFile(dir.file("v.dat")).find("<curGroup=/0/0/>\n"), std::string::npos);
}
