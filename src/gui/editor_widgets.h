#pragma once

class Fl_Box;
class Fl_Menu_Button;
class Fl_Widget;
struct Fl_Menu_Item;

// Widgets that the item and group editors make alike.

// A text box: left-aligned, clipped, 20-point label.
Fl_Box* labelBox(int x, int y, int w, int h);

// A 66 x 30 menu button of the editors. Its label is a little smaller and
// left-aligned, so that it clears the arrow; picking the entry picked last
// time acts again.
Fl_Menu_Button* editorMenuButton(int x, int y, const char* label, Fl_Menu_Item* items);

// The "&Menu" button of the editors' bottom bar.
Fl_Menu_Button* barMenu(Fl_Menu_Item* items);

// Shows w when on, else hides it.
void showIf(Fl_Widget* w, bool on);
