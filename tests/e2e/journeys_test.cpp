// Journeys through the real program as a user makes them: the window on an X
// server of its own, driven by keys and clicks, checked through the data file
// and the journal files the program leaves. A screenshot of the screen is
// kept in the test's temporary directory of failed journeys' logs.

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include "engine/velk.h"
#include "model/datetime.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Saturday, 5 March 2011, 12:00 in Berlin.
const char* const FIXED_NOW = "1299322800";

const int W = 640, Y0 = 610; // the window's default size and its bottom bar

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string header(const std::string& curGroup = "/0/") {
    return "<type=Velk>\n<version=0.54>\n<data>\n<idmax=20>\n<idmaxaftersync=0>\n<curGroup=" +
           curGroup +
           ">\n<viewtype=tree>\n<mainviewtype=0>\n<sorttype=date>\n<cal.date=187875328>\n"
           "<cal.days=7>\n<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
           "<Session.uWinHeight=320>\n<Session.uWinWidth=320>\n";
}

class Journey : public testing::Test {
  protected:
    ProcessSpec launch(const std::string& dataFile, bool fixedClock = true) const {
        ProcessSpec s;
        s.args = {"-f", dataFile};
        s.cwd = work.path();
        s.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}};
        if (fixedClock) s.env["VELK_NOW"] = FIXED_NOW;
        return s;
    }
    ProcessResult headlessRun(const std::string& dataFile) const {
        ProcessSpec s = launch(dataFile);
        s.args.insert(s.args.begin(), "-q");
        s.env["DISPLAY"] = "";
        return runProcess(s);
    }
    // Keeps a picture of the screen when the journey has failed so far.
    void keepShot(VelkWindow& w, const std::string& name) {
        if (HasFailure()) {
            std::string file = work.file("failure_" + name + ".png");
            w.screenshot(file);
            ADD_FAILURE() << "screen at the failure: " << file;
        }
    }
    TempDir home, work;
    PrivateXServer x;
};

} // namespace

// Groups and todos made in the window, then the program killed: the next
// start replays every closed edit from the journal, writes the data file and
// removes the journal.
TEST_F(Journey, CrashAfterSeveralEditsLosesNoClosedEdit) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("c.dat");
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.keys("alt+m g Right Return ctrl+a"); // "&group" > "new": the group editor opens
        w.type("Errands");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the new group";

        w.keys("alt+n ctrl+a"); // the new todo's summary "<unnamed>" is replaced
        w.type("Buy stamps");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "1"); })) << "the first todo";
        w.keys("alt+n ctrl+a");
        w.type("Post the letter");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "2"); })) << "the second todo";

        // The first line is opened with the Right key and its summary changed.
        w.keys("Down Right End");
        w.type(" today");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "3"); })) << "the changed todo";
        keepShot(w, "crash");
        ProcessResult killed = w.kill();
        EXPECT_EQ(killed.exitCode, -9);
    }
    EXPECT_FALSE(fs::exists(data)) << "nothing was saved before the kill";

    ProcessResult r = headlessRun(data);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("write to file: 0"), std::string::npos) << r.out;
    // The killed run could not remove its clipboard file; the next run with a
    // window empties it again.
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"c.dat", "velkXXXXXX.tmp"}))
        << "the journal is gone";
    const std::string saved = readWholeFile(data);
    EXPECT_EQ(count(saved, "\nsErrands\n"), 1u) << saved;
    EXPECT_EQ(count(saved, "\nsBuy stamps"), 1u) << saved;
    EXPECT_EQ(count(saved, "\nsPost the letter"), 1u) << saved;
    EXPECT_EQ(count(saved, " today\n"), 1u) << "one of the todos was changed: " << saved;
    // Both todos are inside the group.
    EXPECT_LT(saved.find("sErrands"), saved.find("sBuy stamps"));
    EXPECT_LT(saved.find("sErrands"), saved.find("sPost the letter"));
}

