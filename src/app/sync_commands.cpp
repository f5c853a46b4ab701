#include "app/sync_commands.h"

#include "app/terminal_changes.h"
#include "engine/sync_account.h"
#include "engine/velk.h"
#include "desktop/secret_store.h"
#include "net/dav_client.h"
#include "storage/file_lock.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

int accountPassword(const std::string& command, const std::string& user, const std::string& url,
                    bool askFirst, std::string& password, bool& asked, std::string& error) {
    password.clear();
    asked = false;
    if (!command.empty()) return desktop::passwordFromCommand(command, password, error);
    const bool terminal = ::isatty(STDIN_FILENO);
    if (!(askFirst && terminal)) {
        const int kept = desktop::lookUpPassword(url, user, password, error);
        if (kept != 0) return kept > 0 ? 0 : -1;
    }
    if (!terminal) return 0;
    asked = true;
    std::cerr << "Password for " << (user.empty() ? std::string("the account") : user) << " at "
              << url << ": " << std::flush;
    termios old{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (quiet) {
        termios hidden = old;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::getline(std::cin, password);
    if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::cerr << "\n";
    return 0;
}

int setUpSync(const std::string& path, const TerminalRequest& r, std::ostream& out,
              std::ostream& err) {
    const char* nothing = "the account was not kept";
    std::string error;
    if (!net::urlAllowed(r.text, error)) {
        err << "velk: " << error << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    DataFileLock lock;
    if (const int refused = lockForChange(lock, path, nothing, err)) return refused;
    std::string password;
    bool asked = false;
    if (accountPassword(r.passwordCommand, r.user, r.text, true, password, asked, error) != 0) {
        err << "velk: " << error << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    std::string home;
    std::vector<T_SyncCalendar> calendars;
    const int kept =
        setUpSyncAccount(path, {r.text, r.user, r.passwordCommand}, password, home, calendars, error);
    if (kept != 0) {
        err << "velk: " << error << "; " << nothing << "\n";
        return kept == net::DAV_FAILED    ? EXIT_TERMINAL_NETWORK
               : kept == ACCOUNT_NOT_KEPT ? EXIT_TERMINAL_REFUSED
                                          : EXIT_TERMINAL_BAD_INPUT;
    }
    out << "the account works: " << calendars.size()
        << (calendars.size() == 1 ? " calendar" : " calendars") << " at " << home << "\n";
    for (const T_SyncCalendar& c : calendars)
        out << "  " << (c.name.empty() ? std::string("(no name)") : c.name) << "  " << c.url
            << "\n";
    // A typed password is kept in the desktop's keyring, never by Velk.
    if (asked && !password.empty() && desktop::sessionHasBus()) {
        if (desktop::keepPassword(r.text, r.user, password, error) == 0)
            out << "the password is kept in the Secret Service\n";
        else
            err << "velk: " << error << "; the password is asked at each run\n";
    }
    return EXIT_TERMINAL_OK;
}

int runSync(const std::string& path, const TerminalRequest& r, std::ostream& out,
            std::ostream& err) {
    const char* nothing = "nothing was synced";
    T_SyncAccount account;
    std::string error;
    const int read = readSyncAccount(path, account, error);
    if (read != 0) {
        err << "velk: "
            << (read == 1
                    ? "no account is set up for " + path + " (velk --sync-setup URL sets one up)"
                    : error)
            << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    return changeThroughJournal(path, nothing, err, [&](Velk& v, DiagnosticsToStderr& diag) {
        std::string password;
        bool asked = false;
        if (accountPassword(account.passwordCommand, account.user, account.url, false, password,
                            asked, error) != 0) {
            err << "velk: " << error << "; " << nothing << "\n";
            return EXIT_TERMINAL_BAD_INPUT;
        }
        T_SyncReport report;
        // Where the run is, on a terminal only, each line over the one before.
        const bool terminal = ::isatty(STDERR_FILENO);
        T_SyncHooks hooks;
        hooks.progress = [&](const std::string& where) {
            if (terminal) err << "\rvelk: syncing " << where << "\x1b[K" << std::flush;
        };
        const int synced = syncWithAccount(v, password, r.allowMassDelete, report, hooks);
        if (terminal) err << "\r\x1b[K" << std::flush;
        if (synced == SYNC_MASS_DELETE) {
            err << "velk: " << report.error << "; " << nothing
                << " (--allow-mass-delete lets it)\n";
            return EXIT_TERMINAL_REFUSED;
        }
        if (synced != SYNC_OK) {
            err << "velk: " << report.error
                << "; the changes made so far are kept, and the next run goes on\n";
            return EXIT_TERMINAL_NETWORK;
        }
        // The state followed the journal entries of the run, and the data
        // file takes them all.
        if (!report.stateError.empty())
            err << "velk: " << report.stateError << "; the next run finds its changes again\n";
        T_SaveReport saved;
        if (v.saveData(saved) == -1)
            err << "velk: the data file could not be saved (" << saved.error
                << "); the journal keeps every change\n";
        diag.end();
        out << "synced " << report.collections
            << (report.collections == 1 ? " calendar: " : " calendars: ") << report.pulled
            << " in, " << report.pushed << " up, " << report.deletedHere << " deleted here, "
            << report.deletedThere << " deleted there\n";
        if (report.reconciled)
            out << "the data file is older than the last sync (a backup?): nothing was deleted\n";
        if (report.unreadable != 0)
            out << report.unreadable << " resources hold no entry Velk can read; they stay\n";
        if (report.conflicts != 0) {
            out << report.conflicts << (report.conflicts == 1 ? " conflict" : " conflicts")
                << ": the server's version is in place, this computer's in the group \"Sync "
                   "conflicts\"\n";
            return EXIT_TERMINAL_CONFLICTS;
        }
        return EXIT_TERMINAL_OK;
    });
}
