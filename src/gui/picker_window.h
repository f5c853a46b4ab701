#pragma once
#include <FL/Fl_Window.H>

#include <functional>
#include <string>

class Fl_Box;
class Fl_Widget;

// The object behind a picker or dialog: the user data of the window that
// holds the widget (or of the widget itself when it is that window). The
// static callbacks of the pickers find their object this way, so that the
// buttons' own user data can carry the step or action.
void* pickerOwner(Fl_Widget* w);

// True while the event being handled is the Escape key (which FLTK delivers
// to a window's callback like a close request).
bool isEscapeKey();

// The window of a picker that is used from the keyboard. Every key pressed
// while the picker is open and that its focused widget leaves alone (all but
// Space on a button) is offered to the picker first: `keys` gets the key
// (Fl::event_key()) and the text it types, and returns true when it took it.
// Keys pressed with Ctrl, Alt or Meta, and the keys the picker leaves alone
// (Tab, Escape, ...), take the toolkit's usual way: Tab moves the focus among
// the buttons, Escape reaches the window's callback.
class PickerWindow : public Fl_Window {
  public:
    using KeyHandler = std::function<bool(int key, const std::string& text)>;
    PickerWindow(int w, int h, const char* title, KeyHandler keys);
    int handle(int event) override;

  private:
    KeyHandler keys_;
};

// What is typed into a picker (a date, a time), shown in a box of its own:
// the field takes Backspace and its own characters up to its longest text,
// and shows a text that was refused in red with " ?".
class TypedField {
  public:
    TypedField(const char* chars, std::size_t longest) : chars_(chars), longest_(longest) {}
    void attach(Fl_Box* box) { box_ = box; }
    const std::string& text() const { return text_; }
    bool empty() const { return text_.empty(); }
    void clear();
    void refuse() { show(true); }
    // A key and the text it types; true when the field took it.
    bool key(int key, const std::string& typed);

  private:
    void show(bool refused);
    const char* chars_;
    std::size_t longest_;
    Fl_Box* box_ = nullptr;
    std::string text_;
};
