#include "crypt/crypt_man.h"
#include "engine/crypt_password_keeper.h"
#include "gui/password_dialogs.h"
#include "gui_driver.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr const char* ADD_TITLE = "Add decryption password";
constexpr const char* ASK_TITLE = "Decryption: Login";

// The dialogs on a password manager of the test's own.
int pwd_add_run_window(CryptMan* c) {
    CryptPasswordKeeper keeper(*c);
    return ::pwd_add_run_window(&keeper);
}
int pwd_ask_run_window(CryptMan* c) {
    CryptPasswordKeeper keeper(*c);
    return ::pwd_ask_run_window(&keeper);
}

// The manager as the next start reads it from the data file: locked.
CryptMan lockedCopy(const CryptMan& c) {
    std::stringstream file;
    EXPECT_EQ(c.Write(file), 0);
    std::string first;
    std::getline(file, first);
    EXPECT_EQ(first, "<Crypt>");
    CryptMan copy(2);
    EXPECT_EQ(copy.Read(file), 0);
    EXPECT_FALSE(copy.IsLoggedIn());
    return copy;
}

void type(Fl_Window* w, const char* field, const char* text) {
    Fl_Input* in = childLabelled<Fl_Input>(w, field);
    ASSERT_NE(in, nullptr) << field;
    in->value(text);
}

void press(Fl_Window* w, const char* label) {
    Fl_Button* b = childLabelled<Fl_Button>(w, label);
    ASSERT_NE(b, nullptr) << label;
    b->do_callback();
}

// The close box of the dialog's frame.
void closeBox(Fl_Window* w) {
    Fl::e_number = FL_CLOSE;
    w->do_callback();
    Fl::e_number = 0;
}

// Dismisses the message box that shows text, if one appears.
struct AlertWatch {
    explicit AlertWatch(const char* text)
        : driver(
              text, [](Fl_Window* w) { w->hide(); }, true) {}
    WindowDriver driver;
};

TEST(PasswordLabels, ShowDescriptionsAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"home", "home"},
        {"R&D", "R&&D"},
        {"a/b_c\\d", "a/b_c\\d"},
        {"me@home", "me@@home"},
        {"@->", "@@->"},
        {"&&@@", "&&&&@@@@"},
        {"", ""},
    };
    for (auto [descr, label] : cases)
        EXPECT_EQ(menuLabelText(descr), label) << descr;
    EXPECT_EQ(chosenPassword("hidden", "visible"), "hidden");
    EXPECT_EQ(chosenPassword("", "visible"), "visible");
    EXPECT_EQ(chosenPassword(nullptr, nullptr), "");
}

TEST(PasswordAdd, OkAddsTheHiddenPasswordUnderItsDescription) {
    CryptMan c(2);
    WindowDriver driver(ADD_TITLE, [](Fl_Window* w) {
        EXPECT_EQ(w->w(), 275);
        EXPECT_EQ(w->h(), 295);
        EXPECT_TRUE(w->modal());
        EXPECT_EQ(childLabelled<Fl_Input>(w, "Hidden input:")->input_type(), FL_SECRET_INPUT);
        EXPECT_EQ(childLabelled<Fl_Input>(w, "Visible input:")->input_type(), FL_MULTILINE_INPUT);
        type(w, "Password description:", "home/work & more");
        type(w, "Hidden input:", "s3cret");
        type(w, "Visible input:", "other");
        press(w, "OK");
    });
    EXPECT_EQ(pwd_add_run_window(&c), 0);
    EXPECT_TRUE(driver.ran());
    ASSERT_EQ(c.GetNumPwds(), 1);
    EXPECT_EQ(c.GetPwdDescr(0), "home/work & more");
    EXPECT_TRUE(c.IsLoggedIn());
    EXPECT_TRUE(c.PwdsChanged());
    CryptMan locked = lockedCopy(c);
    EXPECT_EQ(locked.Login(0, "other"), -1);
    EXPECT_EQ(locked.Login(0, "s3cret"), 0);
}

TEST(PasswordAdd, VisibleFieldServesWhenTheHiddenOneIsEmpty) {
    CryptMan c(2);
    WindowDriver driver(ADD_TITLE, [](Fl_Window* w) {
        type(w, "Password description:", "visible");
        type(w, "Visible input:", "two\nlines");
        press(w, "OK");
    });
    EXPECT_EQ(pwd_add_run_window(&c), 0);
    CryptMan locked = lockedCopy(c);
    EXPECT_EQ(locked.Login(0, "two\nlines"), 0);
}

