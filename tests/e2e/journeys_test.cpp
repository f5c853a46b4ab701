// Journeys through the real program as a user makes them: the window on an X
// server of its own, driven by keys and clicks, checked through the data file
// and the journal files the program leaves. A screenshot of the screen is
// kept in the test's temporary directory of failed journeys' logs.

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include "model/datetime.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

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
    ProcessSpec spec(const std::string& dataFile, bool fixedClock = true) const {
        ProcessSpec s;
        s.args = {"-f", dataFile};
        s.cwd = work.path();
        s.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}};
        if (fixedClock) s.env["VELK_NOW"] = FIXED_NOW;
        return s;
    }
    ProcessResult headlessRun(const std::string& dataFile) const {
        ProcessSpec s = spec(dataFile);
        s.args.insert(s.args.begin(), "-q");
        s.env["DISPLAY"] = "";
        return runProcess(s);
    }
    // Keeps a picture of the screen when the journey has failed so far.
    void keepShot(VelkWindow& w, const std::string& name) {
        if (HasFailure()) {
            std::string file = "/tmp/velk_journey_" + name + ".png";
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
        VelkWindow w(x, spec(data), data);
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
        VelkWindow w(x, spec(data), data);
        ASSERT_TRUE(w.ok());
        w.keys("Down Right");              // into "Home"
        w.keys("alt+m c Right Return");    // "&copy" > "group+"
        w.keys("Left Down Right");         // back, then into "Work"
        w.keys("alt+m p");                 // "&paste": the copy of "Home" lands in "Work"
        w.keys("Right");                   // into the copy
        w.keys("Right");                   // open "Fix the tap"
        w.keys("alt+m d");                 // "cut/&delete"
        unsigned long ask = w.waitForDialog();
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
        ProcessSpec s = spec(second);
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
        VelkWindow w(x, spec(data), data);
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
        VelkWindow w(x, spec(data), data);
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
