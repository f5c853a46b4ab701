#include "gui/recurrence_select.h"

#include "engine/recurrence_edit.h"
#include "gui/date_select.h"
#include "gui/picker_window.h"
#include "gui/ui_scale.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Repeat_Button.H>
#include <FL/Fl_Toggle_Button.H>
#include <FL/Fl_Window.H>

namespace {

RecurrenceSelect* of(Fl_Widget* w) {
    return static_cast<RecurrenceSelect*>(pickerOwner(w));
}
int intOf(void* d) {
    return int(reinterpret_cast<long>(d));
}

void cb_recType(Fl_Widget* w, void* t) {
    of(w)->CB_recType(intOf(t));
}
void cb_Date(Fl_Widget* w, void* u) {
    of(w)->CB_Date(intOf(u));
}

Fl_Menu_Item menu_recType[] = {
    {"none", 0, cb_recType, reinterpret_cast<void*>(0L), 0, 0, 0, 0, 0},
    {"daily", 0, cb_recType, reinterpret_cast<void*>(1L), 0, 0, 0, 0, 0},
    {"daily, resetable", 0, cb_recType, reinterpret_cast<void*>(2L), 0, 0, 0, 0, 0},
    {"weekly", 0, cb_recType, reinterpret_cast<void*>(3L), 0, 0, 0, 0, 0},
    {"monthly, by day", 0, cb_recType, reinterpret_cast<void*>(4L), 0, 0, 0, 0, 0},
    {"monthly, by date", 0, cb_recType, reinterpret_cast<void*>(5L), 0, 0, 0, 0, 0},
    {"yearly", 0, cb_recType, reinterpret_cast<void*>(6L), 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0}};

Fl_Menu_Item menu_BegDate[] = {{"none", 0, cb_Date, reinterpret_cast<void*>(17L), 0, 0, 0, 0, 0},
                               {"select", 0, cb_Date, reinterpret_cast<void*>(18L), 0, 0, 0, 0, 0},
                               {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0}};

Fl_Menu_Item menu_EndDate[] = {{"none", 0, cb_Date, reinterpret_cast<void*>(1L), 0, 0, 0, 0, 0},
                               {"select", 0, cb_Date, reinterpret_cast<void*>(2L), 0, 0, 0, 0, 0},
                               {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0}};

Fl_Box* flatBox(int x, int y, int w, int h, const char* label) {
    auto* b = new Fl_Box(x, y, w, h, label);
    b->box(FL_FLAT_BOX);
    b->labelsize(20);
    return b;
}

Fl_Box* dateBox(int x, int y, int w, int h) {
    Fl_Box* b = flatBox(x, y, w, h, "");
    b->labelfont(FL_HELVETICA);
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    return b;
}

Fl_Menu_Button* dateMenu(int x, int y, int w, int h, const char* label, Fl_Menu_Item* items) {
    auto* m = new Fl_Menu_Button(x, y, w, h, label);
    // Slightly smaller and left-aligned, so that the label clears the arrow.
    m->labelsize(16);
    m->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    m->textsize(20);
    m->menu(items);
    // Picking the entry picked last time acts again.
    m->when(FL_WHEN_RELEASE_ALWAYS);
    return m;
}

} // namespace

void RecurrenceSelect::cb_Window(Fl_Widget* w, void*) {
    of(w)->CB_Window();
}
void RecurrenceSelect::cb_Done(Fl_Widget* w, void*) {
    of(w)->CB_Done();
}
void RecurrenceSelect::cb_Cancel(Fl_Widget* w, void*) {
    of(w)->CB_Cancel();
}
void RecurrenceSelect::cb_Int(Fl_Widget* w, void* d) {
    of(w)->CB_Int(intOf(d));
}
void RecurrenceSelect::cb_Weekday(Fl_Widget* w, void* d) {
    of(w)->CB_Weekday(intOf(d));
}

