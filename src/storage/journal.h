#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class AtomicFile;
class DescriptionCipher;
class SyncIDIndex;
class T_Calendar;
class ToDoListGroup;
class ToDoListItem;

namespace storage {

// The tree a journal replay applies its entries to, with the counters that
// change with it. The engine implements it, so that it can let go of an item
// before a replayed deletion removes it.
class JournalTarget {
  public:
    virtual ~JournalTarget() = default;
    virtual ToDoListGroup& journalRoot() = 0;
    virtual unsigned& journalRunningCount() = 0;
    virtual uint32_t& journalIdMax() = 0;
    virtual T_Calendar& journalCalendar() = 0;
    // Called before the subtree of item (a group when isGroup) is deleted
    // from parent.
    virtual void beforeJournalDelete(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) = 0;
};

// The incremental save journal: every committed change is written at once as
// one small file beside the data file (the data file's path followed by a
// number), and the next start replays the files left by a run that did not
// end normally. Entries name items by their sync ID. An entry is written under
// a temporary name and published under its number only when it is complete
// and synced, so a crash never leaves a half entry to replay.
//
// Every call names the data file's path; an empty path means that there is
// no data file and hence no journal.
class Journal {
  public:
    // Opens the next entry (the first free number) and writes its three fixed
    // lines. Results: 0 ready; -1 it cannot be created.
    int getFile(const std::string& dataPath, std::unique_ptr<AtomicFile>& f);
    // Ends the entry and publishes it. Results: 0 published; -1 a write, sync
    // or rename failed and nothing was published.
    int closeFile(std::unique_ptr<AtomicFile>& f);

    // True when the item is in the data file or in a published entry.
    bool isInFile(const ToDoListItem& item) const;
    // The text of a new-item entry for item (with its content) in parent of
    // root's tree; when parent itself is in no file yet, for the highest such
    // ancestor instead (writing it marks the items saved). addedID and
    // parentID, when given, get the sync IDs of the item it adds (item, or
    // the ancestor written with it) and of the group it adds it to.
    std::string newEntry(ToDoListItem& item, ToDoListGroup& parent, ToDoListGroup& root,
                         DescriptionCipher* crypt, uint32_t* addedID = nullptr,
                         uint32_t* parentID = nullptr);
    // A new-item entry that puts item (with its subtree) back into the group
    // with sync ID parentID: a deletion taken back.
    static std::string restoreEntry(ToDoListItem& item, uint32_t parentID,
                                    DescriptionCipher* crypt, bool markSaved);
    // The text of a changed entry (an entry's whole record, a group's own
    // lines), and of a deleted one.
    static std::string changedEntry(ToDoListItem& item, bool isGroup, DescriptionCipher* crypt,
                                    bool markSaved = true);
    static std::string deletedEntry(uint32_t syncID);
    // Publishes entry (the lines between the fixed lines and "</data>") after
    // the ones still waiting, or keeps it waiting. Results: 0 published; -1
    // it waits in memory.
    int publish(const std::string& dataPath, std::string entry);
    // Applies entries (one or more, as publish takes them) to target's tree
    // in memory, as a replay does. Results: 0; -1 an entry could not be
    // applied (the ones before it were).
    // index, when given, is an index of target's tree, kept up to date.
    int apply(const std::string& entries, JournalTarget& target, SyncIDIndex* index = nullptr);
    // After a save that holds every change: nothing waits, numbering from 0.
    void committed();

    // Deletes the entries, first to last. Results: 0; -1 a file could not be
    // deleted or the entries could not be counted (the ones after stay as well).
    int delFiles(const std::string& dataPath);
    // The number of consecutive entries from 0; one more when the name after
    // them cannot be looked at, so that the journal is never taken for empty.
    int getNrOfFiles(const std::string& dataPath) const;
    // Replays the entries onto target's tree, after finishing a save that a
    // crash interrupted. Results: 0 no entry was applied; 1 at least one was;
    // -1 errorFile names the file that cannot be replayed (the tree then holds
    // a partial replay and must not be written); -2 the files of an
    // interrupted save cannot be sorted out, errorFile says why (nothing was
    // replayed); -3 an entry is not a regular file of its own (a link, FIFO,
    // device or folder), errorFile names it and says what it is (the tree
    // must not be written); -4 an entry cannot be looked at, opened or read
    // (an I/O error, no permission, too many open files…), errorFile names it
    // and says why (the tree must not be written; every file stays, and a
    // later start may read it). A file without an entry that holds anything
    // else is passed over and kept aside (damagedFiles); an empty one is
    // passed over and named in emptyFiles.
    //
    // With readOnly the replay only reads: an interrupted save is not
    // finished (the caller asks JournalFiles::saveUnderway first) and a
    // damaged file is passed over without a copy, so that a reader beside a
    // running window changes nothing on disk.
    int readFiles(const std::string& dataPath, JournalTarget& target, std::string& errorFile,
                  bool readOnly = false);
    // The damaged entries the last replay passed over, as (name, the name a
    // copy is kept under; "" when no copy could be made).
    const std::vector<std::pair<std::string, std::string>>& damagedFiles() const { return damaged; }
    // The empty entries the last replay passed over: each stands for a change
    // that was lost on its way to the disk.
    const std::vector<std::string>& emptyFiles() const { return empty; }
    // Removes temporaries left by a run that ended while writing, and renames
    // entries that lie behind a gap in the numbering with ".orphan". Returns
    // the moved files as (old name, new name).
    std::vector<std::pair<std::string, std::string>> setAsideStrays(const std::string& dataPath);
    // The entries that lie behind a gap in the numbering (in name order),
    // without moving them; none when the run from 0 cannot be counted.
    std::vector<std::string> straysBehindGap(const std::string& dataPath) const;
    // True when entries wait in memory because they could not be published.
    bool hasPending() const { return !pending.empty(); }
    // How many entries wait in memory.
    std::size_t pendingCount() const { return pending.size(); }
    // How many times publishing an entry failed during this run.
    unsigned failures() const { return failureCount; }
    // Entries published whose folder could not be synced afterwards, so that
    // a power loss may still take them, and the error number of the last.
    unsigned unsyncedEntries() const { return unsyncedCount; }
    int unsyncedErrno() const { return unsyncedError; }
    // The error number of the last failed attempt to publish (0 before any).
    int failureErrno() const { return failureError; }
    // Whether a failed entry tells on standard error that it waits in memory
    // for the next change or the save at the end (true). A run that ends
    // after one change has nothing to wait for and says so itself.
    void tellWhenWaiting(bool on) { tellsWaiting = on; }
    // The sync IDs given while loading to records that the data file stored
    // without one, sorted (DataFile::read fills them in): those items are in
    // the data file all the same, and every load of that file gives them the
    // same numbers.
    std::vector<uint32_t>& numberedAtLoadIDs() { return numberedAtLoad; }

  private:
    std::vector<uint32_t> numberedAtLoad;
    unsigned nextNr = 0;              // first number to try for the next entry
    std::vector<std::string> pending; // entries waiting to be published, in order
    unsigned failureCount = 0;        // failed attempts to publish
    unsigned unsyncedCount = 0;       // published, folder not synced
    int unsyncedError = 0;
    int failureError = 0;
    bool tellsWaiting = true;
    std::vector<std::pair<std::string, std::string>> damaged;
    std::vector<std::string> empty;
};

} // namespace storage
