#include "gui/date_select.h"

#include "gui/date_grid.h"
#include "gui/picker_window.h"
#include "gui/ui_scale.h"
#include "model/clock.h"
#include "model/datetime.h"
#include "model/typed_date_time.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Select_Browser.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

DateSelect* of(Fl_Widget* w) {
    return static_cast<DateSelect*>(pickerOwner(w));
}

Fl_Button* addButton(int x, int y, int w, int h, const char* label, Fl_Callback* cb,
                     long data = 0) {
    auto* b = new Fl_Button(x, y, w, h, label);
    b->labelsize(20);
    b->callback(cb, reinterpret_cast<void*>(data));
    return b;
}

} // namespace

void DateSelect::cb_Window(Fl_Widget* w, void*) {
    of(w)->CB_Window();
}
void DateSelect::cb_Done(Fl_Widget* w, void*) {
    of(w)->CB_Done();
}
void DateSelect::cb_Cancel(Fl_Widget* w, void*) {
    of(w)->CB_Cancel();
}
void DateSelect::cb_Year(Fl_Widget* w, void* d) {
    of(w)->CB_Year(int(reinterpret_cast<long>(d)));
}
void DateSelect::cb_Month(Fl_Widget* w, void* d) {
    of(w)->CB_Month(int(reinterpret_cast<long>(d)));
}
void DateSelect::cb_MonthView(Fl_Widget* w, void*) {
    of(w)->CB_MonthView();
}

DateSelect::DateSelect(int* year_, int* month_, int* day_)
    : pYear(year_), pMonth(month_), pDay(day_) {
    std::tm t{};
    if (velkLocalTime(t)) {
        todayDay = t.tm_mday;
        todayMonth = t.tm_mon + 1;
        todayYear = t.tm_year + 1900;
    }

    window_ = new PickerWindow(320, 280, "DateSelector", [this](int key, const std::string& text) {
        return CB_Key(key, text);
    });
    window_->user_data(this);
    window_->callback(cb_Window);
    window_->labelsize(20);
    monthBox_ = new Fl_Box(0, 0, 40, 30, monthText);
    monthBox_->box(FL_FLAT_BOX);
    monthBox_->labelsize(20);
    yearBox_ = new Fl_Box(40, 0, 80, 30, yearText);
    yearBox_->box(FL_FLAT_BOX);
    yearBox_->labelsize(20);
    // The typed date, right of the year, where the header is free.
    typedBox_ = new Fl_Box(120, 0, 200, 30);
    typedBox_->box(FL_FLAT_BOX);
    typedBox_->labelsize(20);
    typedBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    typed_.attach(typedBox_);
    addButton(160, 250, 40, 30, "Y-", cb_Year, -1);
    addButton(200, 250, 40, 30, "M-", cb_Month, -1);
    addButton(240, 250, 40, 30, "M+", cb_Month, 1);
    addButton(280, 250, 40, 30, "Y+", cb_Year, 1);
    monthView_ = new Fl_Select_Browser(0, 30, 320, 220);
    monthView_->box(FL_FLAT_BOX);
    monthView_->labeltype(FL_NO_LABEL);
    monthView_->textfont(FL_HELVETICA_BOLD);
    monthView_->textsize(20);
    for (int c = 0; c < 9; ++c)
        columnWidths_[c] = scaled(monthGridColumnWidths[c]);
    monthView_->column_widths(columnWidths_);
    monthView_->column_char('\t');
    monthView_->callback(cb_MonthView);
    monthView_->when(FL_WHEN_CHANGED | FL_WHEN_RELEASE_ALWAYS);
    // The grid never takes the keyboard, so that the arrows move the chosen
    // day instead of the browser's line.
    monthView_->visible_focus(0);
    doneButton_ = addButton(0, 250, 70, 30, "Done", cb_Done);
    addButton(70, 250, 70, 30, "Cancel", cb_Cancel);
    window_->end();
    scaleNewWindow(window_);
    window_->set_modal();
    window_->hotspot(window_);

    // Without a date (or with one a packed date cannot hold) the picker opens
    // on today's month; a day must be clicked before "Done" can be pressed.
    if (*pDay == -1 || !isValidDate(*pDay, *pMonth, *pYear)) {
        doneButton_->deactivate();
        year = std::clamp(todayYear, DT_MINYEAR, DT_MAXYEAR);
        month = todayMonth;
    } else {
        year = *pYear;
        month = *pMonth;
    }
    dispMonYear();
}

