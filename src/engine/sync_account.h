#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

class Velk;
struct T_SyncPacing;
struct T_SyncReport;

// The CalDAV account of a data file, kept beside it, for the terminal and
// the window alike.

// What the user gives: the server, the user name, and how the password is
// had (a command that prints it; empty: the desktop's keyring or asking).
struct T_SyncAccount {
    std::string url;
    std::string user;
    std::string passwordCommand;
};

// A calendar the server holds.
struct T_SyncCalendar {
    std::string name; // may be empty
    std::string url;
};

constexpr int ACCOUNT_STATE_UNREADABLE = 1; // the sync state beside the data file cannot be read
constexpr int ACCOUNT_NOT_KEPT = 2;         // the sync state could not be written
constexpr int ACCOUNT_URL_REFUSED = 3;      // not https, nor http to this computer

// Checks account with password against the server (its calendar home and
// the calendars there) and keeps it in the sync state beside the data file
// dataPath: another server starts afresh, the same one keeps what its runs
// learnt. The password is never kept. Touches no organizer, so it may run
// on any thread. Results: 0 (home is the calendar home, calendars lists
// what it holds); a net::DavResult from the server; ACCOUNT_STATE_UNREADABLE;
// ACCOUNT_NOT_KEPT; ACCOUNT_URL_REFUSED. error says why.
int setUpSyncAccount(const std::string& dataPath, const T_SyncAccount& account,
                     const std::string& password, std::string& home,
                     std::vector<T_SyncCalendar>& calendars, std::string& error);

// The account kept beside the data file dataPath. Results: 0; 1 none is set
// up; -1 the state cannot be read (error says why).
int readSyncAccount(const std::string& dataPath, T_SyncAccount& account, std::string& error);

// How a run with the kept account reports and waits (all may be left out).
struct T_SyncHooks {
    std::function<void(const std::string&)> progress;
    const T_SyncPacing* pacing = nullptr;
    // A request under way ends within about a second of it turning true.
    const std::atomic<bool>* cancel = nullptr;
};

// One run of v's sync (Velk::syncCalendars) with the account kept beside its
// data file and password. The state is read before the run, and written
// after one that ended well (through the pacing's wait): when that write
// fails, report.stateError says why, and the next run finds the changes
// again. report.loginRefused tells that the server did not take the user
// name and password. Results as syncCalendars; SYNC_FAILED when no account
// is kept or its state cannot be read.
int syncWithAccount(Velk& v, const std::string& password, bool allowMassDelete,
                    T_SyncReport& report, const T_SyncHooks& hooks = T_SyncHooks());
