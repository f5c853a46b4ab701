#pragma once
#include "model/group.h"
#include "storage/reminder_state.h"

#include <ctime>
#include <string>
#include <vector>

// When reminders are due. A todo reminds before its due date (a repeating
// one before the date it has now: marking it done moves it on, and its
// reminder with it); an appointment or a note before the begin of each of
// its occurrences. A date without a time counts from a time of day of its
// own (09:00 unless configured).

// A reminder that is due now.
struct T_DueReminder {
    const ToDoListToDo* entry = nullptr;
    packedDT occurrence = DT_EMPTY; // the begin (a todo: the due date) it reminds of
    std::time_t at = 0;             // when it was due
    bool missed = false;            // its time passed more than REMIND_MISSED_AFTER ago
    std::string key;                // storage::reminderKey
};

// How far back reminders that did not fire (the computer was off) are
// looked for, and how late a reminder may fire before it counts as missed.
constexpr std::time_t REMIND_LOOKBACK = 7 * 24 * 3600;
constexpr std::time_t REMIND_MISSED_AFTER = 5 * 60;
constexpr int REMIND_DATE_ONLY_DEFAULT = 9 * 60;

// The moment of the local date-time anchor; a date without a time of day at
// dateOnlyMinutes after its midnight.
std::time_t reminderMoment(packedDT anchor, int dateOnlyMinutes);

// The reminders below root (skip, the search results, left out) that are
// due at now and have not fired, in the order of their time: those due
// since the last run (at most REMIND_LOOKBACK back), those due earlier whose
// occurrence is still ahead (set late, or on a first run), and snoozed ones
// whose time has come. state records them as fired and moves on to now.
// withReminder, when given, gets the number of entries that carry one.
std::vector<T_DueReminder> takeDueReminders(const ToDoListGroup& root, const ToDoListGroup* skip,
                                            storage::T_ReminderState& state, std::time_t now,
                                            int dateOnlyMinutes,
                                            std::size_t* withReminder = nullptr);

// The line that tells of a reminder: "14:30 Dentist (Health)"; a date-only
// occurrence shows its date, one of another day its date and time.
std::string reminderText(const T_DueReminder& r, const std::string& group, std::time_t now);

// takeDueReminders with the reminder state of the data file dataPath, under
// its lock (FILE.remind.lock, waited for up to five seconds with wait, else
// not at all): read, take,
// written back before anything is shown, so that nothing fires twice. An
// organizer without any reminder makes no state file.
// Results: 0; -1 nothing was fired (error says why: the lock, or the state
// could not be written). A state that cannot be read starts afresh, and
// error says so with result 0.
int takeDueRemindersOf(const std::string& dataPath, const ToDoListGroup& root,
                       const ToDoListGroup* skip, std::time_t now, int dateOnlyMinutes,
                       std::vector<T_DueReminder>& due, std::string& error, bool wait = true);

// Snoozes the reminder key until until, under the same lock. Results: 0; -1
// (error says why).
int snoozeReminderOf(const std::string& dataPath, const std::string& key, std::time_t until,
                     std::string& error);
