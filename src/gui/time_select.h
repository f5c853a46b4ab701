#pragma once
#include "gui/picker_window.h"
#include <string>

class Fl_Box;
class Fl_Button;
class Fl_Widget;
class Fl_Window;

// Time stepping of the time picker. The hour wraps within 0..23; minutes carry
// into the hour, so that stepping down from 0:00 gives 23:59.
void stepHour(int& hour, int d);
void stepMinute(int& hour, int& minute, int d);
// Steps to the next (d > 0) or previous (d < 0) whole five minutes, so that
// 9:31 goes up to 9:35 and down to 9:30; 24:00 steps as 0:00 of the day.
void stepFiveMinutes(int& hour, int& minute, int d);
// The hour right-aligned in two places, ":" and the minute in two digits
// (" 9:05").
std::string timeSelectText(int hour, int minute);

// The modal time picker: steps an hour and a minute with repeat buttons and
// writes them straight into the caller's variables; a cancel writes -1 into
// the minute.
//
// From the keyboard: Up and Down step to the next or previous five minutes;
// typing a time ("14:30", "1430", "9:05", "905") and Return sets it and
// closes; a text that is no time is shown in red and changes nothing. Return
// alone closes with the time shown, Escape cancels.
//
// Calling pattern: create it, run() (or show() and Fl::wait() while
// visible()), then read the variables; a minute of -1 means no time. The
// caller owns the picker and deletes it afterwards.
class TimeSelect {
  public:
    // A time outside 0:00..24:00 (such as a minute of -1 for "no time yet")
    // starts at 0:00 and is written back, so that "Done" returns what is shown.
    TimeSelect(int* hour, int* minute);
    ~TimeSelect();
    TimeSelect(const TimeSelect&) = delete;
    TimeSelect& operator=(const TimeSelect&) = delete;

    void show();
    void hide();
    bool visible() const;
    // Shows the picker and runs the event loop until it is hidden.
    void run();

    void CB_Window();
    void CB_Done();
    void CB_Cancel();
    void CB_Hour(int d);
    void CB_Minute(int d);
    // A key pressed in the picker (see above); true when the picker took it.
    bool CB_Key(int key, const std::string& text);

    // The widgets: the window and the shown time.
    Fl_Window* window() const { return window_; }
    Fl_Box* display() const { return display_; }
    // The time being typed; shown in red when Return found no time in it.
    Fl_Box* typedBox() const { return typedBox_; }

  private:
    // Shows the caller's time in the display.
    void dispTime();

    static void cb_Window(Fl_Widget* w, void*);
    static void cb_Done(Fl_Widget* w, void*);
    static void cb_Cancel(Fl_Widget* w, void*);
    static void cb_Hour(Fl_Widget* w, void* d);
    static void cb_Minute(Fl_Widget* w, void* d);

    int* pHour;
    int* pMinute; // -1: cancelled
    char timeText[8] = "";
    Fl_Box* display_ = nullptr;
    Fl_Window* window_ = nullptr;
    Fl_Button* doneButton_ = nullptr;
    Fl_Box* typedBox_ = nullptr;
    // The time typed so far; it is never longer than "14:30".
    TypedField typed_{"0123456789:", 5};
};