DateSelect::~DateSelect() {
    delete window_;
}

void DateSelect::show() {
    window_->show();
}
void DateSelect::hide() {
    window_->hide();
}
bool DateSelect::visible() const {
    return window_->visible() != 0;
}

void DateSelect::run() {
    show();
    while (visible())
        Fl::wait();
}

void DateSelect::dispMonYear() {
    std::snprintf(monthText, sizeof monthText, "%d", month);
    std::snprintf(yearText, sizeof yearText, "%4d", year);
    monthBox_->redraw();
    yearBox_->redraw();
    firstWeekday_ = Wochentag(1, month, year);
    dispMonth();
}

void DateSelect::dispMonth() {
    MonthGridMarks marks;
    marks.chosenDay = *pDay;
    marks.chosenMonth = *pMonth;
    marks.chosenYear = *pYear;
    marks.todayDay = todayDay;
    marks.todayMonth = todayMonth;
    marks.todayYear = todayYear;
    monthView_->clear();
    for (const std::string& line : monthGridLines(month, year, marks))
        monthView_->add(line.c_str());
    monthView_->redraw();
}

void DateSelect::CB_Window() {
    // Escape cancels, as it does in every dialog; the close box keeps what
    // was last chosen.
    if (isEscapeKey()) {
        CB_Cancel();
        return;
    }
    hide();
}

void DateSelect::CB_Done() {
    hide();
}

void DateSelect::CB_Cancel() {
    *pDay = -1;
    hide();
}

void DateSelect::CB_Year(int d) {
    stepShownYear(year, d);
    dispMonYear();
}

void DateSelect::CB_Month(int d) {
    stepShownMonth(month, year, d);
    dispMonYear();
}

void DateSelect::CB_MonthView() {
    if (Fl::event() != FL_RELEASE) return;
    const int line = monthView_->value();
    if (line < 1) return;
    clickCell(line, unscaled(Fl::event_x() - monthView_->x()));
}

void DateSelect::clickCell(int line, int x) {
    const int column = monthGridColumnAt(x);
    if (column == 0) return;
    const int day = monthGridDayAt(line, column, firstWeekday_);
    if (day < 1) {
        CB_Month(-1);
    } else if (day > MaxTag(month, year)) {
        CB_Month(1);
    } else {
        *pDay = day;
        *pMonth = month;
        *pYear = year;
        doneButton_->activate();
        dispMonth();
    }
}

bool DateSelect::CB_Key(int key, const std::string& text) {
    int d, m, y;
    keyDay(d, m, y);
    packedDT v = packDate(d, m, y);
    switch (key) {
    case FL_Left:
    case FL_Right:
    case FL_Up:
    case FL_Down:
        moveDate(v, key == FL_Left ? -1 : key == FL_Right ? 1 : key == FL_Up ? -7 : 7);
        choose(dtDay(v), dtMonth(v), dtYear(v));
        return true;
    case FL_Page_Up:
    case FL_Page_Down:
        // The same day in the month before or after, or that month's last day
        // when it is shorter.
        stepShownMonth(m, y, key == FL_Page_Up ? -1 : 1);
        choose(std::min(d, MaxTag(m, y)), m, y);
        return true;
    case FL_Home:
        if (isValidDate(todayDay, todayMonth, todayYear)) choose(todayDay, todayMonth, todayYear);
        return true;
    case FL_Enter:
    case FL_KP_Enter:
        enterKey();
        return true;
    default:
        break;
    }
    return typed_.key(key, text);
}

void DateSelect::keyDay(int& d, int& m, int& y) const {
    if (isValidDate(*pDay, *pMonth, *pYear)) {
        d = *pDay, m = *pMonth, y = *pYear;
    } else if (isValidDate(todayDay, todayMonth, todayYear)) {
        d = todayDay, m = todayMonth, y = todayYear;
    } else {
        d = 1, m = month, y = year;
    }
}

void DateSelect::choose(int d, int m, int y) {
    *pDay = d;
    *pMonth = m;
    *pYear = y;
    month = m;
    year = y;
    doneButton_->activate();
    typed_.clear();
    dispMonYear();
}

void DateSelect::enterKey() {
    int d = 0, m = 0, y = 0;
    if (typed_.empty()) {
        keyDay(d, m, y);
    } else if (parseTypedDate(typed_.text(), todayYear, d, m, y) != 0) {
        typed_.refuse();
        return;
    }
    choose(d, m, y);
    hide();
}
