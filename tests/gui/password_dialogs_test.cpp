// The password dialogs: adding a password and logging in.

#include "crypt/crypt_man.h"
#include "engine/crypt_password_keeper.h"
#include "gui/password_dialogs.h"
#include "gui_fixture.h"

#include <FL/Fl_Input.H>

namespace {

// The manager as the next start reads it from the data file: locked.
CryptMan locked(const CryptMan& c) {
    std::stringstream file;
    EXPECT_EQ(c.Write(file), 0);
    file.ignore(100, '\n'); // the section's header line
    CryptMan copy(2);
    EXPECT_EQ(copy.Read(file), 0);
    return copy;
}

// Types "description|hidden|visible" into the fields of dialog w; for the
// login the description is the index of the one chosen.
void fill(Fl_Window* w, const std::string& typed) {
    const std::size_t bar = typed.find('|'), bar2 = typed.find('|', bar + 1);
    if (auto* in = dynamic_cast<Fl_Input*>(childLabelled(w, "Password description:")))
        in->value(typed.substr(0, bar).c_str());
    else
        childLabelled<Fl_Choice>(w, "Password description:")->value(std::stoi(typed));
    childLabelled<Fl_Input>(w, "Hidden input:")
        ->value(typed.substr(bar + 1, bar2 - bar - 1).c_str());
    childLabelled<Fl_Input>(w, "Visible input:")->value(typed.substr(bar2 + 1).c_str());
}

TEST(PasswordDialogs, OkCancelAndCloseBoxGiveTheirResultsAndMessages) {
    CryptMan three(2);
    for (const char* password : {"p0", "p1", "p2"})
        ASSERT_EQ(three.AddPwd(password[1] == '2' ? "_x\\y@z" : "R&D @home", password), 0);
    struct Row {
        const char* rule;
        bool login; // else the add dialog
        const char *typed, *button;
        int result;
        std::string message, works; // the message shown; the password that logs in afterwards
    };
    const Row rows[] = {
        {"OK adds the hidden password", false, "R&D|s3cret|other", "OK", 0, "", "s3cret"},
        {"the visible one serves when the hidden is empty", false, "v||two", "OK", 0, "", "two"},
        {"an empty password is refused", false, "none||", "OK", -1, pwdEmptyMessage, ""},
        {"Cancel adds nothing", false, "home|s3cret|", "Cancel", -2, "", ""},
        {"nor does the close box", false, "home|s3cret|", "Close", -2, "", ""},
        {"the chosen description's password logs in", true, "2|p2|", "OK", 0, "", "p2"},
        {"the hidden field wins", true, "0|wrong|p0", "OK", -1, pwdWrongMessage, ""},
        {"the close box still tries the typed password", true, "1|p1|", "Close", 0, "", "p1"},
        {"closing without a password fails quietly", true, "0||", "Close", -1, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        CryptMan c = r.login ? locked(three) : CryptMan(2);
        CryptPasswordKeeper keeper(c, [](std::string&) { return 0; });
        WindowDriver dialog(
            r.login ? "Decryption: Login" : "Add decryption password", [&](Fl_Window* w) {
                if (r.login) {
                    // The toolkit shows "&&" as "&" and "@@" as "@": the description as typed.
                    EXPECT_STREQ(childLabelled<Fl_Choice>(w, "Password description:")->text(0),
                                 "R&&D @@home");
                }
                fill(w, r.typed);
                run(w, r.button);
            });
        WindowDriver message(r.message.empty() ? "no message" : r.message,
                             [](Fl_Window* w) { w->hide(); });
        EXPECT_EQ(r.login ? pwd_ask_run_window(&keeper) : pwd_add_run_window(&keeper), r.result);
        EXPECT_TRUE(dialog.ran());
        EXPECT_EQ(message.ran(), !r.message.empty());
        EXPECT_EQ(c.IsLoggedIn(), !r.works.empty());
        if (r.works.empty() || r.login) continue;
        EXPECT_TRUE(std::string(r.typed).starts_with(c.GetPwdDescr(0) + "|"));
        EXPECT_EQ(locked(c).Login(0, r.works.c_str()), 0) << "the password works after a restart";
    }
}

} // namespace
