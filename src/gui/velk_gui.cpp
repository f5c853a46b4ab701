#include "gui/velk_gui.h"

#include "model/clock.h"

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
