#include "gui/editor_widgets.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Menu_Button.H>

Fl_Box* labelBox(int x, int y, int w, int h) {
    auto* b = new Fl_Box(FL_FLAT_BOX, x, y, w, h, "");
    b->labelsize(20);
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    return b;
}

Fl_Menu_Button* editorMenuButton(int x, int y, const char* label, Fl_Menu_Item* items) {
    auto* m = new Fl_Menu_Button(x, y, 66, 30, label);
    m->labelsize(16);
    m->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    m->textsize(20);
    m->menu(items);
    m->when(FL_WHEN_RELEASE_ALWAYS);
    return m;
}

Fl_Menu_Button* barMenu(Fl_Menu_Item* items) {
    return editorMenuButton(70, 0, "&Menu", items);
}

void showIf(Fl_Widget* w, bool on) {
    if (on)
        w->show();
    else
        w->hide();
}
