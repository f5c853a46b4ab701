// The data file: header lines, records, sync IDs, malformed files, the copy
// saved elsewhere and enciphered descriptions, each against text written out
// by hand; and the limits of the organizer.

#include "engine/velk.h"
#include "storage/data_file.h"
#include "storage/records.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

const std::string dataDir = VELK_TEST_DATA_DIR;

std::string repeated(const std::string& s, int n) {
    std::string r;
    while (n-- > 0)
        r += s;
    return r;
}

// Groups nested `levels` below the root, each holding one todo.
std::string nestedFile(unsigned levels) {
    std::string s = fixedLines + "<idmax=1>\ng\ns<unnamed>\nI1\n";
    for (unsigned l = 1; l <= levels; ++l)
        s += "g\nslevel " + std::to_string(l) + "\nt\nstodo " + std::to_string(l) + "\n>\n";
    return s + repeated(">\n", int(levels) + 1) + "</data>\n";
}

std::string description(Velk& v, std::size_t i) {
    const char* text = nullptr;
    if (v.getRoot()->getToDo(i)->GetDescription(text, &v.getCrypt())) return "<hidden>";
    return text ? text : "";
}

bool contains(const std::string& file, const std::string& text) {
    return readWholeFile(file).find(text) != std::string::npos;
}

// Every header value, named.
std::string fieldsOf(const storage::T_DataHeader& h) {
    std::ostringstream os;
    os << "idmax=" << h.idmax << " aftersync=" << h.idmaxaftersync << " cur=" << h.curGroup
       << " kbd=" << h.showKbd << " view=" << h.viewtype << " main=" << h.mainviewtype
       << " sort=" << h.sorttype << " caldate=" << h.calDate << " days=" << h.calDays
       << " lines=" << h.nLineNormal << " calLines=" << h.nLineCal << " width=" << h.winWidth
       << " height=" << h.winHeight;
    for (int32_t p : h.oldPosInList)
        os << " pos=" << p;
    return os.str();
}

// The header values read that differ from the defaults, the root's sync ID
// when it is not 1 and the result when it is not 0.
std::string headerOf(const std::string& lines) {
    std::istringstream in(fixedLines + lines + "g\nI1\n>\n");
    storage::T_DataHeader h, byDefault;
    byDefault.idmax = 1; // the root record carries 1
    ToDoListGroup root(0, "/", 0);
    unsigned jobs = 0;
    T_Calendar cal;
    std::string error, shown;
    std::vector<uint32_t> numbered;
    const auto noPasswords = [](std::istream&) { return -1; };
    const int r = storage::DataFile().read(in, h, noPasswords, root, jobs, cal, error, numbered);
    root.removeFromCalLists(cal);
    std::istringstream read(fieldsOf(h)), defaults(fieldsOf(byDefault));
    for (std::string a, b; read >> a;)
        if (!(defaults >> b) || a != b) shown += a + " ";
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
    if (r == 0 && record[0] == 't') writeToDoRecord(out, t, nullptr);
    if (r == 0 && record[0] == 'g') writeGroupRecord(out, g, nullptr);
    t.removeFromCalLists(cal), g.removeFromCalLists(cal);
    return r == 0 ? out.str() : "unread";
}

} // namespace

