#include "storage/sync_state.h"

#include "common/text.h"
#include "storage/file_tools.h"

#include <sstream>

namespace storage {

namespace {

const char* const FIRST_LINE = "<velk-caldav=1>";

// Keys and values are single lines; a value never holds a line feed.
std::string line(const char* key, const std::string& value) {
    std::string v = value;
    for (char& c : v)
        if (c == '\n' || c == '\r') c = ' ';
    return std::string(key) + "=" + v + "\n";
}

} // namespace

T_SyncCollection* T_SyncState::collectionOf(uint32_t group) {
    for (T_SyncCollection& c : collections)
        if (c.group == group) return &c;
    return nullptr;
}

std::string syncStatePath(const std::string& dataPath) {
    return dataPath + ".caldav";
}

int readSyncState(const std::string& path, T_SyncState& state, std::string& error) {
    state = T_SyncState();
    ReadFile in;
    std::string why;
    const int opened = openRegularFile(path, false, in, why);
    if (opened == -1) return 1;
    if (opened != 0) {
        error = path + ": " + why;
        return -1;
    }
    std::string text;
    std::getline(in, text);
    if (text != FIRST_LINE) {
        error = path + " is not a sync state of Velk";
        return -1;
    }
    T_SyncCollection* current = nullptr;
    while (std::getline(in, text)) {
        const std::size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = text.substr(0, eq), value = text.substr(eq + 1);
        if (key == "url")
            state.url = value;
        else if (key == "user")
            state.user = value;
        else if (key == "password-command")
            state.passwordCommand = value;
        else if (key == "ca-file")
            state.caFile = value;
        else if (key == "home")
            state.home = value;
        else if (key == "idmax")
            state.idmax = parseU32(value);
        else if (key == "collection") {
            const std::size_t blank = value.find(' ');
            state.collections.emplace_back();
            current = &state.collections.back();
            current->group = parseU32(value.substr(0, blank));
            if (blank != std::string::npos) current->url = value.substr(blank + 1);
        } else if (current && key == "token") {
            current->token = value;
        } else if (current && key == "member") {
            const std::size_t blank = value.find(' ');
            current->members[value.substr(0, blank)] =
                blank == std::string::npos ? std::string() : value.substr(blank + 1);
        }
    }
    if (in.error() != 0) {
        error = path + ": " + in.errorText();
        state = T_SyncState();
        return -1;
    }
    return 0;
}

int writeSyncState(const std::string& path, const T_SyncState& state, std::string& error) {
    std::ostringstream os;
    os << FIRST_LINE << "\n"
       << line("url", state.url) << line("user", state.user)
       << line("password-command", state.passwordCommand) << line("ca-file", state.caFile)
       << line("home", state.home) << line("idmax", std::to_string(state.idmax));
    for (const T_SyncCollection& c : state.collections) {
        os << line("collection", std::to_string(c.group) + " " + c.url) << line("token", c.token);
        for (const auto& [url, etag] : c.members)
            os << line("member", url + " " + etag);
    }
    return writePrivateFile(path, os.str(), error);
}

} // namespace storage
