#pragma once
#include "support/process.h"

#include <functional>
#include <string>
#include <sys/types.h>

// An X server of its own for one test, so that keys typed into one program
// never reach a window of a test running beside it.
class PrivateXServer {
  public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    bool ok() const { return !display_.empty(); }
    const std::string& display() const { return display_; } // ":N"

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// The real velk program with its window, driven as a user drives it: keys
// and clicks through xdotool, at the widgets' places in the window. Nothing
// here waits a fixed time: the X server hands the program its input in the
// order it was sent, so a test waits only for what it can see (a window, a
// dialog gone, a file).
class VelkWindow {
  public:
    // Starts the program with command (its DISPLAY is set to the server's) and
    // waits for the window titled "Velk: " + dataFile.
    VelkWindow(const PrivateXServer& x, ProcessSpec command, const std::string& dataFile);
    ~VelkWindow();
    VelkWindow(const VelkWindow&) = delete;
    VelkWindow& operator=(const VelkWindow&) = delete;

    bool ok() const { return window_ != 0; }
    unsigned long id() const { return window_; }
    // The dialog the program has opened over its window, or 0 after a few seconds.
    unsigned long waitForDialog(double seconds = 10) const;
    // Waits until the dialog has closed; false when it is still shown.
    bool waitUntilClosed(unsigned long dialog, double seconds = 10) const;
    // xdotool key names, separated by blanks ("ctrl+a BackSpace alt+c").
    void keys(const std::string& names);
    // The main menu opened with alt+m, then the keys one by one ("v+ Down+
    // Right Return"). After a key marked "+", which chooses an entry with a
    // submenu, the next waits until that submenu is shown: the menu, when it
    // shows a window, takes the entry from the pointer and forgets the keys.
    bool menu(const std::string& names);
    // Text typed as it stands.
    void type(const std::string& text);
    // A click (or double click with count 2) at x, y inside the window.
    void click(int x, int y, int count = 1);
    // The first top-level window whose name is title, or 0 after a few seconds.
    unsigned long waitForWindow(const std::string& title, double seconds = 10) const;
    // Keys sent to another top-level window (a dialog) after focusing it.
    void keysTo(unsigned long window, const std::string& names);
    void typeTo(unsigned long window, const std::string& text);
    void clickIn(unsigned long window, int x, int y, int count = 1);
    // A picture of the whole screen, for a person to look at when a journey fails.
    void screenshot(const std::string& file) const;
    // Ctrl+q and the end of the run.
    ProcessResult quit(double seconds = 30);
    // The end of a run that ends by itself (its window was closed).
    ProcessResult waitForEnd(double seconds = 30);
    // The end the user did not choose: SIGKILL.
    ProcessResult kill();
    bool running() const;

  private:
    bool xdo(const std::string& args) const;
    std::string display_;
    pid_t pid_ = -1;
    unsigned long window_ = 0;
    bool ended_ = false;
};

// Polls cond every 20 ms for up to seconds; true as soon as it holds.
bool waitUntil(const std::function<bool()>& cond, double seconds = 10);
