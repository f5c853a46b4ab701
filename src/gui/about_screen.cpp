#include "gui/about_screen.h"

#include "gui/velk_gui.h"

#include <FL/Fl_Box.H>

void AboutScreen::make(int W, int H) {
    aboutText =
        "              Velk v0.54\n\n        Hierarchical todo-list,\n        appointments and "
        "notes,\n        calendar,\n        project-time recorder.\n        Fully "
        "searchable, encrypting.";
    aboutBox_ = new Fl_Box(FL_FLAT_BOX, 0, 0, W, H - 30, aboutText.c_str());
    aboutBox_->labelsize(20);
    aboutBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
}

void AboutScreen::layout(int W, int H) {
    aboutBox_->resize(0, 0, W, H - 30);
}

void AboutScreen::show() {
    aboutBox_->show();
    win.closeButton()->show();
}
