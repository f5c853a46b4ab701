#pragma once
#include "model/recurrence.h"

#include <string>

class Fl_Box;
class Fl_Button;
class Fl_Choice;
class Fl_Menu_Button;
class Fl_Widget;
class Fl_Window;

// The modal recurrence selector. It edits the caller's T_recData in place
// (type, interval 1..1000, range dates, a weekly rule's weekdays, which the
// toggles Mo .. Su choose, each also by the key of its underlined letter) and
// explains the chosen rule with the item's reference date: the due date of a
// todo, the begin of an appointment or note. "Cancel" sets the record's type
// to -1, and the caller then discards the record.
//
// Calling pattern: copy the item's rule, create the selector on the copy,
// run() (or show() and Fl::wait() while visible()), and store the copy only
// when its type is not -1. The caller owns the selector.
class RecurrenceSelect {
  public:
    RecurrenceSelect(T_recData* record, int day, int month, int weekday, bool isTodo);
    ~RecurrenceSelect();
    RecurrenceSelect(const RecurrenceSelect&) = delete;
    RecurrenceSelect& operator=(const RecurrenceSelect&) = delete;

    void show();
    void hide();
    bool visible() const;
    // Shows the selector and runs the event loop until it is hidden.
    void run();

    void CB_Window();
    void CB_Done();
    void CB_Cancel();
    void CB_Int(int d);
    void CB_recType(int type);
    // d: the weekday toggled, 0 Monday .. 6 Sunday.
    void CB_Weekday(int d);
    // u: 16 for the range begin, 0 for the range end, plus 1 "none" or
    // 2 "select" (which runs the date picker).
    void CB_Date(int u);

    // The widgets: the window, the rule's type and explanation, and the range
    // dates with their menus.
    Fl_Window* window() const { return window_; }
    Fl_Choice* typeChoice() const { return typeChoice_; }
    Fl_Box* explBox() const { return explBox_; }
    Fl_Menu_Button* begDateMenu() const { return begDateMenu_; }
    Fl_Menu_Button* endDateMenu() const { return endDateMenu_; }
    Fl_Box* begDateBox() const { return begDateBox_; }
    Fl_Box* endDateBox() const { return endDateBox_; }
    Fl_Button* weekdayButton(int d) const { return weekdayButtons_[d]; }

  private:
    // Show the rule's type, unit and explanation; its range dates; its interval.
    void dispExpl();
    void dispDates();
    void dispInt();
    // The weekday toggles: shown for a weekly rule, pressed for its days;
    // the anchor's day cannot be taken out.
    void dispWeekdays();
    // The range-date menus are active exactly for a rule other than "none".
    void check_active();

    static void cb_Window(Fl_Widget* w, void*);
    static void cb_Done(Fl_Widget* w, void*);
    static void cb_Cancel(Fl_Widget* w, void*);
    static void cb_Int(Fl_Widget* w, void* d);
    static void cb_Weekday(Fl_Widget* w, void* d);

    T_recData* record;
    std::string explText;
    Fl_Box* explBox_ = nullptr;
    Fl_Box* unitBox_ = nullptr;
    Fl_Choice* typeChoice_ = nullptr;
    Fl_Window* window_ = nullptr;
    Fl_Button* doneButton_ = nullptr;
    Fl_Menu_Button* begDateMenu_ = nullptr;
    Fl_Menu_Button* endDateMenu_ = nullptr;
    Fl_Box* endDateBox_ = nullptr;
    Fl_Box* begDateBox_ = nullptr;
    std::string endText, begText;
    Fl_Box* intervalBox_ = nullptr;
    Fl_Button* weekdayButtons_[7] = {};
    std::string intervalText;
    int day, month, weekday; // of the reference date; weekday 0 = Monday
    bool isTodo;
};
