#pragma once
#include <string>

class Fl_Input;

// Choosing files instead of typing their paths.

// Opens the desktop's own file dialog (the toolkit's file chooser where the
// desktop has none), titled title, starting at the path in field (a leading
// "~" being home; in home when field is empty). forSaving: the dialog asks for a file to
// write, and a new name may be given. When the user chooses a file its path
// goes into field; a cancel leaves field as it was, and a dialog that cannot
// be opened is told to the user. Result: true when a path was put in field.
bool browseIntoField(Fl_Input* field, const char* title, bool forSaving, const std::string& home);

// A dialog that asks for the name of a file to write, offering value, with a
// "browse…" button beside the name (which starts in the engine's home
// folder when the name is empty). Result: the name given (valid until the
// next call), or null when the user cancels, also by the close box.
const char* askFileName(const char* prompt, const char* value);
