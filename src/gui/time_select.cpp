#include "gui/time_select.h"

#include "gui/picker_window.h"
#include "gui/ui_scale.h"
#include "model/typed_date_time.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Repeat_Button.H>
#include <FL/Fl_Window.H>

#include <cstdio>

void stepHour(int& hour, int d) {
    hour += d;
    if (hour < 0) hour = 23;
    if (hour > 23) hour = 0;
}

void stepMinute(int& hour, int& minute, int d) {
    minute += d;
    if (minute < 0) {
        minute += 60;
        stepHour(hour, -1);
    } else if (minute > 59) {
        minute -= 60;
        stepHour(hour, 1);
    }
}

void stepFiveMinutes(int& hour, int& minute, int d) {
    if (hour == 24) hour = 0;
    const int rest = minute % 5;
    stepMinute(hour, minute, d > 0 ? 5 - rest : -(rest ? rest : 5));
}

std::string timeSelectText(int hour, int minute) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d:%02d", hour, minute);
    return text;
}

namespace {

TimeSelect* of(Fl_Widget* w) {
    return static_cast<TimeSelect*>(pickerOwner(w));
}

template <class B>
void addButton(int x, int y, int w, int h, const char* label, Fl_Callback* cb, long data) {
    auto* b = new B(x, y, w, h, label);
    b->labelsize(20);
    b->callback(cb, reinterpret_cast<void*>(data));
}

} // namespace

void TimeSelect::cb_Window(Fl_Widget* w, void*) {
    of(w)->CB_Window();
}
void TimeSelect::cb_Done(Fl_Widget* w, void*) {
    of(w)->CB_Done();
}
void TimeSelect::cb_Cancel(Fl_Widget* w, void*) {
    of(w)->CB_Cancel();
}
void TimeSelect::cb_Hour(Fl_Widget* w, void* d) {
    of(w)->CB_Hour(int(reinterpret_cast<long>(d)));
}
void TimeSelect::cb_Minute(Fl_Widget* w, void* d) {
    of(w)->CB_Minute(int(reinterpret_cast<long>(d)));
}

TimeSelect::TimeSelect(int* hour, int* minute) : pHour(hour), pMinute(minute) {
    if (*pHour < 0 || *pHour > 24 || *pMinute < 0 || *pMinute > 59 ||
        (*pHour == 24 && *pMinute != 0)) {
        *pHour = 0;
        *pMinute = 0;
    }
    window_ = new PickerWindow(140, 140, "TimeSelector", [this](int key, const std::string& text) {
        return CB_Key(key, text);
    });
    window_->user_data(this);
    window_->callback(cb_Window);
    window_->labelsize(20);
    addButton<Fl_Repeat_Button>(20, 50, 26, 26, "+", cb_Hour, 1);
    addButton<Fl_Repeat_Button>(20, 76, 26, 26, "-", cb_Hour, -1);
    display_ = new Fl_Box(4, 0, 100, 30, timeText);
    display_->box(FL_FLAT_BOX);
    display_->labelsize(20);
    // The typed time, between the display and the step buttons.
    typedBox_ = new Fl_Box(4, 30, 132, 20);
    typedBox_->box(FL_FLAT_BOX);
    typedBox_->labelsize(16);
    typedBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    typed_.attach(typedBox_);
    addButton<Fl_Repeat_Button>(60, 50, 26, 26, "+", cb_Minute, 10);
    addButton<Fl_Repeat_Button>(60, 76, 26, 26, "-", cb_Minute, -10);
    addButton<Fl_Repeat_Button>(86, 50, 26, 26, "+", cb_Minute, 1);
    addButton<Fl_Repeat_Button>(86, 76, 26, 26, "-", cb_Minute, -1);
    doneButton_ = new Fl_Button(0, 110, 70, 30, "Done");
    doneButton_->labelsize(20);
    doneButton_->callback(cb_Done);
    addButton<Fl_Button>(70, 110, 70, 30, "Cancel", cb_Cancel, 0);
    window_->end();
    scaleNewWindow(window_);
    window_->set_modal();
    window_->hotspot(window_);
    dispTime();
}

TimeSelect::~TimeSelect() {
    delete window_;
}

void TimeSelect::show() {
    window_->show();
}
void TimeSelect::hide() {
    window_->hide();
}
bool TimeSelect::visible() const {
    return window_->visible() != 0;
}

void TimeSelect::run() {
    show();
    while (visible())
        Fl::wait();
}

void TimeSelect::dispTime() {
    std::snprintf(timeText, sizeof timeText, "%s", timeSelectText(*pHour, *pMinute).c_str());
    display_->redraw();
}

void TimeSelect::CB_Window() {
    // Escape cancels; the close box keeps the time shown.
    if (isEscapeKey()) {
        CB_Cancel();
        return;
    }
    hide();
}

void TimeSelect::CB_Done() {
    hide();
}

void TimeSelect::CB_Cancel() {
    *pMinute = -1;
    hide();
}

void TimeSelect::CB_Hour(int d) {
    stepHour(*pHour, d);
    dispTime();
}

void TimeSelect::CB_Minute(int d) {
    stepMinute(*pHour, *pMinute, d);
    dispTime();
}

bool TimeSelect::CB_Key(int key, const std::string& text) {
    switch (key) {
    case FL_Up:
    case FL_Down:
        stepFiveMinutes(*pHour, *pMinute, key == FL_Up ? 1 : -1);
        typed_.clear();
        dispTime();
        return true;
    case FL_Enter:
    case FL_KP_Enter: {
        int h = *pHour, m = *pMinute;
        if (!typed_.empty() && parseTypedTime(typed_.text(), h, m) != 0) {
            typed_.refuse();
            return true;
        }
        *pHour = h, *pMinute = m;
        dispTime();
        hide();
        return true;
    }
    default:
        break;
    }
    return typed_.key(key, text);
}
