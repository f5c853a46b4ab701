// Journeys that only a whole run of the real program can show: the window on
// an X server of its own, driven by keys and clicks, checked through the files
// the program leaves. A failed journey keeps a picture of the screen beside
// its data file, in its temporary folder, which is kept too.

#include "support/dates.h"
#include "support/organizer.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const int PAGE_X = 171, PAGE_Y = 625;            // the item editor's page button in the bottom bar
const std::string CRYPT_MENU = "v+ Down+ Right"; // "&View", then "Crypt" below it

class Journey : public testing::Test {
  protected:
    ProcessSpec launch(const std::string& dataFile) const {
        const std::string& h = home.path();
        return {{"-f", dataFile},
                work.path(),
                {{"USERPROFILE", h}, {"HOME", h}, {"VELK_NOW", "1299322800"}}};
    }
    void SetUp() override { ASSERT_TRUE(x.ok()) << "Xvfb did not start"; }
    TempDir home, work;
    PrivateXServer x;
};

} // namespace

// Each journey waits for the journal file of an edit, the sign that the edit
// closed.

// Groups and todos made and changed in the window, then the program killed:
// a second run meanwhile is refused, the next start replays every closed edit,
// writes the data file and removes the journal.
TEST_F(Journey, CrashAfterSeveralEditsLosesNoClosedEdit) {
    const std::string data = work.file("c.dat");
    ProcessSpec headless = launch(data);
    headless.args.insert(headless.args.begin(), "-q");
    {
        VelkWindow w(launch(data), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu("g+ Right Return")); // "&group" > "new": the group editor opens
        w.keys("ctrl+a");
        w.type("Errands");
        w.keys("alt+c alt+n ctrl+a"); // the new todo's summary "<unnamed>" is replaced
        w.type("Buy stamps");
        w.keys("alt+c alt+n ctrl+a");
        w.type("Post the letter");
        w.keys("alt+c Down Right End"); // the first line opened, its summary changed
        w.type(" today");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "3"); })) << "four closed edits";
        ProcessResult refused = runProcess(headless);
        EXPECT_EQ(refused.exitCode, -1);
        EXPECT_NE(refused.err.find("already running on the data file " + data), std::string::npos);
        EXPECT_EQ(w.kill().exitCode, -9);
    }
    ProcessResult r = runProcess(headless);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The killed run could not remove its clipboard file; had the window saved
    // before, there would be a previous generation too.
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"c.dat", "velkXXXXXX.tmp"}));
    const std::string saved = readWholeFile(data);
    const std::string tree = "\ns<unnamed>\nI1\ng\nsErrands\nI2\nt\nsBuy stamps today\nI3\n>\nt\n"
                             "sPost the letter\nI4\n>\n>\n>\n</data>\n";
    EXPECT_NE(saved.find(tree), std::string::npos) << "each closed edit once: " << saved;
    // Started again in the calendar on a day of the command line, the run shows
    // it and keeps it: the saved file opens on that day in the calendar view.
    headless.args = {"-s", "-f", data, "-c", "2011-03-08"};
    VelkWindow calendar(headless, data);
    ASSERT_TRUE(calendar.ok());
    calendar.keys("ctrl+q");
    EXPECT_EQ(calendar.waitForEnd().exitCode, 0);
    const std::string shown = readWholeFile(data);
    EXPECT_NE(shown.find("<mainviewtype=3>\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("<cal.date=" + std::to_string(on(2011, 3, 8)) + ">\n"), std::string::npos);
}

// A password added and a description enciphered, then the program killed;
// started again the description is readable only after the login (the new
// password reached the disk before the cipher text did), and stays
// enciphered on disk.
TEST_F(Journey, EncipheredDescriptionNeedsTheLogin) {
    const std::string data = work.file("e.dat");
    {
        VelkWindow w(launch(data), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu(CRYPT_MENU + " Return")); // "Add Pwd..."
        const unsigned long add = waitForWindow("Add decryption password");
        ASSERT_NE(add, 0u) << "the dialog that adds a password";
        w.clickIn(add, 100, 35);
        w.typeTo(add, "at home");
        w.clickIn(add, 100, 80);
        w.typeTo(add, "open sesame");
        w.clickIn(add, 190, 275); // "OK"
        ASSERT_TRUE(waitForWindowGone(add));
        // Without a summary the list shows the description, or "<encrypted>".
        w.keys("alt+n ctrl+a BackSpace");
        w.click(PAGE_X, PAGE_Y); // "Descr"
        w.type("PIN 4711");
        w.click(PAGE_X, PAGE_Y); // "Basics"
        w.keys("alt+y alt+c");   // "Cr&ypt", "&Close"
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the todo";
        EXPECT_EQ(w.kill().exitCode, -9);
    }
    {
        VelkWindow w(launch(data), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu(CRYPT_MENU + " Down Return")); // "Login..."
        const unsigned long login = waitForWindow("Decryption: Login");
        ASSERT_NE(login, 0u) << "the login dialog";
        w.clickIn(login, 150, 90);
        w.typeTo(login, "open sesame");
        w.clickIn(login, 280, 400); // "OK"
        ASSERT_TRUE(waitForWindowGone(login));
        // A word typed in front of the readable description lands in front of
        // the plain text.
        w.keys("Escape Down Right"); // Escape does not close the window
        w.click(PAGE_X, PAGE_Y);     // "Descr"
        w.type("My ");
        w.keys("alt+c");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "the changed todo";
        // Closing the window ends the run, saves and removes the clipboard file.
        ASSERT_TRUE(askWindowToClose(w.id()));
        EXPECT_EQ(w.waitForEnd().exitCode, 0);
    }
    // The file with the new password, the merge after the kill, the save at
    // the end, and the steps that can be undone.
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"e.dat", "e.dat.undo", "e.datb0", "e.datb1"}));
    const std::string saved = readWholeFile(data);
    EXPECT_EQ(saved.find("PIN 4711"), std::string::npos) << "still enciphered";
    TestOrganizer check(data);
    ASSERT_EQ(check->getCrypt().Login(0, "open sesame"), 0);
    ASSERT_EQ(check->getRoot()->getNrToDos(), 1u) << saved;
    const char* text = nullptr;
    auto& description = check->getRoot()->getToDo(0)->getDescrData();
    ASSERT_FALSE(description.GetDescription(text, &check->getCrypt())) << "deciphered";
    EXPECT_STREQ(text, "My PIN 4711");
}
