#include "gui/screen_keys.h"

#include <FL/Enumerations.H>

namespace {

constexpr KeyPlace ALL = KeyPlace::Everywhere;

} // namespace

const std::vector<T_ScreenKey>& listScreenKeys() {
    static const std::vector<T_ScreenKey> keys = {
        {FL_Right, 0, ALL, "Right", "open the entry, enter the group", KeyAction::Open},
        {FL_Left, 0, ALL, "Left", "leave the group", KeyAction::Up},
        {FL_Page_Up, FL_CTRL, KeyPlace::Calendar, "Ctrl+Page Up",
         "the calendar back by the days it shows", KeyAction::CalendarBack},
        {FL_Page_Down, FL_CTRL, KeyPlace::Calendar, "Ctrl+Page Down",
         "the calendar ahead by the days it shows", KeyAction::CalendarAhead},
        {FL_Up, 0, ALL, "Up", "the line above", KeyAction::LineUp},
        {FL_Page_Up, 0, ALL, "Page Up", "the line above", KeyAction::LineUp},
        {FL_Down, 0, ALL, "Down", "the line below", KeyAction::LineDown},
        {FL_Page_Down, 0, ALL, "Page Down", "the line below", KeyAction::LineDown},
        {FL_Home, 0, KeyPlace::Calendar, "Home", "the calendar from today",
         KeyAction::CalendarToday},
        {FL_Home, 0, KeyPlace::NotCalendar, "Home", "the first line", KeyAction::FirstLine},
        {FL_End, 0, ALL, "End", "the last line", KeyAction::LastLine},
        {FL_Enter, 0, ALL, "Enter", "mark the todo done or not done", KeyAction::ToggleDone},
        {FL_KP_Enter, 0, ALL, "Enter (keypad)", "mark the todo done or not done",
         KeyAction::ToggleDone},
        {'m', FL_ALT, ALL, "Alt+M", "the menu", KeyAction::Menu},
        {'n', FL_ALT, ALL, "Alt+N", "a new todo", KeyAction::NewToDo},
        {'q', FL_CTRL, ALL, "Ctrl+Q", "close Velk", KeyAction::Close},
        {'z', FL_CTRL | FL_SHIFT, ALL, "Ctrl+Shift+Z", "redo the step taken back", KeyAction::Redo},
        {'z', FL_CTRL, ALL, "Ctrl+Z", "undo the last step", KeyAction::Undo},
        {FL_F + 1, 0, ALL, "F1", "these keys", KeyAction::Help},
    };
    return keys;
}

const std::vector<T_ScreenKey>& itemEditorKeys() {
    static const std::vector<T_ScreenKey> keys = {
        {'e', FL_ALT, ALL, "Alt+E", "edit the description in the external editor",
         KeyAction::ExternalEditor},
        {'m', FL_ALT, ALL, "Alt+M", "the editor's menu", KeyAction::Menu},
        {'c', FL_ALT, ALL, "Alt+C", "close the editor", KeyAction::Close},
        {FL_F + 1, 0, ALL, "F1", "these keys", KeyAction::Help},
    };
    return keys;
}

const std::vector<T_ScreenKey>& otherScreenKeys() {
    static const std::vector<T_ScreenKey> keys = {
        {FL_F + 1, 0, ALL, "F1", "these keys", KeyAction::Help},
    };
    return keys;
}

const std::vector<T_ScreenKey>& windowKeys() {
    // "+" is a key of its own on some keyboards and Shift+= on others.
    static const std::vector<T_ScreenKey> keys = {
        {'+', FL_CTRL, ALL, "Ctrl++", "everything larger", KeyAction::Larger},
        {'=', FL_CTRL, ALL, "Ctrl+=", "everything larger", KeyAction::Larger},
        {FL_KP + '+', FL_CTRL, ALL, "Ctrl++ (keypad)", "everything larger", KeyAction::Larger},
        {'-', FL_CTRL, ALL, "Ctrl+-", "everything smaller", KeyAction::Smaller},
        {FL_KP + '-', FL_CTRL, ALL, "Ctrl+- (keypad)", "everything smaller", KeyAction::Smaller},
    };
    return keys;
}

const T_ScreenKey* findScreenKey(const std::vector<T_ScreenKey>& keys, int key, int state,
                                 bool calendar) {
    for (const T_ScreenKey& k : keys) {
        if (k.key != key || (state & k.modifiers) != k.modifiers) continue;
        if (k.place == KeyPlace::Calendar && !calendar) continue;
        if (k.place == KeyPlace::NotCalendar && calendar) continue;
        return &k;
    }
    return nullptr;
}

int shortcutOf(const std::vector<T_ScreenKey>& keys, KeyAction action) {
    for (const T_ScreenKey& k : keys)
        if (k.action == action) return k.modifiers | k.key;
    return 0;
}

std::string keysHelpText(const char* screen, const std::vector<T_ScreenKey>& keys) {
    std::string text = std::string("Keys of ") + screen + ":\n";
    std::vector<T_ScreenKey> all = keys;
    all.insert(all.end(), windowKeys().begin(), windowKeys().end());
    for (const T_ScreenKey& k : all) {
        text += std::string("\n") + k.name + ": " + k.what;
        if (k.place == KeyPlace::Calendar) text += " (calendar)";
        if (k.place == KeyPlace::NotCalendar) text += " (list)";
    }
    return text;
}
