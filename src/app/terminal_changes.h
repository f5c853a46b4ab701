#pragma once
#include "app/terminal.h"
#include "engine/velk.h"

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <unistd.h>

// The terminal commands that change the organizer: --add, --import-ics and
// --export-ics (which only reads, but is kept from racing a window the same
// way), and what they share with the reading ones.

// While it lives, what the organizer prints as diagnostics on standard output
// (a record that cannot be read, a recurrence rule reset) goes to standard
// error: a terminal command's standard output is its result alone, read by
// scripts and status bars.
class DiagnosticsToStderr {
  public:
    DiagnosticsToStderr() {
        std::fflush(stdout);
        saved = ::dup(STDOUT_FILENO);
        if (saved >= 0) ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~DiagnosticsToStderr() { end(); }
    // Standard output is the program's own again.
    void end() {
        std::fflush(stdout);
        if (saved < 0) return;
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        saved = -1;
    }
    DiagnosticsToStderr(const DiagnosticsToStderr&) = delete;
    DiagnosticsToStderr& operator=(const DiagnosticsToStderr&) = delete;

  private:
    int saved = -1;
};

// Why the data file could not be loaded: openDataFile's result read (-2
// unreadable, else malformed).
inline std::string readFailure(const Velk& v, int read, const std::string& path) {
    return read == -2 ? "cannot read the data file " + path + ": " + v.getReadDataError()
                      : "the data file " + path + " is corrupt";
}

class DataFileLock;

// Takes the lock of the data file path for a command that changes it; when
// another run holds it (or it cannot be taken), says so on err, ending with
// nothing ("nothing was added"). Result: 0 locked, else the exit code.
int lockForChange(DataFileLock& lock, const std::string& path, const char* nothing,
                  std::ostream& err);

// Runs a command that changes the organizer through the journal, as the
// window would: takes the lock, loads the data file and replays the journal
// of the runs before, then calls change with the organizer. nothing ends
// every refusal ("nothing was added"). Result: the exit code.
int changeThroughJournal(const std::string& path, const char* nothing, std::ostream& err,
                         const std::function<int(Velk&, DiagnosticsToStderr&)>& change);

// Tells on err of the empty journal files the last replay passed over: each
// is a change lost on its way to the disk.
void tellEmptyEntries(Velk& v, std::ostream& err);

// --add: the entry, journaled as the window would; its sync ID on out.
// Result: the exit code.
int addEntry(const std::string& path, const TerminalRequest& r, std::ostream& out,
             std::ostream& err);
// --export-ics: the group's entries as an iCalendar file. Result: the exit code.
int exportCalendar(const std::string& path, const TerminalRequest& r, std::ostream& out,
                   std::ostream& err);
// --import-ics: the file's entries in a new group or the group named.
// Result: the exit code.
// --undo and --redo: the step is shown, and taken back or made again once the
// user says yes (or with --yes). Result: the exit code.
int takeStep(const std::string& path, const TerminalRequest& r, std::ostream& out,
             std::ostream& err);

int importCalendar(const std::string& path, const TerminalRequest& r, std::ostream& out,
                   std::ostream& err);
