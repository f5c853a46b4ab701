#pragma once
#include "app/terminal.h"

#include <ostream>
#include <string>

// The terminal commands of sync with a CalDAV server.

// --sync-setup URL: checks the account against the server (its calendar home
// and calendars) and keeps it beside the data file (path + ".caldav"); the
// password itself is never kept. Result: the exit code.
int setUpSync(const std::string& path, const TerminalRequest& r, std::ostream& out,
              std::ostream& err);

// --sync: one run with the account kept by --sync-setup; the data file is
// saved at its end. Result: the exit code.
int runSync(const std::string& path, const TerminalRequest& r, std::ostream& out,
            std::ostream& err);

// The password of an account: the first line the command prints (run by
// /bin/sh); without a command, the one the desktop's Secret Service keeps
// for user at url, else what the user types on the terminal (not shown),
// else empty. With askFirst a terminal is asked before the Secret Service
// (setting an account up takes the password anew). asked tells whether the
// user typed it. Results: 0; -1 the command failed or printed nothing, or
// the Secret Service failed (error says why).
int accountPassword(const std::string& command, const std::string& user, const std::string& url,
                    bool askFirst, std::string& password, bool& asked, std::string& error);
