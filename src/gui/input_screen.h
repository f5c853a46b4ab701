#pragma once
#include "gui/screen_part.h"

#include <string>

class Fl_Box;
class Fl_Button;
class Fl_Input;

// Screen 6: one line of text for a search, an export or an import, with a
// prompt, "Cancel" and the window's "&Close", which acts on the text. For a
// file, "browse…" chooses it in the file dialog instead of typing its path.
class InputScreen : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;
    void make(int W, int H);
    void layout(int W, int H);
    void show();
    // Opens the screen for one of the INPUT_ modes.
    void showInput(int mode);
    // "&Close": searches, exports or imports the typed text; an empty text
    // only returns to the list. A leading "~" of a path is the home folder.
    // When the file cannot be used (refused, not found, unreadable, or the
    // user keeps an existing file), the user is told and the screen stays
    // open with the path as typed.
    void done();
    // "browse…": the chosen file's path goes into the field.
    void browse();
    Fl_Button* browseButton() const { return browseButton_; }
    Fl_Box* promptBox() const { return promptBox_; }
    Fl_Input* inputField() const { return inputField_; }

  private:
    int inputMode = 0;
    std::string promptText;
    Fl_Box* promptBox_ = nullptr;
    Fl_Button* cancelButton_ = nullptr;
    Fl_Input* inputField_ = nullptr;
    Fl_Button* browseButton_ = nullptr;
    // Carries out the file action of the mode on path; false when it failed
    // and the screen stays open.
    bool actOnFile(const std::string& path);
};

class Velk;
class VelkGUI;

// The iCalendar export of the current group (the whole tree outside the
// normal view) to file, and the import of file into a new group of the
// current group; each tells the user how it went. Result: false when the file
// could not be used (the user kept an existing file, or it could not be
// written or read), so that its path can be corrected; true otherwise.
bool exportICalendarFile(VelkGUI& win, Velk& velk, const std::string& file);
bool importICalendarFile(Velk& velk, const std::string& file);
