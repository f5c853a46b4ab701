#include "gui/picker_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Widget.H>

void* pickerOwner(Fl_Widget* w) {
    Fl_Window* win = w->as_window() ? w->as_window() : w->window();
    return win ? win->user_data() : nullptr;
}

bool isEscapeKey() {
    const int e = Fl::event();
    return (e == FL_SHORTCUT || e == FL_KEYBOARD) && Fl::event_key() == FL_Escape;
}

PickerWindow::PickerWindow(int w, int h, const char* title, KeyHandler keys)
    : Fl_Window(w, h, title), keys_(std::move(keys)) {}

int PickerWindow::handle(int event) {
    // A key nobody took as FL_KEYBOARD comes back as FL_SHORTCUT; offering it
    // again is harmless, since a key the picker declined is declined again.
    if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && keys_ &&
        !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) {
        const char* text = Fl::event_text();
        if (keys_(Fl::event_key(), text ? std::string(text, std::size_t(Fl::event_length())) : ""))
            return 1;
    }
    return Fl_Window::handle(event);
}

void TypedField::clear() {
    text_.clear();
    show(false);
}

bool TypedField::key(int key, const std::string& typed) {
    if (key == FL_BackSpace) {
        if (text_.empty()) return false;
        text_.pop_back();
    } else if (typed.size() == 1 && std::string(chars_).find(typed[0]) != std::string::npos) {
        if (text_.size() < longest_) text_ += typed;
    } else {
        return false;
    }
    show(false);
    return true;
}

void TypedField::show(bool refused) {
    box_->copy_label(refused ? (text_ + " ?").c_str() : text_.c_str());
    box_->labelcolor(refused ? FL_RED : FL_FOREGROUND_COLOR);
    box_->redraw();
}