// A group copied and pasted into another group, a todo cut from the copy and
// pasted back; then a group exported to a file and imported into a second
// organizer.
TEST_F(Journey, CopyPasteCutAndTransferBetweenOrganizers) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("a.dat");
    writeWholeFile(data, header() +
                             "g\ns<unnamed>\nI1\n"
                             "g\nsHome\nI2\nt\nsFix the tap\nI3\n>\n>\n"
                             "g\nsWork\nI4\n>\n"
                             ">\n</data>\n");
    const std::string exported = work.file("home_export.dat");
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.keys("Down Right");              // into "Home"
        w.keys("alt+m c Right Return");    // "&copy" > "group+"
        w.keys("Left Down Right");         // back, then into "Work"
        w.keys("alt+m p");                 // "&paste": the copy of "Home" lands in "Work"
        w.keys("Down Right");              // into the copy
        w.keys("Right");                   // open "Fix the tap"
        w.keys("alt+m d");                 // "cut/&delete"
        unsigned long ask = w.waitForDialog();
        if (!ask) w.screenshot(work.file("cut.png"));
        ASSERT_NE(ask, 0u) << "the question before a delete";
        w.keysTo(ask, "Return");           // "Delete"
        w.keys("alt+m p");                 // paste it back
        w.keys("Left Left");               // up to the root
        w.keys("alt+m f Right Down Return"); // "&file" > "export group+" of the root
        w.type(exported);
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(exported); })) << "the exported file";
        keepShot(w, "copy_paste");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    EXPECT_EQ(count(saved, "\nsHome\n"), 2u) << saved;
    EXPECT_EQ(count(saved, "\nsFix the tap\n"), 2u) << "cut and pasted back: " << saved;
    // The copy sits inside "Work".
    EXPECT_LT(saved.find("\nsWork\n"), saved.rfind("\nsHome\n")) << saved;

    // A second organizer imports the exported group.
    TempDir otherWork;
    const std::string second = otherWork.file("b.dat");
    {
        ProcessSpec s = launch(second);
        s.cwd = otherWork.path();
        VelkWindow w(x, s, second);
        ASSERT_TRUE(w.ok());
        w.keys("alt+m f Right Return"); // "&file" > "import"
        w.type(exported);
        w.keys("alt+c");
        keepShot(w, "import");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string imported = readWholeFile(second);
    EXPECT_EQ(count(imported, "\nsHome\n"), 2u) << imported;
    EXPECT_EQ(count(imported, "\nsWork\n"), 1u) << imported;
    EXPECT_EQ(count(imported, "\nsFix the tap\n"), 2u) << imported;
}

// A search from the root, narrowed by a second search in the results; a hit
// opened and changed; the results left with "..".
TEST_F(Journey, SearchNarrowOpenAHitAndLeave) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("s.dat");
    writeWholeFile(data, header() +
                             "g\ns<unnamed>\nI1\n"
                             "g\nsShopping\nI2\n"
                             "t\nsBuy milk\nI3\n>\n"
                             "t\nsBuy bread\nI4\n>\n"
                             "t\nsMilk powder for the cake\nI5\n>\n"
                             ">\n"
                             "t\nsCall Anna\nI6\nd22\nAsk her about the milk\n>\n"
                             ">\n</data>\n");
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.keys("alt+m s");   // "&search..."
        w.type("milk");
        w.keys("alt+c");     // three hits: two summaries and a description
        w.keys("alt+m s");   // searching again in the results narrows them
        w.type("buy");
        w.keys("alt+c");     // one hit left: "Buy milk"
        w.keys("Down Right End");
        w.type(" and eggs");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the changed hit";
        EXPECT_NE(readWholeFile(data + "0").find("sBuy milk and eggs\n"), std::string::npos)
            << readWholeFile(data + "0");
        w.click(186, Y0 + 15); // ".." leaves the results
        keepShot(w, "search");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    EXPECT_NE(saved.find("<curGroup=/0/>\n"), std::string::npos) << "back where the search began";
    EXPECT_NE(saved.find("<mainviewtype=0>\n"), std::string::npos) << saved;
    EXPECT_EQ(count(saved, "\nsBuy milk and eggs\n"), 1u) << saved;
    EXPECT_EQ(count(saved, "search results"), 0u) << "the results group is never saved";
}

// A weekly todo completed twice from the list moves on a week each time; a
// todo whose recurrence begins tomorrow cannot be completed yet.
TEST_F(Journey, WeeklyTodoCompletedTwiceMovesOnAndEarlyCompletionIsRefused) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("r.dat");
    auto day = [](int d, int m) { return std::to_string(packDate(d, m, 2011) | DT_NOTIME); };
    writeWholeFile(data, header() + "g\ns<unnamed>\nI1\n" +
                             "t\nsA weekly review\nI2\nm" + day(5, 3) + "\nn" + day(5, 3) +
                             "\n13\n21\n3" + day(1, 3) + "\n>\n" +
                             "t\nsB yoga course\nI3\nm" + day(12, 3) + "\nn" + day(12, 3) +
                             "\n13\n21\n3" + day(6, 3) + "\n>\n" + ">\n</data>\n");
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        for (int round = 0; round < 2; ++round) {
            w.keys(round == 0 ? "Down Return" : "Return"); // the first line: the weekly review
            unsigned long told = w.waitForDialog();
            ASSERT_NE(told, 0u) << "the message that the todo moved on, round " << round;
            w.keysTo(told, "Return");
            ASSERT_TRUE(waitUntil([&] { return fs::exists(data + std::to_string(round)); }));
        }
        // Now the yoga course is first; it begins only tomorrow.
        w.keys("Return");
        unsigned long refused = w.waitForDialog();
        ASSERT_NE(refused, 0u) << "the alert that the todo is not active yet";
        w.keysTo(refused, "Return");
        keepShot(w, "recurring");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    const std::size_t a = saved.find("sA weekly review"), b = saved.find("sB yoga course");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    const std::string weekly = saved.substr(a, b - a), yoga = saved.substr(b);
    EXPECT_NE(weekly.find("\nn" + day(19, 3) + "\n"), std::string::npos) << "two weeks on: " << weekly;
    EXPECT_EQ(weekly.find("\nf"), std::string::npos) << "still open: " << weekly;
    EXPECT_NE(yoga.find("\nn" + day(12, 3) + "\n"), std::string::npos) << yoga;
    EXPECT_EQ(yoga.find("\nf"), std::string::npos) << "not completed: " << yoga;
}