TEST(DataFile, HeaderLinesGiveTheirValues) {
    // clang-format off
    const struct { const char *rule, *lines, *values; } rows[] = {
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
        {"span 14, the longest", "<cal.days=14>\n", "days=14"},
        {"span 15 is cut to 14", "<cal.days=15>\n", "days=14"},
        {"version 0.13 opens the root with <g>", "<version=0.13>\n<g>\nI7\n>\n", "idmax=7 root=7"},
        {"version 0.54 does not", "<version=0.54>\n<g>\nI7\n>\n", ""},
        {"a sync file does not", "<type=Velk-Sync>\n<version=0.13>\n<g>\nI7\n>\n", ""},
        {"a malformed password section", "<Crypt>\n", "result=-1"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(headerOf(row.lines), row.values);
    }
}

TEST(DataFile, RecordsReadBackAsStored) {
    const std::string longText(70000, 'x'), longSummary(5000, 's');
    // clang-format off
    const struct { std::string rule, in, out; } rows[] = { // out empty: written back as read
        {"priority 6, the lowest, is kept", "t\nsx\nI5\np6\n>\n", ""},
        {"priority 7 becomes 1", "t\nsx\nI5\np7\n>\n", "t\nsx\nI5\np1\n>\n"},
        {"appointments (100) are kept", "t\nsx\nI5\np100\n>\n", ""},
        {"notes (200) are kept", "t\nsx\nI5\np200\n>\n", ""},
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
        {"a description of several lines, some looking like records", "t\nsx\nI5\nd5\n>\nt\ng\n>\n", ""},
        {"an empty description is dropped", "t\nsx\nI5\nd0\n\n>\n", "t\nsx\nI5\n>\n"},
        {"a description longer than a read buffer", "t\nsx\nI5\nd70000\n" + longText + "\n>\n", ""},
        {"a long summary", "t\ns" + longSummary + "\nI5\n>\n", ""},
        {"unknown and empty lines are ignored", "t\nsx\n?\n\nI5\n>\n", "t\nsx\nI5\n>\n"},
        {"a weekday set, a count, skipped days, added dates and the calendar identity",
         "t\nsx\nI5\np100\nS1\nm449025024\nn449025536\n13\n22\n4460275712\n521\n61\nx449101824,454180864\na449126912\nuid@example.org\ni:20261209T090000Z\nq2,20261201T080000Z\nhhttp://h/c/a.ics\ne\"x\"\nyab12\n>\n", ""},
        {"skipped days and added dates in order, each day once; weekdays Monday to Sunday",
         "t\nsx\nI5\np100\nS1\nm449025024\nn449025536\n13\n22\n4460275712\n5149\n61\nx454180864,449101824,449101824\na449126912,449134592\n>\n", "t\nsx\nI5\np100\nS1\nm449025024\nn449025536\n13\n22\n4460275712\n521\n61\nx449101824,454180864\na449126912\n>\n"},
        {"a record cut short is not read", "t\nsx\nI5\n", "unread"},
        {"a block cut short is not read", "t\nsx\nd100\nshort\n>\n", "unread"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        testing::internal::CaptureStdout(); // what a short block prints
        const std::string out = rewritten(row.in);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, row.out.empty() ? row.in : row.out);
    }
    // A time without a date is read as it is; summaries are single lines in the file.
    std::istringstream in("sx\nI5\nm2147484160\n>\n");
    ToDoListToDo t(0, "/0/");
    unsigned running = 0, idmax = 0;
    T_Calendar cal;
    EXPECT_EQ(readToDoRecord(in, t, running, idmax, cal) + t.getDateTime(WHICH_BEGIN), 2147484160u);
    t.removeFromCalLists(cal);
    ToDoListGroup g(0, "/0/", 1);
    std::ostringstream out;
    g.setSummary("two\nlines"), writeGroupRecord(out, g, nullptr);
    EXPECT_EQ(out.str(), "g\nstwo lines\nI0\n>\n");
    // A copy (clipboard, exported records) is a new entry: no calendar identity,
    // no place on a server.
    ToDoListToDo copy(0, "/0/");
    copy.setUid("uid@example.org"), copy.setRecurrenceId(":20261209T090000Z"),
        copy.setVersion(2, "x"), copy.setSyncState("http://h/c/a.ics", "\"x\"", "ab12");
    std::ostringstream exported;
    writeToDoRecord(exported, copy, nullptr, RECORD_EXPORT);
    EXPECT_EQ(exported.str(), "t\ns<unnamed>\n>\n");
}

TEST(DataFile, FreshAndRichFilesWriteBackByteForByte) {
    TempDir dir;
    TestOrganizer fresh(dir.file("new.dat"));
    ASSERT_EQ(fresh->writeData(dir.file("new.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("new.dat")), readWholeFile(dataDir + "/fresh.dat"));
    // The search results are never written; the current group written is the
    // one the search started from.
    fresh->setGroup(fresh->getRoot()->newGroup());
    ASSERT_EQ(fresh->search(""), 0);
    ASSERT_EQ(fresh->writeData(dir.file("new.dat").c_str()), 0);
    EXPECT_FALSE(contains(dir.file("new.dat"), "search results"));
    EXPECT_TRUE(contains(dir.file("new.dat"), "<curGroup=/0/0/>\n"));

    TestOrganizer rich(dataDir + "/rich.dat");
    EXPECT_EQ(rich->itemTree().activeJobs(), 1u);
    // The note's description is to be stored enciphered but nobody is logged
    // in: it is kept as it is and the writer says so.
    testing::internal::CaptureStderr();
    ASSERT_EQ(rich->writeData(dir.file("out.dat").c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "writeContent hat nicht Null zurückgegeben!\n");
    EXPECT_EQ(readWholeFile(dir.file("out.dat")), readWholeFile(dataDir + "/rich.dat"));
    for (const char* dropped :
         {"<mainviewtype=4>\n", "<Session.uWinHeight=0>\n<Session.uWinWidth=5>\n"}) {
        SCOPED_TRACE(std::string("a header value out of range is read, never written: ") + dropped);
        writeWholeFile(dir.file("in.dat"), fixedLines + dropped + "g\n>\n");
        ASSERT_EQ(TestOrganizer(dir.file("in.dat"))->writeData(dir.file("out.dat").c_str()), 0);
        EXPECT_FALSE(
            contains(dir.file("out.dat"), std::string(dropped, std::strchr(dropped, '='))));
    }
}

// Every sync ID and idmax up to 4294967294 is kept as read. Only the wrap
// round to 0 is avoided: past 4294967295 a record without "I" gets the lowest
// number above 0 that no item of the whole file carries.
TEST(DataFile, SyncIDsReadBackUnchangedAndNewOnesNeverCollide) {
    // clang-format off
    const struct { const char *idmax, *records, *written; } rows[] = {
        {"2147483647", "I1\nt\nI2147483647\n>\nt\n>\n", "2147483648 1 2147483647 2147483648"},
        {"2147483648", "I1\nt\nI2147483648\n>\nt\n>\n", "2147483649 1 2147483648 2147483649"},
        {"4294967294", "I1\nt\nI4294967294\n>\nt\n>\n", "4294967295 1 4294967294 4294967295"},
        {"4294967295", "I1\nt\nI2\n>\nt\nI4\n>\nt\n>\n", "4294967295 1 2 4 3"},
        {"7", "I1\nt\nI-1\n>\nt\n>\nt\nI2\n>\n", "4294967295 1 4294967295 3 2"},
        {"4294967295", "t\n>\ng\nt\nI1\n>\nt\n>\n>\n", "4294967295 2 3 4 1 5"},
        {"4294967294", "I1\nt\n>\nt\nI4294967295\n>\n", "4294967295 1 2 4294967295"},
        {"2", "I1\nt\nsnumbered\n>\nt\nI2\n>\ng\nI3\n>\n", "4 1 4 2 3"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.records);
        TempDir dir;
        writeWholeFile(dir.file("in.dat"),
                       fixedLines + "<idmax=" + row.idmax + ">\ng\n" + row.records + ">\n");
        ASSERT_EQ(TestOrganizer(dir.file("in.dat"))->writeData(dir.file("out.dat").c_str()), 0);
        std::istringstream written(readWholeFile(dir.file("out.dat")));
        std::string ids;
        for (std::string line; std::getline(written, line);)
            if (line[0] == 'I' || line.rfind("<idmax=", 0) == 0)
                ids += " " + line.substr(line[0] == 'I' ? 1 : 7, line.find('>') - 7);
        EXPECT_EQ(ids.substr(1), row.written);
    }
}

TEST(DataFile, MalformedFilesAreRefusedAndLeftUntouched) {
    const char* tooDeep = "Groups nested deeper than 1000 levels are not read\n";
    // clang-format off
    const struct { const char* rule; std::string text; const char* printed; } rows[] = {
        {"empty file", "", ""},
        {"no root record", fixedLines + "<idmax=3>\n", ""},
        {"end of file inside a record", fixedLines + "g\nI1\nt\nsx\n", ""},
        {"end of file inside a group", fixedLines + "g\nI1\ng\nI2\n>\n", ""},
        {"plain block too short", fixedLines + "g\nt\nd100\nshort\n>\n>\n", "Expected 100 byte, got 10\n"},
        {"binary block too short", fixedLines + "g\nt\nF6\nd9\nQ9fH!!!!\n>\n>\n", "Expected 9 byte, got 3\n"},
        {"compressed description", fixedLines + "g\nt\nF1\nd3\nQ9fH!!!!\n>\n>\n", "unable to unzip\n"},
        {"negative block", fixedLines + "g\nt\nd-5\n>\n>\n", "Expected -5 byte, got 0\n"},
        {"bad password section", fixedLines + "<Crypt>\nnonsense\n</Crypt>\ng\n>\n", ""},
        {"an old root line in a new file", fixedLines + "<g>\ns<unnamed>\n>\n", ""},
        {"nesting below the deepest level", nestedFile(MAX_GROUP_LEVEL + 1), tooDeep},
        {"two bytes a level, a million levels", fixedLines + repeated("g\n", 1000000), tooDeep},
    };
    // clang-format on
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
    writeWholeFile(path, fixedLines + "<idmax=2>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\n>\n</data>\n");
    TestOrganizer v(path);
    ASSERT_EQ(v->writeData(path.c_str()), 0);
    const std::string data = readWholeFile(path);
    ASSERT_EQ(::link(path.c_str(), dir.file("hard").c_str()), 0);
    writeWholeFile(dir.file("other"), "old copy");
    // clang-format off
    const std::pair<std::string, int> rows[] = {
        {"", -1}, {path, -1}, {dir.path() + "/./v.dat", -1}, {dir.file("hard"), -1},
        {dir.file("other"), 0}, {dir.file("new"), 0}};
    // clang-format on
    for (const auto& [name, result] : rows) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_EQ(v->saveCopyTo(name, error), result);
        EXPECT_EQ(error.empty(), result == 0) << error;
        EXPECT_EQ(readWholeFile(path), data);
        EXPECT_EQ(result == 0 ? readWholeFile(name) : data, data);
    }
    // An item in no file stays so: its deletion needs no entry.
    ASSERT_EQ(v->newToDo(0, 0u), 0);
    std::string error;
    ASSERT_EQ(v->saveCopyTo(dir.file("new"), error), 0);
    ASSERT_EQ(v->DeleteItem(v->getCurItem()), 0);
    EXPECT_EQ(v->incsave_getNrOfFiles(), 0);
}

TEST(CryptFile, EncipheredTextIsNeitherInTheFileNorInABackup) {
    TempDir dir;
    const std::string path = dir.file("c.dat");
    auto save = [&](Velk& v) {
        T_SaveReport report;
        EXPECT_EQ(v.saveData(report), 0) << report.error;
        return report.backupsDropped;
    };
    {
        TestOrganizer v(path);
        v->getCrypt() = CryptMan(50); // a fast key setting
        for (const char* text : {"PIN 1234", "shopping"}) {
            ToDoListToDo* t = v->getRoot()->newToDo();
            t->setSyncID(++v->itemTree().idmax()), t->setDescription(text);
        }
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(save(*v)) << "nothing enciphered: backups are kept";
        ASSERT_TRUE(contains(path + "b2", "PIN 1234"));
        ASSERT_EQ(v->getCrypt().AddPwd("main", "secret"), 0);
        v->getRoot()->getToDo(1)->setDescription("shopping list");
        EXPECT_FALSE(save(*v)) << "a plain text changed but kept plain";
        v->getRoot()->getToDo(0)->SetSaveCrypt(true);
        EXPECT_TRUE(save(*v));
        EXPECT_FALSE(contains(path, "PIN 1234"));
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"c.dat"});
        EXPECT_FALSE(save(*v)) << "told once";
    }
    const std::string saved = readWholeFile(path);
    TestOrganizer v(path);
    EXPECT_EQ(description(*v, 0), "<hidden>");
    ASSERT_EQ(v->writeData(path.c_str()), 0);
    EXPECT_EQ(readWholeFile(path), saved) << "written back unchanged before login";
    EXPECT_EQ(v->getCrypt().Login(0, "wrong"), -1);
    ASSERT_EQ(v->getCrypt().Login(0, "secret"), 0);
    EXPECT_EQ(description(*v, 0), "PIN 1234");
    EXPECT_EQ(description(*v, 1), "shopping list");
}

// At its limits the organizer works or refuses, and loses nothing: groups as
// deep as allowed and hostile nesting far deeper, a description of 10 MB and
// a journal of a thousand files. The inputs are made at run time.
TEST(Limits, GroupsGoAsDeepAsAllowedAndNoDeeper) {
    TempDir home;
    const std::string path = home.file("v.dat"), file = home.file("in.tmp");
    writeWholeFile(path, nestedFile(MAX_GROUP_LEVEL));
    TestOrganizer v(path);
    ToDoListGroup* bottom = findGroup(*v->getRoot(), "level " + std::to_string(MAX_GROUP_LEVEL));
    ASSERT_NE(bottom, nullptr);
    v->setGroup(bottom);
    const std::string before = dumpTree(*v);
    EXPECT_EQ(v->newGroup(), Velk::NEW_GROUP_TOO_DEEP);
    writeWholeFile(file, fixedLines + "t\nsfine\n>\ng\nsgroup\n>\n</data>\n");
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), Velk::INSERT_TOO_DEEP);
    EXPECT_EQ(dumpTree(*v), before) << "a refused insertion changes nothing";
    // A line "g" inside a description is no group.
    writeWholeFile(file, fixedLines + "t\nsfine\nd3\ng\nx\n>\n</data>\n");
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), 0);

    // Hostile nesting in a journal entry or a pasted file stops at the limit.
    writeWholeFile(path + "1", fixedLines + "<new parent=1>\n" + repeated("g\n", 500000));
    EXPECT_EQ(TestOrganizer(path).replayed, -1);
    std::remove((path + "1").c_str());
    v->setGroup(v->getRoot());
    writeWholeFile(file, fixedLines + repeated("g\n", 30000));
    EXPECT_EQ(v->insertDataFromFile(file.c_str()), -2);
    TestOrganizer again(path);
    EXPECT_EQ(dumpTree(*again), dumpTree(*v)) << "both insertions are journaled";
}

