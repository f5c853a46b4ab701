#pragma once
#include "support/process.h"

#include <cstdlib>

// An X server of its own for one test, so that keys typed into one program
// never reach a window of a test running beside it.
class PrivateXServer {
  public:
    PrivateXServer();
    ~PrivateXServer();
    bool ok() const { return !display_.empty(); }

  private:
    pid_t pid_ = -1;
    std::string display_; // ":N"
};

// Finding and closing top-level windows on the X server of the test, the way
// a window manager would.
// The id of the shown top-level window named title (or title, a blank and a
// state in brackets), waiting up to timeoutSeconds for it to appear; 0 when
// none appears.
unsigned long waitForWindow(const std::string& title, double timeoutSeconds = 10);
// Asks the window to close, as the close button of its frame does.
bool askWindowToClose(unsigned long window);
// Waits up to timeoutSeconds until the window is no longer shown; false when
// it still is.
bool waitForWindowGone(unsigned long window, double timeoutSeconds = 10);

// The real velk program with its window, driven as a user drives it: keys
// and clicks through xdotool, at the widgets' places in the window. Nothing
// here waits a fixed time: the X server hands the program its input in the
// order it was sent, so a test waits only for what it can see (a window, a
// dialog gone, a file).
class VelkWindow {
  public:
    // Starts the program with command on the test's X server and waits for
    // the window titled "Velk: " + dataFile.
    VelkWindow(const ProcessSpec& command, const std::string& dataFile);
    // Kills a run that has not ended; when the test has failed by then, a
    // picture of the whole screen is kept beside the data file first, for a
    // person to look at.
    ~VelkWindow();

    bool ok() const { return window_ != 0; }
    unsigned long id() const { return window_; }
    // xdotool key names, separated by blanks ("ctrl+a BackSpace alt+c").
    void keys(const std::string& names) { xdo(focus(window_) + " key " + names); }
    // The main menu opened with alt+m, then the keys one by one ("v+ Down+
    // Right Return"). After a key marked "+", which chooses an entry with a
    // submenu, the next waits until that submenu is shown: the menu, when it
    // shows a window, takes the entry from the pointer and forgets the keys.
    bool menu(const std::string& names);
    // Text typed as it stands into the window, or another top-level one (a dialog).
    void type(const std::string& text) { typeTo(window_, text); }
    void typeTo(unsigned long window, const std::string& text);
    // A click at x, y inside the window or a dialog.
    void click(int x, int y) { clickIn(window_, x, y); }
    // The pointer is moved without --sync, which would wait in vain while the
    // pointer already stands there; the server handles the move before the click.
    void clickIn(unsigned long window, int x, int y);
    // The end of a run that ends by itself (its window was closed).
    ProcessResult waitForEnd(double seconds = 30) {
        ended_ = true;
        return waitProcess(pid_, seconds);
    }
    // The end the user did not choose: SIGKILL (nothing once the run has ended).
    ProcessResult kill();

  private:
    static std::string focus(unsigned long w) { return "windowfocus --sync " + std::to_string(w); }
    bool xdo(const std::string& args) const {
        return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
    }
    std::string picture_;
    pid_t pid_ = -1;
    unsigned long window_ = 0;
    bool ended_ = false;
};
