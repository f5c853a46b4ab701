#pragma once
#include <ctime>
#include <string>
#include <vector>

// Rescue copies: when the data file cannot be saved at the end of a run (a
// full disk, most often), the whole organizer can be saved to another file.
// The place suggested for it lies on another file system than the data file,
// and the copies made are noted, so that the next start on the data file
// tells that one exists, where and from when.

// The file suggested for a rescue copy of the data file dataPath: its name
// followed by ".rescue", in the first of home, /var/tmp and /tmp that lies on
// another file system than the data file's folder and has room; in home when
// none does.
std::string rescueSuggestion(const std::string& dataPath, const std::string& home);

// Notes that rescue holds a copy of dataPath, in the list home +
// "/.velkrc/rescued" (one line each: the data file, a tab, the copy).
// Results: 0 noted; -1 the list could not be written.
int noteRescueCopy(const std::string& dataPath, const std::string& rescue, const std::string& home);

struct T_RescueCopy {
    std::string path;
    std::time_t saved = 0; // when it was written
};

// The rescue copies of dataPath: those noted in the list that are still
// there, and a file named as rescueSuggestion names them, in any of its
// places, that was written after the data file.
std::vector<T_RescueCopy> newerRescueCopies(const std::string& dataPath, const std::string& home);
