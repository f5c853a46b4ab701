#pragma once
#include "gui/screen_part.h"

#include <string>

class Fl_Box;
class Fl_Button;
class Fl_Input;

// Screen 6: one line of text for a search, an export or an import, with a
// prompt, "Cancel" and the window's "&Close", which acts on the text.
class InputScreen : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;
    void make(int W, int H);
    void layout(int W, int H);
    void show();
    // Opens the screen for one of the INPUT_ modes.
    void showInput(int mode);
    // "&Close": searches, exports or imports the typed text; an empty text
    // only returns to the list.
    void done();
    Fl_Box* promptBox() const { return promptBox_; }
    Fl_Input* inputField() const { return inputField_; }

  private:
    int inputMode = 0;
    std::string promptText;
    Fl_Box* promptBox_ = nullptr;
    Fl_Button* cancelButton_ = nullptr;
    Fl_Input* inputField_ = nullptr;
};
