#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What a sync with a CalDAV server remembers beside the data file (FILE.caldav):
// the account, and per collection its sync token and the resources both sides
// held at the end of the last run. What changes with an entry (its UID,
// resource, ETag and agreed hash) is in the entry's record instead, so that
// it changes in one journal entry with the content. The file is written
// only after the journal entries of a run, so that it is never ahead of the
// tree: at worst it lags, and the next run finds its changes again.
namespace storage {

struct T_SyncCollection {
    uint32_t group = 0; // the sync ID of its top-level group; 0: the root's own entries
    std::string url;
    std::string token;
    std::map<std::string, std::string> members; // resource URL -> ETag
};

struct T_SyncState {
    std::string url;             // the server, as the user gave it
    std::string user;            // the user name; may be empty
    std::string passwordCommand; // prints the password on its first line; may be empty
    std::string caFile;          // a certificate authority to trust besides the system's
    std::string home;            // the calendar home found at the server
    uint32_t idmax = 0;          // the organizer's idmax at the end of the last run
    std::vector<T_SyncCollection> collections;

    T_SyncCollection* collectionOf(uint32_t group);
};

// The sync state file of the data file path.
std::string syncStatePath(const std::string& dataPath);

// Results: 0 read; 1 there is no such file (state is empty); -1 it cannot
// be read or is not a sync state (error says why; state is empty).
int readSyncState(const std::string& path, T_SyncState& state, std::string& error);
// Writes the file owner-only, replacing it in one step. Results: 0; -1 not
// written (error says why), the old file stays.
int writeSyncState(const std::string& path, const T_SyncState& state, std::string& error);

} // namespace storage
