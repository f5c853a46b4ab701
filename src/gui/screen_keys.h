#pragma once
#include <string>
#include <vector>

// The keys of the window's screens, one table per screen: the screens bind
// their keys through these tables, and the help (F1, "keys…") lists them
// from the same tables, so that the two cannot drift apart.

enum class KeyAction {
    Open,           // open the selected entry, enter the selected group
    Up,             // leave the group
    LineUp,         // the line above
    LineDown,       // the line below
    FirstLine,      // the first line
    LastLine,       // the last line
    ToggleDone,     // mark the selected todo done or not done
    Menu,           // pop up the menu
    NewToDo,        // a new todo
    Close,          // close, as "&Close" does
    Undo,           // take back the last step
    Redo,           // make it again
    CalendarBack,   // the calendar back by the days it shows
    CalendarAhead,  // the calendar ahead by the days it shows
    CalendarToday,  // the calendar from today
    Help,           // this list of keys
    ExternalEditor, // the item editor: edit the description in the external editor
    Larger,         // everything larger by a quarter
    Smaller,        // everything smaller by a quarter
};

// Where a key works.
enum class KeyPlace { Everywhere, Calendar, NotCalendar };

struct T_ScreenKey {
    int key;          // FLTK's key code: FL_Up, 'm'...
    int modifiers;    // FL_CTRL, FL_ALT, FL_SHIFT that must be held; others may be too
    KeyPlace place;   // the views of the list it works in
    const char* name; // as the help shows it: "Ctrl+Page Down"
    const char* what; // what it does, for the help
    KeyAction action;
};

// The keys of the list screen (the list and the calendar), and of the item
// editor. The first entry that matches a key is the one that acts: an entry
// with more modifiers stands before one of the same key with fewer.
const std::vector<T_ScreenKey>& listScreenKeys();
const std::vector<T_ScreenKey>& itemEditorKeys();
// The keys of the group editor, the input line and About, which the toolkit's
// widgets take otherwise.
const std::vector<T_ScreenKey>& otherScreenKeys();
// The keys of every screen of the window: the size of everything.
const std::vector<T_ScreenKey>& windowKeys();

// The entry of keys that a key pressed with state (Fl::event_state) runs in
// the calendar view or another; null when none.
const T_ScreenKey* findScreenKey(const std::vector<T_ScreenKey>& keys, int key, int state,
                                 bool calendar);

// The shortcut (modifiers and key, as a menu entry holds it) of the first key
// of the table that does action; 0 when none does. A menu entry shows it.
int shortcutOf(const std::vector<T_ScreenKey>& keys, KeyAction action);

// The help's text: a title line, then "name: what" for each key of the table,
// with the view a key is limited to, and then the keys of every screen.
std::string keysHelpText(const char* screen, const std::vector<T_ScreenKey>& keys);
