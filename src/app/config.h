#pragma once
#include <string>
#include <vector>

// The per-user configuration: the external text editor and the candidate data
// files. It is read once at start-up from home + "/.velkrc/velk.config".
struct VelkConfig {
    // Command that starts the external text editor.
    std::string editor;
    // Candidate data files, tried first to last; "~" at the start stands for
    // the home directory.
    std::vector<std::string> defaultFiles;
    // When a reminder of a date without a time of day counts from, in
    // minutes after midnight ("remind-date-only = HH:MM"; 09:00).
    int remindDateOnlyMinutes = 9 * 60;
    // Minutes between the window's syncs with the server ("sync-every = N";
    // 15); 0: none at start, at the end or between, only "sync now".
    int syncEveryMinutes = 15;
    // The factor the window's sizes are multiplied by ("scale = 1.5"); 0: the
    // one the desktop asks for.
    double scale = 0;
};

extern VelkConfig velkconfig;

// Fills velkconfig from the configuration file and prints what it read. A
// missing file leaves the built-in editor and candidates; nothing here can
// stop the program.
void ReadConfigFile();

// The home directory: "USERPROFILE" when it is set, otherwise "HOME"; empty
// when neither is set (then no configuration file is looked for and "~"
// candidates count as missing).
std::string GetHomeDir();
