#pragma once
#include "gui/screen_part.h"

#include <string>

class Fl_Box;
class Fl_Menu_Button;

// Screen 5: the summary and priority of the current group, with its recorded
// time and how much of it is done. It borrows the item editor's summary
// input, priority buttons and time-sum box.
class GroupEditor : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;
    // Made right after the item editor's widgets.
    void make(int W, int H);
    void layout(int W, int H);
    void show();
    // "edit" in the group menu: the current group, unless it is the root.
    void editCurrentGroup();
    // "&Close": stores the summary, journals a change, back to the list.
    void done();
    // The editor was opened from a list row (the marker column), so closing
    // returns to the group that was current before.
    bool fromList() const { return fromList_; }
    void setFromList(bool on) { fromList_ = on; }

  private:
    bool fromList_ = false;
    std::string timeSum, groupCount;
    Fl_Menu_Button* groupMenuButton_ = nullptr;
    Fl_Box* groupCountBox_ = nullptr;
};
