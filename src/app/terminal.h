#pragma once
#include "engine/user_actions.h"
#include "model/datetime.h"

#include <ostream>
#include <string>
#include <vector>

// Velk from the terminal: the commands given by long options (a double dash)
// that print a view of the data file, or add one entry to it, without a
// window.

enum class TerminalCommand {
    None,
    Agenda,
    Search,
    Add,
    Report,
    Help,
    Version,
    ExportIcs,
    ImportIcs,
    SyncSetup,
    Sync,
    Remind,
    Undo,
    Redo
};

// What the command line asks of a terminal run.
struct TerminalRequest {
    TerminalCommand command = TerminalCommand::None;
    std::string path;                        // the data file; "" the default one
    int days = 7;                            // --agenda=DAYS
    packedDT firstDay = DT_EMPTY;            // -c DATE; empty: today
    std::string text;                        // --search TEXT
    T_NewItem item;                          // --add and its options
    packedDT from = DT_EMPTY, to = DT_EMPTY; // --report FROM TO; empty: defaults
    bool csv = false;
    std::string user, passwordCommand; // --sync-setup's --user and --password-command
    bool allowMassDelete = false;      // --sync --allow-mass-delete
    bool yes = false;                  // --undo and --redo --yes: without asking
};

// Exit codes of a terminal run.
constexpr int EXIT_TERMINAL_OK = 0;
constexpr int EXIT_TERMINAL_REFUSED = 1; // a change: the lock is held, or nothing could be written
constexpr int EXIT_TERMINAL_BAD_INPUT = 2; // a bad command line, or a file that cannot be read
constexpr int EXIT_TERMINAL_CONFLICTS = 3; // a sync kept conflicts in "Sync conflicts"
constexpr int EXIT_TERMINAL_NETWORK = 4;   // the server or the network failed; nothing was lost

// True when the arguments hold a long option: the run is a terminal one and
// its command line is read by parseTerminalCommand alone.
bool isTerminalCommandLine(const std::vector<std::string>& args);

// Reads a terminal command line: one command among --agenda[=DAYS], --search
// TEXT, --add SUMMARY, --report [FROM [TO]], --export-ics FILE, --import-ics
// FILE, --help, --version, its own
// options, -f FILE and, with --agenda, -c [DATE]. A long option's value may
// follow it as the next argument or after "=". Results: 0 read; -1 bad
// input, error says why in one line.
int parseTerminalCommand(const std::vector<std::string>& args, TerminalRequest& request,
                         std::string& error);

// Reads "YYYY-MM-DD" or, with allowTime, "YYYY-MM-DD HH:MM" into value (no
// time: the no-time flag set). Results: 0; -1 not such a text, or a date or
// time that does not exist in the years 2000..2127.
int parseDateTime(const std::string& text, bool allowTime, packedDT& value);

// Runs the command: prints to out, tells failures in one line on err.
// Result: the exit code (EXIT_TERMINAL_*).
int runTerminalCommand(const TerminalRequest& request, std::ostream& out, std::ostream& err);

// The lines of "velk --help".
std::string terminalHelpText();
