#pragma once
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <string>

// The main window of Velk. It shows the data file's name in its title and a
// clock; the list, the editors and the menus are built into it by makeWindows.
class VelkGUI : public Fl_Double_Window {
  public:
    VelkGUI(int w, int h, const char* title);

    // Builds the widgets of the window.
    void makeWindows();
    // Refreshes the clock (called by the clock timer).
    void updateClock();
    // Ends the program: hides the main window, so that the event loop returns.
    void CB_Done();

    // The text the clock shows, for tests.
    std::string clockText() const;

  private:
    Fl_Box* clock_ = nullptr;
    char clockLabel_[32] = "";
};

extern VelkGUI* mainWin;

// Creates mainWin titled "Velk: " + data-file path, twice the stored half
// size (halfWidth x halfHeight), with its widgets.
void make_windows(const char* path, int halfWidth, int halfHeight);

// Callback of the main window: Escape does not close it; the close button
// (and every other way the window is asked to close) ends the program.
void cb_keypress_ESC(Fl_Widget* widget, void* data);

// Clock timer: re-arms itself every 30 seconds and refreshes the clock.
void updateClock(void* data);
