#pragma once
#include <ctime>
#include <map>
#include <string>

// What the reminders remember beside the data file (FILE.remind), shared by
// the window and "velk --remind": the moment up to which reminders fired,
// which fired (so that none fires twice), and which were snoozed. Both take
// the file's lock (FILE.remind.lock) around reading, firing and writing.
namespace storage {

struct T_ReminderState {
    std::time_t last = 0; // reminders due up to here fired; 0: never
    // Reminder key (see reminderKey) -> the moment of its occurrence, kept
    // until a week after that moment.
    std::map<std::string, std::time_t> fired;
    std::map<std::string, std::time_t> snoozed; // key -> when it is due again
};

// The key of the reminder of an entry's occurrence: "SYNCID OCCURRENCE".
std::string reminderKey(unsigned syncID, unsigned occurrence);

// The reminder state file of the data file path.
std::string reminderStatePath(const std::string& dataPath);

// Results: 0 read; 1 there is no such file (state is empty); -1 it cannot
// be read or is not a reminder state (error says why; state is empty).
int readReminderState(const std::string& path, T_ReminderState& state, std::string& error);
// Writes the file owner-only, replacing it in one step. Results: 0; -1 not
// written (error says why), the old file stays.
int writeReminderState(const std::string& path, const T_ReminderState& state, std::string& error);

} // namespace storage
