#pragma once
#include "gui/screen_part.h"

#include <string>

class Fl_Box;

// Screen 1: what Velk is, with the window's "&Close" button.
class AboutScreen : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;
    void make(int W, int H);
    void layout(int W, int H);
    void show();
    Fl_Box* aboutBox() const { return aboutBox_; }

  private:
    std::string aboutText;
    Fl_Box* aboutBox_ = nullptr;
};
