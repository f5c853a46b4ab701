#pragma once
#include "gui/picker_window.h"
#include <string>

class Fl_Box;
class Fl_Button;
class Fl_Select_Browser;
class Fl_Widget;
class Fl_Window;

// The modal date picker: one month as a grid of ISO weeks. It writes the
// picked day, month and year straight into the caller's variables and marks
// a cancel by writing -1 into the day.
//
// From the keyboard: the arrows move the chosen day (left and right one day,
// up and down one week), Page Up and Page Down one month, Home goes to today;
// Return picks the chosen day (today when none was chosen yet) and closes.
// Typing a date ("24.12.2026", "2026-12-24", "24.12." for this year) and
// Return picks that date; a text that is no date is shown in red and changes
// nothing. Escape cancels.
//
// Calling pattern: create it, run() (or show() and Fl::wait() while
// visible()), then read the variables; a day of -1 means no date. The caller
// owns the picker and deletes it afterwards.
class DateSelect {
  public:
    // Opens on the caller's month, or on today's month when *day is -1 (then
    // "Done" stays inactive until a day is clicked).
    DateSelect(int* year, int* month, int* day);
    ~DateSelect();
    DateSelect(const DateSelect&) = delete;
    DateSelect& operator=(const DateSelect&) = delete;

    void show();
    void hide();
    bool visible() const;
    // Shows the picker and runs the event loop until it is hidden.
    void run();

    // What the widgets do.
    void CB_Window();
    void CB_Done();
    void CB_Cancel();
    void CB_Year(int d);
    void CB_Month(int d);
    void CB_MonthView();
    // A key pressed in the picker (see above); true when the picker took it.
    bool CB_Key(int key, const std::string& text);
    // A click into grid line `line` (1 = header) at x pixels from the grid's
    // left edge: picks the day, or shows the previous or next month for the
    // empty cells around the month.
    void clickCell(int line, int x);

    // The widgets.
    Fl_Window* window() const { return window_; }
    Fl_Box* monthBox() const { return monthBox_; }
    Fl_Box* yearBox() const { return yearBox_; }
    Fl_Select_Browser* monthView() const { return monthView_; }
    // The date being typed; shown in red when Return found no date in it.
    Fl_Box* typedBox() const { return typedBox_; }

  private:
    // The grid's column widths at the factor in use.
    int columnWidths_[9] = {};
    // Shows month and year in the header and refills the grid.
    void dispMonYear();
    // Refills the grid of the shown month.
    void dispMonth();
    // Chooses the day as a click on it does, showing its month.
    void choose(int d, int m, int y);
    // The day the keys move from: the chosen one, or today when there is none.
    void keyDay(int& d, int& m, int& y) const;
    // Return: picks the typed date, or the chosen day, and closes.
    void enterKey();

    static void cb_Window(Fl_Widget* w, void*);
    static void cb_Done(Fl_Widget* w, void*);
    static void cb_Cancel(Fl_Widget* w, void*);
    static void cb_Year(Fl_Widget* w, void* d);
    static void cb_Month(Fl_Widget* w, void* d);
    static void cb_MonthView(Fl_Widget* w, void*);

    int firstWeekday_ = 0; // weekday (0 = Monday) of the 1st of the shown month
    int* pYear;
    int* pMonth;
    int* pDay;                  // -1: no date chosen
    int year = 2000, month = 1; // the month on display
    int todayDay = 1, todayMonth = 1, todayYear = 2000;
    char monthText[3] = "";
    char yearText[5] = "";
    Fl_Box* monthBox_ = nullptr;
    Fl_Box* yearBox_ = nullptr;
    Fl_Window* window_ = nullptr;
    Fl_Button* doneButton_ = nullptr;
    Fl_Select_Browser* monthView_ = nullptr;
    Fl_Box* typedBox_ = nullptr;
    // The date typed so far; it is never longer than "2026-12-24".
    TypedField typed_{"0123456789.-", 10};
};
