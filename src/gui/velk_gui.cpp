#include "gui/velk_gui.h"

#include "model/clock.h"

#include <FL/Fl.H>

#include <ctime>

VelkGUI* mainWin = nullptr;

VelkGUI::VelkGUI(int w, int h, const char* title) : Fl_Double_Window(w, h) {
    copy_label(title);
    end();
}

void VelkGUI::makeWindows() {
    begin();
    clock_ = new Fl_Box(w() - 110, 0, 110, 25);
    clock_->align(FL_ALIGN_INSIDE | FL_ALIGN_RIGHT);
    end();
}

void VelkGUI::updateClock() {
    if (!clock_) return;
    std::tm t{};
    if (velkLocalTime(t)) std::strftime(clockLabel_, sizeof clockLabel_, "%H:%M", &t);
    clock_->label(clockLabel_);
    clock_->redraw();
}

void VelkGUI::CB_Done() { hide(); }

std::string VelkGUI::clockText() const { return clockLabel_; }

void make_windows(const char* path, int halfWidth, int halfHeight) {
    std::string title = std::string("Velk: ") + path;
    mainWin = new VelkGUI(2 * halfWidth, 2 * halfHeight, title.c_str());
    mainWin->callback(cb_keypress_ESC);
    mainWin->labelsize(20);
    mainWin->resizable(mainWin);
    mainWin->makeWindows();
    mainWin->set_non_modal();
}

void cb_keypress_ESC(Fl_Widget*, void*) {
    // FLTK calls the window's callback for the Escape shortcut too; that must
    // not end the program. The event key still names Escape when the close
    // button is used after Escape was pressed, so the close event is let through.
    if (Fl::event() != FL_KEYDOWN && Fl::event() != FL_CLOSE && Fl::event_key() == FL_Escape)
        return;
    mainWin->CB_Done();
}

void updateClock(void*) {
    Fl::repeat_timeout(30.0, updateClock);
    mainWin->updateClock();
}
