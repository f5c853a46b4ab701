#pragma once
#include <string>

// The stored passwords as the password dialogs see them: how many there are,
// the description of each, logging in with one and adding one. The dialogs
// know nothing of the password manager behind it.
class PasswordKeeper {
  public:
    virtual ~PasswordKeeper() = default;
    virtual int passwordCount() const = 0;
    // The description of password i (0-based).
    virtual std::string passwordDescription(int i) const = 0;
    // Logs in with password number i. Results: 0 logged in; -1 not (wrong
    // password, or no password i).
    virtual int logIn(int i, const std::string& password) = 0;
    // Adds a password under its description and saves it to the data file at
    // once, before anything can be enciphered under it. Results: 0 added and
    // saved; -1 refused (locked, or no random bytes); -2 the data file could
    // not be saved, so the password was taken back (lastError says why).
    virtual int addPassword(const std::string& description, const std::string& password) = 0;
    // Why the last addPassword gave -2.
    virtual std::string lastError() const = 0;
};