namespace {

// Places in the date picker (a window of its own): the day cells of the
// second week line of March 2011, which holds the 7th to the 13th, and "Done".
const int PICK_WEEK2_Y = 88, PICK_TUESDAY_X = 101, PICK_THURSDAY_X = 177;
const int PICK_DONE_X = 35, PICK_DONE_Y = 265;
// The item editor's basics page: the end date and time menus, the begin date
// menu, and the page button.
const int END_DATE_X = 33, END_DATE_Y = 185, END_TIME_X = 99, END_TIME_Y = 185;
const int PAGE_X = 171;

// Picks day (x, y of its cell) in the date picker that the program opened.
void pickDate(VelkWindow& w, int x, int y) {
    unsigned long picker = w.waitForWindow("DateSelector");
    ASSERT_NE(picker, 0u) << "the date picker";
    w.clickIn(picker, x, y);
    w.clickIn(picker, PICK_DONE_X, PICK_DONE_Y);
}

} // namespace

// A group and in it a todo with a summary, priority 2, a due date picked in
// the date picker and a due time; seen in the list and in the 7-day calendar.
TEST_F(Journey, TodoWithPriorityDueDateAndTimeInAGroup) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("t.dat");
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.keys("alt+m g Right Return ctrl+a");
        w.type("Garden");
        w.keys("alt+c");
        w.keys("alt+n ctrl+a");
        w.type("Plant the roses");
        w.keys("alt+2");
        w.click(END_DATE_X, END_DATE_Y);
        w.keys("Down Down Down Return"); // "select"
        pickDate(w, PICK_THURSDAY_X, PICK_WEEK2_Y); // Thursday, 10 March
        w.click(END_TIME_X, END_TIME_Y);
        w.keys("Down Down Return"); // "select"
        unsigned long clock = w.waitForWindow("TimeSelector");
        ASSERT_NE(clock, 0u) << "the time picker";
        w.clickIn(clock, 35, 125); // "Done": the offered 8:00
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "1"); })) << "the new todo";
        w.screenshot(work.file("todo_list.png"));
        w.keys("alt+m v Right Return"); // "&View" > "calendar"
        w.screenshot(work.file("todo_calendar.png"));
        keepShot(w, "todo");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    const std::size_t todo = saved.find("\nsPlant the roses\n");
    ASSERT_NE(todo, std::string::npos) << saved;
    EXPECT_LT(saved.find("\nsGarden\n"), todo);
    const std::string record = saved.substr(todo, saved.find("\n>\n", todo) + 1 - todo);
    EXPECT_NE(record.find("\np2\n"), std::string::npos) << record;
    EXPECT_NE(record.find("\nn" + std::to_string(packDate(10, 3, 2011) | packTime(8, 0)) + "\n"),
              std::string::npos)
        << record;
    EXPECT_NE(saved.find("<mainviewtype=3>"), std::string::npos) << "left in the calendar view";
}

// An appointment made by a click on a day's header in the calendar, then
// moved to another day through its begin date.
TEST_F(Journey, AppointmentFromADayHeaderMovedToAnotherDay) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("p.dat");
    {
        ProcessSpec s = launch(data);
        s.args.push_back("-c");
        VelkWindow w(x, s, data);
        ASSERT_TRUE(w.ok());
        w.click(300, 12); // the header of today, Saturday 5 March
        w.keys("ctrl+a");
        w.type("Dentist");
        w.keys("alt+b Down Down Down Return"); // "&Begin" > "select"
        pickDate(w, PICK_TUESDAY_X, PICK_WEEK2_Y); // Tuesday, 8 March
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the appointment";
        keepShot(w, "appointment");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    const std::size_t item = saved.find("\nsDentist\n");
    ASSERT_NE(item, std::string::npos) << saved;
    EXPECT_LT(saved.find("\nscalendar\n"), item) << "calendar items live in the group \"calendar\"";
    const std::string record = saved.substr(item, saved.find("\n>\n", item) + 1 - item);
    EXPECT_NE(record.find("\np100\n"), std::string::npos) << record;
    const std::size_t begin = record.find("\nm");
    ASSERT_NE(begin, std::string::npos) << record;
    const packedDT moved = packedDT(std::stoul(record.substr(begin + 2)));
    EXPECT_EQ(dtDateOnly(moved), packDate(8, 3, 2011) | DT_NOTIME) << record;
}

