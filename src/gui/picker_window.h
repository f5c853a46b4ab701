#pragma once

class Fl_Widget;

// The object behind a picker or dialog: the user data of the window that
// holds the widget (or of the widget itself when it is that window). The
// static callbacks of the pickers find their object this way, so that the
// buttons' own user data can carry the step or action.
void* pickerOwner(Fl_Widget* w);

// True while the event being handled is the Escape key (which FLTK delivers
// to a window's callback like a close request).
bool isEscapeKey();
