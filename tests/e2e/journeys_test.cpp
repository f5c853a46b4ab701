// Journeys that only a whole run of the real program can show: the window on
// an X server of its own, driven by keys and clicks, checked through the files
// the program leaves. A failed journey keeps a picture of the screen in its
// temporary folder, which is kept too.

#include "engine/velk.h"
#include "support/dates.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace fs = std::filesystem;

namespace {

const int PAGE_X = 171, PAGE_Y = 625; // the item editor's page button in the bottom bar
const std::string CRYPT_MENU = "v+ Down+ Right"; // "&View", then "Crypt" below it

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Journey : public testing::Test {
  protected:
    ProcessSpec launch(const std::string& dataFile) const {
        return {{"-f", dataFile},
                work.path(),
                {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"VELK_NOW", "1299322800"}},
                {}};
    }
    // Waits for the journal file n of the data file, the sign that an edit closed.
    bool journaled(const std::string& data, int n) {
        return waitUntil([&] { return fs::exists(data + std::to_string(n)); });
    }
    VelkWindow& start(const ProcessSpec& command, const std::string& dataFile) {
        window = std::make_unique<VelkWindow>(x, command, dataFile);
        return *window;
    }
    void SetUp() override { ASSERT_TRUE(x.ok()) << "Xvfb did not start"; }
    void TearDown() override {
        if (HasFailure() && window && window->running()) window->screenshot(work.file("failure.png"));
    }
    TempDir home, work;
    PrivateXServer x;
    std::unique_ptr<VelkWindow> window; // the last one started
};

} // namespace

// Groups and todos made and changed in the window, then the program killed:
// the next start replays every closed edit, writes the data file and removes
// the journal.
TEST_F(Journey, CrashAfterSeveralEditsLosesNoClosedEdit) {
    const std::string data = work.file("c.dat");
    {
        VelkWindow& w = start(launch(data), data);
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
        ASSERT_TRUE(journaled(data, 3)) << "four closed edits";
        EXPECT_EQ(w.kill().exitCode, -9);
    }
    EXPECT_FALSE(fs::exists(data)) << "nothing was saved before the kill";

    ProcessSpec headless = launch(data);
    ProcessResult r = runProcess({{"-q", "-f", data}, headless.cwd, headless.env, {}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("write to file: 0"), std::string::npos) << r.out;
    // The killed run could not remove its clipboard file.
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"c.dat", "velkXXXXXX.tmp"}));
    const std::string saved = readWholeFile(data);
    for (const char* once : {"\nsErrands\n", "\nsBuy stamps", "\nsPost the letter", " today\n"})
        EXPECT_EQ(count(saved, once), 1u) << once << " in " << saved;
    EXPECT_LT(saved.find("sErrands"), saved.find("sBuy stamps")) << "inside the group";
    EXPECT_LT(saved.find("sErrands"), saved.find("sPost the letter")) << "inside the group";
}

// A password added and a description enciphered; started again the
// description is readable only after the login, and stays enciphered on disk.
TEST_F(Journey, EncipheredDescriptionNeedsTheLogin) {
    const std::string data = work.file("e.dat");
    {
        VelkWindow& w = start(launch(data), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu(CRYPT_MENU + " Return")); // "Add Pwd..."
        const unsigned long add = w.waitForWindow("Add decryption password");
        ASSERT_NE(add, 0u) << "the dialog that adds a password";
        w.clickIn(add, 100, 35);
        w.typeTo(add, "at home");
        w.clickIn(add, 100, 80);
        w.typeTo(add, "open sesame");
        w.clickIn(add, 190, 275); // "OK"
        ASSERT_TRUE(w.waitUntilClosed(add));
        // Without a summary the list shows the description, or "<encrypted>".
        w.keys("alt+n ctrl+a BackSpace");
        w.click(PAGE_X, PAGE_Y); // "Descr"
        w.type("PIN 4711");
        w.click(PAGE_X, PAGE_Y); // "Basics"
        w.keys("alt+y alt+c");   // "Cr&ypt", "&Close"
        ASSERT_TRUE(journaled(data, 0)) << "the todo";
        EXPECT_EQ(w.quit().exitCode, 0);
    }
    std::string saved = readWholeFile(data);
    EXPECT_NE(saved.find("<Crypt>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("PIN 4711"), std::string::npos) << "the description is enciphered";
    {
        VelkWindow& w = start(launch(data), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu(CRYPT_MENU + " Down Return")); // "Login..."
        const unsigned long login = w.waitForWindow("Decryption: Login");
        ASSERT_NE(login, 0u) << "the login dialog";
        w.clickIn(login, 150, 90);
        w.typeTo(login, "open sesame");
        w.clickIn(login, 280, 400); // "OK"
        ASSERT_TRUE(w.waitUntilClosed(login));
        // A word typed in front of the readable description lands in front of
        // the plain text.
        w.keys("Down Right");
        w.click(PAGE_X, PAGE_Y); // "Descr"
        w.type("My ");
        w.keys("alt+c");
        ASSERT_TRUE(journaled(data, 0)) << "the changed todo";
        EXPECT_EQ(w.quit().exitCode, 0);
    }
    saved = readWholeFile(data);
    EXPECT_EQ(saved.find("PIN 4711"), std::string::npos) << "still enciphered";
    Velk check;
    check.createRoot();
    ASSERT_EQ(check.readData(data.c_str()), 0);
    ASSERT_EQ(check.getCrypt().Login(0, "open sesame"), 0);
    ToDoListToDo* todo = check.getRoot()->getNrToDos() ? check.getRoot()->getToDo(0) : nullptr;
    ASSERT_NE(todo, nullptr) << saved;
    const char* text = nullptr;
    ASSERT_FALSE(todo->getDescrData().GetDescription(text, &check.getCrypt())) << "deciphered";
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "My PIN 4711");
}

// A run started in the calendar on a day of the command line shows it and
// keeps it: the saved file opens on that day in the calendar view.
TEST_F(Journey, CalendarStartsOnTheDayOfTheCommandLine) {
    const std::string data = work.file("k.dat");
    ProcessSpec command = launch(data);
    command.args.insert(command.args.end(), {"-s", "-c", "2011-03-08"});
    VelkWindow& w = start(command, data);
    ASSERT_TRUE(w.ok());
    EXPECT_EQ(w.quit().exitCode, 0);
    const std::string saved = readWholeFile(data);
    EXPECT_NE(saved.find("<mainviewtype=3>\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<cal.date=" + std::to_string(on(2011, 3, 8)) + ">\n"),
              std::string::npos)
        << saved;
}