// Time recorded on a todo: started, stopped, started again; the running todo
// shown with "!" in the active-jobs view.
TEST_F(Journey, TimeRecordingAndTheActiveJobsView) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("j.dat");
    {
        VelkWindow w(x, launch(data, false), data); // the clock runs
        ASSERT_TRUE(w.ok());
        w.keys("alt+n ctrl+a");
        w.type("Write the report");
        w.keys("alt+s"); // "&Start"
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        w.keys("alt+s"); // "&Stop"
        w.keys("alt+m Down Down Down Down Down Down Down Return"); // "times", with the sum
        w.screenshot(work.file("times.png"));
        w.click(PAGE_X, Y0 + 15); // back to the basics
        w.keys("alt+s alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the todo";
        w.click(W - 10, Y0 + 15); // "!"
        w.screenshot(work.file("active_jobs.png"));
        keepShot(w, "jobs");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readWholeFile(data);
    const std::size_t item = saved.find("\nsWrite the report\n");
    ASSERT_NE(item, std::string::npos) << saved;
    const std::string record = saved.substr(item, saved.find("\n>\n", item) + 1 - item);
    EXPECT_EQ(count(record, "\nr"), 2u) << "two working intervals: " << record;
    EXPECT_NE(record.find("\nR"), std::string::npos) << "still running: " << record;
}

// A password added, a description marked for encryption, the program ended;
// started again the description is unreadable until the login, and readable
// after it.
TEST_F(Journey, EncipheredDescriptionNeedsTheLogin) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string data = work.file("e.dat");
    const std::string crypt = "alt+m Down Down Down Down Down Down Down Down Down Right"; // "Crypt"
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.keys(crypt + " Return"); // "Add Pwd..."
        unsigned long add = w.waitForWindow("Add decryption password");
        ASSERT_NE(add, 0u) << "the dialog that adds a password";
        w.clickIn(add, 100, 35);
        w.typeTo(add, "at home");
        w.clickIn(add, 100, 80);
        w.typeTo(add, "open sesame");
        w.clickIn(add, 190, 275); // "OK"
        // Without a summary the list shows the description, or "<encrypted>".
        w.keys("alt+n ctrl+a BackSpace");
        w.click(PAGE_X, Y0 + 15); // "Descr"
        w.type("PIN 4711");
        w.click(PAGE_X, Y0 + 15); // "Basics"
        w.keys("alt+y");          // "Cr&ypt"
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the todo";
        keepShot(w, "crypt_add");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    std::string saved = readWholeFile(data);
    EXPECT_NE(saved.find("<Crypt>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("PIN 4711"), std::string::npos) << "the description is enciphered";
    {
        VelkWindow w(x, launch(data), data);
        ASSERT_TRUE(w.ok());
        w.screenshot(work.file("encrypted.png"));
        w.keys(crypt + " Down Return"); // "Login..."
        unsigned long login = w.waitForWindow("Decryption: Login");
        ASSERT_NE(login, 0u) << "the login dialog";
        w.clickIn(login, 150, 90);
        w.typeTo(login, "open sesame");
        w.clickIn(login, 280, 400); // "OK"
        // The todo opened on its description, which is readable now: a word
        // typed in front of it lands in front of the plain text.
        w.keys("Down Right");
        w.click(PAGE_X, Y0 + 15); // "Descr"
        w.type("My ");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the changed todo";
        keepShot(w, "crypt_login");
        ProcessResult r = w.quit();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    saved = readWholeFile(data);
    EXPECT_EQ(saved.find("PIN 4711"), std::string::npos) << "still enciphered";
    Velk check;
    check.createRoot();
    ASSERT_EQ(check.readData(data.c_str()), 0);
    ASSERT_EQ(check.getCrypt().Login(0, "open sesame"), 0);
    ToDoListToDo* bank = nullptr;
    for (unsigned id = 1; id <= check.getIdMax() && !bank; ++id) {
        bool isGroup = false;
        ToDoListItem* item = check.getRoot()->getPtrToItemWithSyncID(id, isGroup, true);
        bank = dynamic_cast<ToDoListToDo*>(item);
    }
    ASSERT_NE(bank, nullptr);
    const char* text = nullptr;
    ASSERT_FALSE(bank->getDescrData().GetDescription(text, &check.getCrypt())) << "deciphered";
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "My PIN 4711");
}
