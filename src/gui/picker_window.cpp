#include "gui/picker_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>

void* pickerOwner(Fl_Widget* w) {
    Fl_Window* win = w->as_window() ? w->as_window() : w->window();
    return win ? win->user_data() : nullptr;
}

bool isEscapeKey() {
    const int e = Fl::event();
    return (e == FL_SHORTCUT || e == FL_KEYBOARD) && Fl::event_key() == FL_Escape;
}
