#pragma once
#include <string>

class PasswordKeeper;

// The two modal password dialogs. Each builds its window, runs the event loop
// until the window is hidden, hands the typed text to the password manager
// and destroys the window, so no typed text outlives the call. After either
// one the caller updates what depends on the manager's state (the Crypt menu
// from the engine's canLogIn/canAddPassword, the crypt flag of the item
// editor from isLoggedIn).

// "Add decryption password": a description and a password (the hidden field,
// or the visible one when the hidden field is empty). Only "OK" adds; "Cancel"
// and the close box add nothing. An empty password is refused with a message.
// Results: 0 the password was added; -1 the manager refused it (locked, no
// random bytes) or the password was empty; -2 the dialog was cancelled.
// Call it only while a password can be added (the engine's canAddPassword).
int pwd_add_run_window(PasswordKeeper* c);

// "Decryption: Login": the user picks one stored password by its description
// and types it. The login is tried however the window was closed (also with
// the close box, and with index -1 when no password is stored); a wrong
// non-empty password is reported with a message.
// Results: 0 logged in; -1 not logged in.
// Call it while the engine's canLogIn(), and when an item whose description
// is enciphered is opened while nobody is logged in.
int pwd_ask_run_window(PasswordKeeper* c);

// The password of the two dialogs: the hidden field's text, or the visible
// field's text when the hidden one is empty.
std::string chosenPassword(const char* hidden, const char* visible);

// A password description as the label of a choice entry, shown exactly as
// typed: "&" (shortcut mark) and "@" (symbol mark) are doubled. The label is
// set on the entry directly, never parsed as a menu path, so "/", "_" and "\"
// need no protection there.
std::string menuLabelText(const std::string& text);

// The texts of the messages.
extern const char* const pwdEmptyMessage;
extern const char* const pwdWrongMessage;