TEST(PasswordAdd, CancelAndCloseBoxAddNothing) {
    CryptMan c(2);
    {
        WindowDriver driver(ADD_TITLE, [](Fl_Window* w) {
            type(w, "Password description:", "home");
            type(w, "Hidden input:", "s3cret");
            press(w, "Cancel");
        });
        EXPECT_EQ(pwd_add_run_window(&c), -2);
        EXPECT_TRUE(driver.ran());
    }
    {
        WindowDriver driver(ADD_TITLE, [](Fl_Window* w) {
            type(w, "Hidden input:", "s3cret");
            closeBox(w);
        });
        EXPECT_EQ(pwd_add_run_window(&c), -2);
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(c.GetNumPwds(), 0);
    EXPECT_FALSE(c.IsLoggedIn());
    EXPECT_TRUE(c.CanAddPwd());
}

TEST(PasswordAdd, AnEmptyPasswordIsRefusedWithAMessage) {
    CryptMan c(2);
    WindowDriver driver(ADD_TITLE, [](Fl_Window* w) {
        type(w, "Password description:", "nothing");
        press(w, "OK");
    });
    AlertWatch alert(pwdEmptyMessage);
    EXPECT_EQ(pwd_add_run_window(&c), -1);
    EXPECT_TRUE(alert.driver.ran());
    EXPECT_EQ(c.GetNumPwds(), 0);
}

class PasswordLogin : public ::testing::Test {
  protected:
    // Three passwords, two with the same description, one full of the
    // characters that menus treat specially; then locked as after a restart.
    void SetUp() override {
        CryptMan c(2);
        ASSERT_EQ(c.AddPwd("home/work & more", "p0"), 0);
        ASSERT_EQ(c.AddPwd("home/work & more", "p1"), 0);
        ASSERT_EQ(c.AddPwd("_x\\y@z", "p2"), 0);
        locked = lockedCopy(c);
    }
    CryptMan locked{2};
};

TEST_F(PasswordLogin, ChoiceListsEveryDescriptionAndTheChosenIndexLogsIn) {
    for (int pick = 0; pick < 3; ++pick) {
        CryptMan c = locked;
        const std::string password = "p" + std::to_string(pick);
        WindowDriver driver(ASK_TITLE, [&](Fl_Window* w) {
            EXPECT_EQ(w->w(), 330);
            EXPECT_EQ(w->h(), 425);
            EXPECT_TRUE(w->modal());
            auto* choice = childLabelled<Fl_Choice>(w, "Password description:");
            ASSERT_NE(choice, nullptr);
            ASSERT_EQ(choice->size(), 4); // three entries and the end mark
            EXPECT_STREQ(choice->menu()[0].label(), "home/work && more");
            EXPECT_STREQ(choice->menu()[1].label(), "home/work && more");
            EXPECT_STREQ(choice->menu()[2].label(), "_x\\y@@z");
            EXPECT_EQ(choice->value(), 0);
            choice->value(pick);
            type(w, "Hidden input:", password.c_str());
            press(w, "OK");
        });
        EXPECT_EQ(pwd_ask_run_window(&c), 0) << pick;
        EXPECT_TRUE(driver.ran());
        EXPECT_TRUE(c.IsLoggedIn()) << pick;
        EXPECT_FALSE(c.CanLogIn());
        EXPECT_TRUE(c.CanAddPwd());
    }
}

TEST_F(PasswordLogin, HiddenFieldWinsOverTheVisibleOne) {
    CryptMan c = locked;
    WindowDriver driver(ASK_TITLE, [](Fl_Window* w) {
        type(w, "Hidden input:", "p0");
        type(w, "Visible input:", "wrong");
        press(w, "OK");
    });
    EXPECT_EQ(pwd_ask_run_window(&c), 0);
    EXPECT_TRUE(c.IsLoggedIn());

    CryptMan c2 = locked;
    WindowDriver driver2(ASK_TITLE, [](Fl_Window* w) {
        type(w, "Hidden input:", "wrong");
        type(w, "Visible input:", "p0");
        press(w, "OK");
    });
    AlertWatch alert(pwdWrongMessage);
    EXPECT_EQ(pwd_ask_run_window(&c2), -1);
    EXPECT_TRUE(alert.driver.ran());
    EXPECT_FALSE(c2.IsLoggedIn());
}

TEST_F(PasswordLogin, CloseBoxStillTriesTheTypedPassword) {
    CryptMan c = locked;
    WindowDriver driver(ASK_TITLE, [](Fl_Window* w) {
        childLabelled<Fl_Choice>(w, "Password description:")->value(2);
        type(w, "Hidden input:", "p2");
        closeBox(w);
    });
    EXPECT_EQ(pwd_ask_run_window(&c), 0);
    EXPECT_TRUE(driver.ran());
    EXPECT_TRUE(c.IsLoggedIn());
}

TEST_F(PasswordLogin, ClosingWithoutAPasswordFailsQuietly) {
    CryptMan c = locked;
    WindowDriver driver(ASK_TITLE, [](Fl_Window* w) { closeBox(w); });
    AlertWatch alert(pwdWrongMessage);
    EXPECT_EQ(pwd_ask_run_window(&c), -1);
    EXPECT_FALSE(alert.driver.ran());
    EXPECT_FALSE(c.IsLoggedIn());
}

TEST(PasswordLoginEmpty, WithoutStoredPasswordsTheChoiceIsEmptyAndTheIndexIsMinusOne) {
    CryptMan c(2);
    WindowDriver driver(ASK_TITLE, [](Fl_Window* w) {
        auto* choice = childLabelled<Fl_Choice>(w, "Password description:");
        EXPECT_EQ(choice->size(), 0);
        EXPECT_EQ(choice->value(), -1);
        type(w, "Hidden input:", "anything");
        press(w, "OK");
    });
    AlertWatch alert(pwdWrongMessage);
    EXPECT_EQ(pwd_ask_run_window(&c), -1);
    EXPECT_TRUE(driver.ran());
    EXPECT_FALSE(alert.driver.ran());
    EXPECT_FALSE(c.IsLoggedIn());
}

} // namespace
