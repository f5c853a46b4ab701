#pragma once
#include <string>

// An account's password in the desktop's Secret Service (a keyring such as
// GNOME Keyring or KWallet), through libsecret. It is looked for only when
// the session has a message bus: a terminal without one never starts a
// keyring or waits for it.
namespace desktop {

// Whether this session has a message bus on which a Secret Service may answer.
bool sessionHasBus();

// The password kept for user at url. 1 with password when one is kept, 0
// when none is (or the session has no Secret Service), -1 with error.
int lookUpPassword(const std::string& url, const std::string& user, std::string& password,
                   std::string& error);

// Keeps password for user at url, replacing one kept before. 0, or -1 with
// error (no Secret Service, or it refused).
int keepPassword(const std::string& url, const std::string& user, const std::string& password,
                 std::string& error);

// The first line that command (run by /bin/sh) prints: a password from a
// password manager. 0, or -1 with error when the command cannot be started,
// prints nothing or does not end successfully.
int passwordFromCommand(const std::string& command, std::string& password, std::string& error);

} // namespace desktop