RecurrenceSelect::RecurrenceSelect(T_recData* record_, int day_, int month_, int weekday_,
                                   bool isTodo_)
    : record(record_), day(day_), month(month_), weekday(weekday_), isTodo(isTodo_) {
    if (record->type == REC_DAILY_RESETABLE && !isTodo) record->type = REC_DAILY;
    normaliseRecurrenceInterval(*record);

    window_ = new Fl_Window(320, 320, "RecurrenceSelector");
    window_->user_data(this);
    window_->callback(cb_Window);
    window_->labelsize(20);
    typeChoice_ = new Fl_Choice(4, 4, 316, 30, "");
    typeChoice_->labelsize(20);
    typeChoice_->textsize(20);
    typeChoice_->menu(menu_recType);
    flatBox(0, 36, 100, 30, "every");
    auto* minus = new Fl_Repeat_Button(100, 36, 26, 26, "-");
    minus->labelsize(20);
    minus->callback(cb_Int, reinterpret_cast<void*>(-1L));
    intervalBox_ = flatBox(126, 36, 76, 30, "");
    auto* plus = new Fl_Repeat_Button(202, 36, 26, 26, "+");
    plus->labelsize(20);
    plus->callback(cb_Int, reinterpret_cast<void*>(1L));
    unitBox_ = flatBox(228, 36, 92, 30, "");
    unitBox_->labelsize(18); // "month(s)" clears the "+" button
    explBox_ = flatBox(0, 70, 320, 126, "");
    // The weekdays, each toggled by a click or by the key of its underlined
    // letter: M, u, W, h, F, a, S.
    static const char* const labels[7] = {"&Mo", "T&u", "&We", "T&h", "&Fr", "S&a", "&Su"};
    for (int d = 0; d < 7; ++d) {
        weekdayButtons_[d] = new Fl_Toggle_Button(5 + 45 * d, 198, 40, 30, labels[d]);
        weekdayButtons_[d]->labelsize(18);
        weekdayButtons_[d]->callback(cb_Weekday, reinterpret_cast<void*>(long(d)));
    }
    begDateMenu_ = dateMenu(0, 230, 120, 30, "Begin Date", menu_BegDate);
    endDateMenu_ = dateMenu(0, 260, 120, 30, "End Date", menu_EndDate);
    begDateBox_ = dateBox(120, 230, 200, 30);
    endDateBox_ = dateBox(120, 260, 200, 30);
    doneButton_ = new Fl_Button(0, 290, 70, 30, "Done");
    doneButton_->labelsize(20);
    doneButton_->callback(cb_Done);
    auto* cancel = new Fl_Button(70, 290, 70, 30, "Cancel");
    cancel->labelsize(20);
    cancel->callback(cb_Cancel);
    window_->end();
    scaleNewWindow(window_);
    window_->set_modal();
    window_->hotspot(window_);

    dispInt();
    dispExpl();
    dispDates();
    dispWeekdays();
    check_active();
}

RecurrenceSelect::~RecurrenceSelect() {
    delete window_;
}

void RecurrenceSelect::show() {
    window_->show();
}
void RecurrenceSelect::hide() {
    window_->hide();
}
bool RecurrenceSelect::visible() const {
    return window_->visible() != 0;
}

void RecurrenceSelect::run() {
    show();
    while (visible())
        Fl::wait();
}

void RecurrenceSelect::dispExpl() {
    if (record->type >= REC_NONE && record->type <= REC_YEARLY) typeChoice_->value(record->type);
    unitBox_->label(recurrenceUnit(record->type));
    explText = recurrenceExplanation(*record, day, month, weekday);
    explBox_->label(explText.c_str());
    typeChoice_->redraw();
    unitBox_->redraw();
    explBox_->redraw();
}

void RecurrenceSelect::dispDates() {
    begText = rangeDateText(record->rangeBegin);
    endText = rangeDateText(record->rangeEnd);
    begDateBox_->label(begText.c_str());
    endDateBox_->label(endText.c_str());
    begDateBox_->redraw();
    endDateBox_->redraw();
}

void RecurrenceSelect::dispInt() {
    intervalText = std::to_string(record->interval);
    intervalBox_->label(intervalText.c_str());
    intervalBox_->redraw();
}

void RecurrenceSelect::dispWeekdays() {
    const int set = recurrenceWeekdays(*record, weekday);
    for (int d = 0; d < 7; ++d) {
        Fl_Button* b = weekdayButtons_[d];
        if (record->type == REC_WEEKLY)
            b->show();
        else
            b->hide();
        b->value(record->type == REC_WEEKLY && ((set >> d) & 1));
        if (d == weekday)
            b->deactivate();
        else
            b->activate();
    }
}

void RecurrenceSelect::check_active() {
    if (record->type == REC_NONE) {
        record->interval = 1;
        begDateMenu_->deactivate();
        endDateMenu_->deactivate();
    } else {
        begDateMenu_->activate();
        endDateMenu_->activate();
    }
}

void RecurrenceSelect::CB_Window() {
    // Escape cancels; the close box keeps the edits.
    if (isEscapeKey()) {
        CB_Cancel();
        return;
    }
    hide();
}

void RecurrenceSelect::CB_Done() {
    hide();
}

void RecurrenceSelect::CB_Cancel() {
    record->type = -1;
    hide();
}

void RecurrenceSelect::CB_Int(int d) {
    stepRecurrenceInterval(*record, d);
    dispInt();
    dispExpl();
}

void RecurrenceSelect::CB_recType(int type) {
    applyRecurrenceType(*record, type, isTodo);
    check_active();
    dispExpl();
    dispDates();
    dispInt();
    dispWeekdays();
}

void RecurrenceSelect::CB_Weekday(int d) {
    toggleRecurrenceWeekday(*record, d, weekday);
    dispWeekdays();
    dispExpl();
}

void RecurrenceSelect::CB_Date(int u) {
    packedDT& date = (u & 0xf0) == 16 ? record->rangeBegin : record->rangeEnd;
    switch (u & 0x0f) {
    case 1:
        date = DT_EMPTY;
        break;
    case 2: {
        int y = dtYear(date), m = dtMonth(date), d = dtHasDate(date) ? dtDay(date) : -1;
        DateSelect picker(&y, &m, &d);
        picker.run();
        if (d != -1) date = withPickedDate(date, d, m, y);
        break;
    }
    default:
        break;
    }
    dispDates();
}