TEST(Limits, ATenMegabyteDescriptionAndAThousandJournalFiles) {
    TempDir home;
    const std::string path = home.file("v.dat");
    std::string text(10 * 1024 * 1024, 'd');
    for (std::size_t i = 0; i < text.size(); i += 997)
        text[i] = '\n';
    text[5] = '>';
    writeWholeFile(path, nestedFile(0));
    {
        TestOrganizer v(path);
        ASSERT_EQ(v->newToDo(3, 0), 0);
        v->incsave_newItem(), v->setItemDescription(text.c_str());
        ASSERT_EQ(v->incsave_saveCurItem(), 0);
        TestOrganizer fromJournal(path);
        T_SaveReport report;
        ASSERT_EQ(fromJournal->saveData(report), 0);
    }
    EXPECT_TRUE(description(*TestOrganizer(path), 0) == text);
    // Entry n renames the todo to n + 1; the last one wins.
    for (unsigned n = 0; n < 1000; ++n)
        writeWholeFile(journalFile(path, n), fixedLines + "<changed>\nt\ns" +
                                                 std::to_string(n + 1) +
                                                 "\nI2\n>\n</changed>\n</data>\n");
    TestOrganizer v(path);
    ASSERT_EQ(v.replayed, 1);
    EXPECT_EQ(v->getRoot()->getToDo(0)->getSummary(), "1000");
    EXPECT_EQ(v->incsave_getNrOfFiles(), 1000);
}
