#include "app/sync_commands.h"

#include "net/dav_client.h"
#include "storage/file_lock.h"
#include "storage/sync_state.h"

#include <cstdio>
#include <iostream>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

int accountPassword(const std::string& command, const std::string& user, const std::string& url,
                    std::string& password, std::string& error) {
    password.clear();
    if (!command.empty()) {
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) {
            error = "the password command could not be started";
            return -1;
        }
        char buf[4096];
        const bool got = std::fgets(buf, sizeof buf, pipe) != nullptr;
        // The rest is read and dropped, so that the command ends.
        char rest[4096];
        while (std::fgets(rest, sizeof rest, pipe)) {
        }
        const int status = ::pclose(pipe);
        if (!got || status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            error = "the password command \"" + command + "\" " +
                    (got ? "did not end successfully" : "printed nothing");
            return -1;
        }
        password = buf;
        while (!password.empty() && (password.back() == '\n' || password.back() == '\r'))
            password.pop_back();
        return 0;
    }
    if (!::isatty(STDIN_FILENO)) return 0;
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
    const int locked = lock.acquire(path);
    if (locked != 0) {
        err << "velk: "
            << (locked == -1 ? "Velk is already running on the data file " + path
                             : "cannot take the lock file " + lock.name() + ": " + lock.reason())
            << "; " << nothing << "\n";
        return EXIT_TERMINAL_REFUSED;
    }
    net::HttpOptions options;
    options.user = r.user;
    if (accountPassword(r.passwordCommand, r.user, r.text, options.password, error) != 0) {
        err << "velk: " << error << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    net::HttpClient http(options);
    net::DavClient dav(http);
    std::string home;
    std::vector<net::DavCollection> calendars;
    int found = dav.discover(r.text, home, error);
    if (found == net::DAV_OK) found = dav.calendars(home, calendars, error);
    if (found != net::DAV_OK) {
        err << "velk: " << error << "; " << nothing << "\n";
        return found == net::DAV_FAILED ? EXIT_TERMINAL_NETWORK : EXIT_TERMINAL_BAD_INPUT;
    }

    // Another server starts afresh; the same one keeps what its runs learnt.
    const std::string statePath = storage::syncStatePath(path);
    storage::T_SyncState state;
    if (storage::readSyncState(statePath, state, error) < 0) {
        err << "velk: " << error << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    if (state.url != r.text || state.home != home) state = storage::T_SyncState();
    state.url = r.text;
    state.user = r.user;
    state.passwordCommand = r.passwordCommand;
    state.home = home;
    if (storage::writeSyncState(statePath, state, error) != 0) {
        err << "velk: " << error << "; " << nothing << "\n";
        return EXIT_TERMINAL_REFUSED;
    }
    out << "the account works: " << calendars.size()
        << (calendars.size() == 1 ? " calendar" : " calendars") << " at " << home << "\n";
    for (const net::DavCollection& c : calendars)
        out << "  " << (c.displayName.empty() ? std::string("(no name)") : c.displayName) << "  "
            << c.url << "\n";
    return EXIT_TERMINAL_OK;
}
