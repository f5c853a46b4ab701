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
