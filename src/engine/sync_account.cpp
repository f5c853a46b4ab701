#include "engine/sync_account.h"

#include "engine/velk.h"
#include "net/dav_client.h"
#include "storage/sync_state.h"

int setUpSyncAccount(const std::string& dataPath, const T_SyncAccount& account,
                     const std::string& password, std::string& home,
                     std::vector<T_SyncCalendar>& calendars, std::string& error) {
    home.clear();
    calendars.clear();
    if (!net::urlAllowed(account.url, error)) return ACCOUNT_URL_REFUSED;
    net::HttpOptions options;
    options.user = account.user;
    options.password = password;
    net::HttpClient http(options);
    net::DavClient dav(http);
    std::vector<net::DavCollection> found;
    int r = dav.discover(account.url, home, error);
    if (r == net::DAV_OK) r = dav.calendars(home, found, error);
    if (r != net::DAV_OK) return r;
    for (const net::DavCollection& c : found)
        calendars.push_back({c.displayName, c.url});

    const std::string statePath = storage::syncStatePath(dataPath);
    storage::T_SyncState state;
    if (storage::readSyncState(statePath, state, error) < 0) return ACCOUNT_STATE_UNREADABLE;
    if (state.url != account.url || state.home != home) state = storage::T_SyncState();
    state.url = account.url;
    state.user = account.user;
    state.passwordCommand = account.passwordCommand;
    state.home = home;
    if (storage::writeSyncState(statePath, state, error) != 0) return ACCOUNT_NOT_KEPT;
    return 0;
}

int readSyncAccount(const std::string& dataPath, T_SyncAccount& account, std::string& error) {
    storage::T_SyncState state;
    const int r = storage::readSyncState(storage::syncStatePath(dataPath), state, error);
    account = {state.url, state.user, state.passwordCommand};
    return r;
}

int syncWithAccount(Velk& v, const std::string& password, bool allowMassDelete,
                    T_SyncReport& report, const T_SyncHooks& hooks) {
    const std::string path = storage::syncStatePath(v.getFileName());
    storage::T_SyncState state;
    std::string error;
    const int read = storage::readSyncState(path, state, error);
    if (read != 0) {
        report = T_SyncReport();
        report.error = read == 1 ? "no account is set up for " + v.getFileName() : error;
        return SYNC_FAILED;
    }
    net::HttpOptions options;
    options.user = state.user;
    options.password = password;
    options.caFile = state.caFile;
    options.cancel = hooks.cancel;
    net::HttpClient http(options);
    net::DavClient dav(http);
    const int r = v.syncCalendars(dav, state, allowMassDelete, report, hooks.progress, hooks.pacing);
    report.loginRefused = http.lastStatus() == 401;
    if (r != SYNC_OK) return r;
    const auto write = [&] { return storage::writeSyncState(path, state, error); };
    const bool paced = hooks.pacing && hooks.pacing->wait;
    if ((paced ? hooks.pacing->wait(write) : write()) != 0) report.stateError = error;
    return r;
}
