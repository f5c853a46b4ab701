#include "gui/password_dialogs.h"

#include "engine/password_keeper.h"
#include "gui/ask.h"
#include "gui/ui_scale.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_ask.H>

const char* const pwdEmptyMessage = "The password is empty; nothing was added.";
const char* const pwdWrongMessage = "Wrong password.";

std::string chosenPassword(const char* hidden, const char* visible) {
    if (hidden && *hidden) return hidden;
    return visible ? visible : "";
}

std::string menuLabelText(const std::string& text) {
    std::string label;
    label.reserve(text.size() + 4);
    for (char ch : text) {
        if (ch == '&' || ch == '@') label += ch;
        label += ch;
    }
    return label;
}

namespace {

// The widgets of the open add dialog, for its button callbacks.
struct AddDialog {
    Fl_Double_Window* window = nullptr;
    Fl_Input* descr = nullptr;
    Fl_Input* hidden = nullptr;
    Fl_Input* visible = nullptr;
    bool okPressed = false;
} addDlg;

// The widgets of the open login dialog.
struct AskDialog {
    Fl_Double_Window* window = nullptr;
    Fl_Input* hidden = nullptr;
    Fl_Input* visible = nullptr;
    Fl_Choice* choice = nullptr;
} askDlg;

void cb_add_Cancel(Fl_Widget*, void*) {
    addDlg.window->hide();
}
void cb_add_OK(Fl_Widget*, void*) {
    addDlg.okPressed = true;
    addDlg.window->hide();
}
void cb_ask_OK(Fl_Widget*, void*) {
    askDlg.window->hide();
}

Fl_Input* labelledInput(int x, int y, int w, int h, const char* label, int type) {
    auto* in = new Fl_Input(x, y, w, h, label);
    in->type(type);
    in->align(FL_ALIGN_TOP_LEFT);
    return in;
}

void runModal(Fl_Double_Window* window) {
    scaleNewWindow(window);
    window->set_modal();
    window->show();
    while (window->shown())
        Fl::wait();
}

// The busy cursor on the window in front while a key is derived, which takes
// up to a second or two at the largest hash count; the normal cursor after.
class BusyCursor {
  public:
    BusyCursor() : window_(Fl::first_window()) {
        if (!window_) return;
        window_->cursor(FL_CURSOR_WAIT);
        Fl::flush(); // the window shows it before the event loop runs again
    }
    ~BusyCursor() {
        if (window_) window_->cursor(FL_CURSOR_DEFAULT);
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    Fl_Window* window_;
};

} // namespace

int pwd_add_run_window(PasswordKeeper* c) {
    addDlg.window = new Fl_Double_Window(275, 295, "Add decryption password");
    addDlg.descr = labelledInput(10, 25, 255, 20, "Password description:", FL_NORMAL_INPUT);
    addDlg.hidden = labelledInput(10, 70, 255, 20, "Hidden input:", FL_SECRET_INPUT);
    addDlg.visible = labelledInput(10, 115, 255, 140, "Visible input:", FL_MULTILINE_INPUT);
    (new Fl_Button(30, 265, 80, 20, "Cancel"))->callback(cb_add_Cancel);
    (new Fl_Button(155, 265, 70, 20, "OK"))->callback(cb_add_OK);
    addDlg.window->end();
    addDlg.okPressed = false;
    runModal(addDlg.window);

    const std::string descr = addDlg.descr->value();
    const std::string password = chosenPassword(addDlg.hidden->value(), addDlg.visible->value());
    const bool ok = addDlg.okPressed;
    delete addDlg.window;
    addDlg = AddDialog();

    if (!ok) return -2;
    // An empty password would let anybody unlock every enciphered description.
    if (password.empty()) {
        fl_alert("%s", pwdEmptyMessage);
        return -1;
    }
    int added;
    {
        BusyCursor busy;
        added = c->addPassword(descr, password);
    }
    if (added == -2)
        GuiAsk::alert(("The password was not added: the data file could not be saved with it (" +
                       c->lastError() +
                       ").\nNothing is enciphered under a password that is not on the disk.")
                          .c_str());
    return added == 0 ? 0 : -1;
}

int pwd_ask_run_window(PasswordKeeper* c) {
    askDlg.window = new Fl_Double_Window(330, 425, "Decryption: Login");
    (new Fl_Button(240, 390, 80, 20, "OK"))->callback(cb_ask_OK);
    askDlg.hidden = labelledInput(10, 80, 310, 20, "Hidden input:", FL_SECRET_INPUT);
    askDlg.visible = labelledInput(10, 125, 310, 250, "Visible input:", FL_MULTILINE_INPUT);
    // Two pixels taller than the other fields: at 20 pixels the choice clips
    // the descenders of its text, and an underscore would look like a blank.
    askDlg.choice = new Fl_Choice(10, 29, 310, 22, "Password description:");
    askDlg.choice->align(FL_ALIGN_TOP_LEFT);
    askDlg.choice->down_box(FL_BORDER_BOX);
    // Each entry is added under a label that is unique and free of menu
    // syntax, then given its description as it is: adding by label would
    // merge entries with equal descriptions and read "/" and "_" as menu
    // structure, and either would shift the position that names the record.
    for (int i = 0; i < c->passwordCount(); ++i) {
        const int at = askDlg.choice->add(std::to_string(i).c_str(), 0, nullptr, nullptr, 0);
        askDlg.choice->replace(at, menuLabelText(c->passwordDescription(i)).c_str());
    }
    if (c->passwordCount() > 0) askDlg.choice->value(0);
    askDlg.window->end();
    runModal(askDlg.window);

    const std::string password = chosenPassword(askDlg.hidden->value(), askDlg.visible->value());
    const int index = askDlg.choice->value();
    delete askDlg.window;
    askDlg = AskDialog();

    int result;
    {
        BusyCursor busy;
        result = c->logIn(index, password);
    }
    if (result != 0 && index >= 0 && !password.empty()) fl_alert("%s", pwdWrongMessage);
    return result;
}
