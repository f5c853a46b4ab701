#pragma once
#include "crypt/crypt_man.h"
#include "engine/content_view.h"
#include "engine/crypt_password_keeper.h"
#include "engine/edit_session.h"
#include "engine/editor_text.h"
#include "engine/item_operations.h"
#include "engine/item_tree.h"
#include "engine/navigation.h"
#include "engine/reminders.h"
#include "engine/row_text.h"
#include "engine/user_actions.h"
#include "model/calendar.h"
#include "model/group.h"
#include "model/recurrence.h"
#include "model/special_days.h"
#include "model/todo_item.h"
#include "storage/data_file.h"
#include "storage/external_edit.h"
#include "storage/ical_export.h"
#include "storage/ical_import.h"
#include "storage/journal.h"
#include "storage/rescue.h"
#include "storage/undo_history.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// What a save of the data file has to say beyond its result.
struct T_SaveReport {
    std::string error;                 // why the save failed
    std::vector<std::string> warnings; // saved, but something beside it was not done
    // The backups were removed because they held descriptions in plain text
    // that this save enciphered.
    bool backupsDropped = false;
};

namespace net {
class DavClient;
}
namespace storage {
struct T_SyncState;
}

// What a sync run did.
struct T_SyncReport {
    unsigned collections = 0;        // calendars synced
    unsigned pulled = 0, pushed = 0; // entries that came in, and went up
    unsigned deletedHere = 0, deletedThere = 0;
    unsigned conflicts = 0;         // local versions kept in "Sync conflicts"
    unsigned unreadable = 0;        // resources that hold no entry Velk can read
    unsigned puts = 0, deletes = 0; // the writing requests sent
    bool reconciled = false;        // a backup was put back: nothing was deleted
    bool loginRefused = false;      // the server did not take the user name and password
    std::string error;              // why the run stopped
    std::string stateError;         // why the state of a good run was not written
};
constexpr int SYNC_OK = 0;
constexpr int SYNC_FAILED = -1;      // the server or the network failed (report.error)
constexpr int SYNC_MASS_DELETE = -2; // refused: it would delete most of a calendar
constexpr int SYNC_INTERRUPTED = -3; // ended between two steps: the caller asked, or it removed
                                     // items while the run waited; the next run goes on

// How a run waits for the server and gives way to the rest of the program.
// The window runs each request on another thread and goes on drawing and
// taking input meanwhile, and takes its turns between the entries a run
// works through, so that its thread is never busy for long. Whatever the
// window does in a turn is safe: the run holds no entry across a turn in
// which an item was removed (it ends instead), and leaves alone the entry
// that is being edited.
struct T_SyncPacing {
    // Runs request (one exchange with the server) and returns its result.
    std::function<int(const std::function<int()>& request)> wait;
    // A turn of the caller; changed tells that the run changed the tree
    // since the last turn.
    std::function<void(bool changed)> pause;
    // Whether the run is to end at its next step.
    std::function<bool()> stopped;
    // The entry being edited (or null): left as it is in this run.
    std::function<const ToDoListToDo*()> editing;
};

// The size of the main window that the data file keeps (half the pixels).
struct T_Session {
    uint32_t uWinWidth = 320;
    uint32_t uWinHeight = 320;
};

// The organizer engine: the one interface of the window, the program entry and
// the tests. Its members forward to the part that owns each rule: ItemTree
// (the tree, calendar lists, running count, sync IDs), ContentView (options
// and the list shown), Navigation (current group and item, search),
// EditSession (changes of the current item, journal snapshots),
// ItemOperations (new, restructured and deleted items) and UserActions (one
// call per action of the window); the data file, the journal and the transfer
// files keep their own sections (engine/velk_files.cpp).
class Velk {
  public:
    Velk();
    ~Velk();
    Velk(const Velk&) = delete;
    Velk& operator=(const Velk&) = delete;

    // --- Data file (engine/velk_files.cpp; the file itself is storage::DataFile) ---
    // Writes the whole organizer to the file, replacing it as one step.
    // Results: 0 written; -1 nothing written (the old file is unchanged).
    int writeData(const char* name);
    // Saves the whole organizer to its data file and retires the journal with
    // it as one commit, keeping the last three generations as backups (or
    // removing them when this save enciphers a description that the replaced
    // file held in plain text). Results: 0 saved; -1 nothing changed on disk
    // (report.error says why; the journal and the backups are as they were,
    // and changes waiting for the journal still wait); -2 saved, but the
    // folder could not be synced (report.error), so a power loss may undo it.
    int saveData(T_SaveReport& report);
    // Writes the whole organizer to another file, as a way out when the data
    // file cannot be saved. The data file and its journal stay as they are.
    // Results: 0 written; -1 refused (name is one of the organizer's own
    // files, or not a regular file of the user's) or the file cannot be
    // written, error says why.
    // written, when given, gets the file written (a link followed).
    int saveCopyTo(const std::string& name, std::string& error, std::string* written = nullptr);
    // A copy for when the data file cannot be saved (storage/rescue.h): the
    // file suggested for it, on another file system where there is one; the
    // save of the copy, noted so that the next start tells of it (results as
    // saveCopyTo); the copies saved after the data file was last written.
    std::string rescueSuggestion() const;
    int saveRescueCopy(const std::string& name, std::string& error);
    std::vector<T_RescueCopy> newerRescueCopies() const;
    // The user's home folder, where rescue copies are offered and noted.
    void setHomeFolder(const std::string& folder) { homeFolder = folder; }
    const std::string& getHomeFolder() const { return homeFolder; }
    // The data file's content: fixed lines, header, password section, tree.
    void writeDataTo(std::ostream& os);
    // Loads the data file into the empty organizer made by createRoot.
    // Results: 0 loaded (or no file yet); -1 the file is malformed; -2 the
    // file exists but cannot be read (readDataError then says why). On
    // failure nothing is to be written.
    int readData(const char* name);
    // Makes the next readData load only the entries whose summary or
    // readable description may hold text (storage::EntryFilter), and the
    // groups: the load of a search that changes nothing and keeps no
    // calendar. Such an organizer must never be saved; the journal is not to
    // be replayed on it.
    void loadOnlyEntriesHolding(const std::string& text) {
        loadFilter_ = text;
        loadFiltered_ = true;
    }
    // Examines nothing; always 0.
    int checkFile(const char* name);
    // Makes the empty root group and makes it current. Returns 0.
    int createRoot();
    // Writes the header lines of the data file.
    void writeHeader(std::ostream& os);

    // --- Options ---
    bool getOptShowCompleted() const { return view_.options().showCompleted; }
    int setOptShowCompleted(bool b) {
        view_.options().showCompleted = b;
        return 0;
    }
    bool getOptCompletedLast() const { return view_.options().completedLast; }
    int setOptCompletedLast(bool b) {
        view_.options().completedLast = b;
        return 0;
    }
    bool getOptShowKbd() const { return view_.options().ShowKbd; }
    int setOptShowKbd(bool b) {
        view_.options().ShowKbd = b;
        return 0;
    }
    int getOptsSort() const { return view_.options().sorttype; }
    int setOptsSort(int s) {
        view_.options().sorttype = s;
        return 0;
    }
    t_viewtype getOptViewtype() const { return view_.options().viewtype; }
    int setOptViewtype(t_viewtype v) {
        view_.options().viewtype = v;
        return 0;
    }
    int getMainViewType() const { return view_.options().mainviewtype; }
    // -1 when type is already the main view type, else 0; see content_view.h.
    int setMainViewType(int type) { return view_.setMainViewType(type); }
    int getCalSpan() const { return int(tree_.calendar().days); }
    int setCalSpan(int days) {
        tree_.calendar().days = uint32_t(days);
        return 0;
    }
    unsigned getCalFirstDay() const { return tree_.calendar().date; }
    int setCalFirstDay(unsigned date) {
        tree_.calendar().date = date;
        return 0;
    }
    // With w != 0 stores w and h as the window size; with w == 0 returns it.
    void windowSize(unsigned& w, unsigned& h);
    unsigned getNrActiveJobs() const { return tree_.activeJobs(); }
    bool checkCompleted() { return tree_.root()->checkCompleted(); }

    // --- Navigation ---
    void setGroup(ToDoListGroup* g) { nav_.setGroup(g); }
    void setGroup2ViewItem(int row) { nav_.setGroup2ViewItem(row); }
    void setItem(ToDoListToDo* t) { nav_.setItem(t); }
    void setItem2ViewItem(int row) { nav_.setItem2ViewItem(row); }
    // Goes up one level, or leaves the search view. -1 (nothing changed) in
    // the root or outside the normal view.
    int leaveCurGroup() { return nav_.leaveCurGroup(); }
    void rememberGroup() { nav_.rememberGroup(); }
    void rememberGroupOfCurrentItem() { nav_.rememberGroupOfCurrentItem(); }
    void enterPrevGroup() { nav_.enterPrevGroup(); }
    bool inRootGroup() const { return nav_.inRootGroup(); }
    ToDoListGroup* GetParentOfItem(ToDoListItem* item) { return tree_.parentOf(*item); }
    // The readable path above the list: group summaries, or "Active jobs".
    std::string getCurGroupPathText() { return nav_.getCurGroupPathText(); }
    ToDoListGroup* getCurGroup() const { return nav_.curGroup(); }
    ToDoListToDo* getCurItem() const { return nav_.curItem(); }

    // --- The current item (the user interface selects it first) ---
    void setItemPriority(unsigned prio) { edit_.setItemPriority(prio); }
    unsigned getItemPriority() const { return nav_.curItem()->getPriority(); }
    void setItemSummary(const std::string& s) { nav_.curItem()->setSummary(s); }
    std::string getItemSummary() const { return nav_.curItem()->getSummary(); }
    void setItemDescription(const char* text) { nav_.curItem()->setDescription(text); }
    // 0 and text set, -1 no description text, or the item's own error code.
    int getItemDescription(const char*& text) { return edit_.getItemDescription(text); }
    void setShowTimeAs(int value) { edit_.setShowTimeAs(value); }
    int getShowTimeAs() const { return nav_.curItem()->getShowTimeAs(); }
    bool isItemCompleted() const { return nav_.curItem()->isCompleted(); }
    int32_t getItemCompletedTime() const { return nav_.curItem()->getCompletedTime(); }
    int clearItemCompleted() { return nav_.curItem() ? nav_.curItem()->clearCompleted() : -1; }
    // Completes the current item; a running todo stops and the running count
    // drops. Results as ToDoListToDo::setCompleted; -1 without a current item.
    int setItemCompleted() { return edit_.setItemCompleted(); }
    bool isItemRunning() const { return nav_.curItem()->isRunning(); }
    int getItemNrTimes() const { return nav_.curItem()->getNrTimes(); }
    int32_t getItemTimeBegin(unsigned i) const { return nav_.curItem()->getTimeBegin(int(i)); }
    int32_t getItemTimeEnd(unsigned i) const { return nav_.curItem()->getTimeEnd(int(i)); }
    double getItemTimeSum() const { return nav_.curItem()->getTimeSum(); }
    // Starts or stops time recording; the running count follows a change.
    int setItemRunning(bool on) { return edit_.setItemRunning(on); }
    // which: WHICH_END (0) the end (due) date-time, any other value (WHICH_BEGIN)
    // the begin.
    void setDate(int which, int year, int month, int day) {
        edit_.setDate(which, year, month, day);
    }
    void setDateToday(int which) { edit_.setDateToday(which); }
    void clearDate(int which) { edit_.clearDate(which); }
    void setTime(int which, int hour, int minute) { edit_.setTime(which, hour, minute); }
    void clearTime(int which) { edit_.clearTime(which); }
    unsigned getDateTime(int which) const { return nav_.curItem()->getDateTime(which); }
    void getRecData(T_recData& rec) const { nav_.curItem()->getRecData(rec); }
    // Results: REC_KEPT (also without a current item), or why the item's
    // dates made the rule drop back to none (RecurrenceReset, which
    // recurrenceResetText words for the user).
    int setRecData(T_recData rec) { return edit_.setRecData(rec); }
    void clearRecData() { edit_.clearRecData(); }
    void sanitizeTimeThings() { nav_.curItem()->sanitizeTimeThings(); }
    // The days whose occurrence the current item leaves out: how many, and
    // bringing them all back.
    std::size_t getItemSkippedCount() const { return nav_.curItem()->extras().skipped.size(); }
    // --- Reminders (engine/reminders.cpp) ---
    void setRemindDateOnlyMinutes(int minutes) { remindDateOnlyMinutes_ = minutes; }
    // The reminders of the organizer due at now that have not fired (shared
    // with "velk --remind" through FILE.remind), each with its line of text.
    // Results as takeDueRemindersOf; without wait a lock held elsewhere is
    // not waited for (the window looks again soon).
    int takeDueReminders(std::time_t now, std::vector<T_DueReminder>& due,
                         std::vector<std::string>& lines, std::string& error, bool wait = true);
    // The reminder key fires again at until.
    int snoozeReminder(const std::string& key, std::time_t until, std::string& error) {
        return snoozeReminderOf(fileName, key, until, error);
    }
    int getItemRemindBefore() const { return nav_.curItem()->extras().remindBefore; }
    void setItemRemindBefore(int minutes) { nav_.curItem()->setRemindBefore(minutes); }
    void clearItemSkipped() { nav_.curItem()->clearSkipped(); }

    // --- The current group ---
    void setGroupPriority(unsigned prio) { nav_.curGroup()->setPriority(prio); }
    unsigned getGroupPriority() const { return nav_.curGroup()->getPriority(); }
    void setGroupSummary(const std::string& s) { nav_.curGroup()->setSummary(s); }
    std::string getGroupSummary() const { return nav_.curGroup()->getSummary(); }
    bool getGroupShowCompleted() const { return nav_.curGroup()->getShowCompleted(); }
    bool getGroupCompletedLast() const { return nav_.curGroup()->getCompletedLast(); }
    bool toggleGroupShowCompleted() { return edit_.toggleGroupShowCompleted(); }
    bool toggleGroupCompletedLast() { return edit_.toggleGroupCompletedLast(); }
    void getGroupCompletedNr(unsigned& completed, unsigned& total) const {
        nav_.curGroup()->getCompletedNr(completed, total);
    }
    double getGroupTimeSum() const { return nav_.curGroup()->getTimeSum(); }

    // --- Snapshots for the journal ---
    void incsave_rememberTodo() { edit_.rememberTodo(); }
    void incsave_forgetTodo() { edit_.forgetTodo(); }
    // True when the current todo differs from its snapshot, is new, or had
    // its recurrence rule changed.
    bool incsave_todoHasChanged() const { return edit_.todoHasChanged(); }
    void incsave_rememberGroup() { edit_.rememberGroup(); }
    void incsave_forgetGroup() { edit_.forgetGroup(); }
    bool incsave_groupHasChanged() const { return edit_.groupHasChanged(); }
    void incsave_newItem() { edit_.newItem(); }

    // --- Content views, special days and search (see content_view.h) ---
    void getContent() { view_.getContent(nav_.curGroupPath()); }
    void sortContent() { view_.sortContent(); }
    void clearViewData() { view_.clearViewData(); }
    bool cmpViewData(unsigned a, unsigned b) const { return view_.cmpViewData(a, b); }
    bool cmpViewDataCal(unsigned a, unsigned b) const { return view_.cmpViewDataCal(a, b); }
    void getContentRecItems(unsigned from, unsigned to, const T_RecCalList* list) {
        view_.getContentRecItems(from, to, list);
    }
    // Searches the current group's subtree (normal view) or narrows the hits
    // (search view) for text and shows them in the "search results" group.
    // Results: 0; -1 (nothing changed) in the calendar and only-active views.
    int search(const std::string& text) { return nav_.search(text); }

    // --- Read access to the state, for the window, the program entry and the
    // tests. The window keeps its list positions in guiData().
    const std::vector<T_viewDataItem>& getViewData() const { return view_.rows(); }
    const std::vector<unsigned>& getViewOrder() const { return view_.order(); }
    const std::vector<ToDoListItem*>& getViewItems() const { return view_.items(); }
    T_GUIData& guiData() { return view_.guiData(); }
    CryptMan& getCrypt() { return crypt; }
    ToDoListGroup* getRoot() const { return tree_.root(); }
    ToDoListGroup* getSearchGroup() const { return tree_.searchGroup(); }
    uint32_t getIdMax() const { return tree_.idmax(); }
    const T_Options& getOptions() const { return view_.options(); }
    T_Calendar& calendar() { return tree_.calendar(); }
    const T_Session& getSession() const { return Session; }
    const std::string& getFileName() const { return fileName; }
    void setFileName(const std::string& name) { fileName = name; }
    const std::string& getCurGroupPath() const { return nav_.curGroupPath(); }
    // The group the search view was entered from.
    ToDoListGroup* getSavedGroup() const { return nav_.savedGroup(); }
    const std::string& getReadDataError() const { return readDataError; }
    const std::string& getTransferError() const { return transferError; }
    SpecialDays& getSpecialDays() { return view_.specialDays(); }
    // The tree and the list themselves, for the tests and the benchmarks that
    // build items and rows behind the organizer's rules.
    ItemTree& itemTree() { return tree_; }
    ContentView& contentView() { return view_; }

    // --- Journal: one file per committed change (engine/velk_files.cpp; the
    // files are storage::Journal) ---
    // Journal file n is fileName followed by n. An entry is written under a
    // temporary name and published under its number only when it is complete
    // and synced, so a crash never leaves a half entry to replay.
    //
    // The entry of the current todo or group: a changed entry when the item is
    // in the data file or an earlier journal file, else a new-item entry.
    // Results: 0 published; -1 nothing current, or nothing could be published
    // (the change then reaches the data file at the end of the run).
    int incsave_saveCurItem();
    int incsave_saveCurGroup();
    // Deletes the journal files, first to last. Results: 0; -1 a file could
    // not be deleted (the ones after it stay as well).
    int incsave_delFiles();
    // The number of consecutive journal files from 0.
    int incsave_getNrOfFiles();
    // Replays the journal files onto the loaded tree, after finishing a save
    // that a crash interrupted. Results: 0 no entry was applied; 1 at least
    // one was; -1 errorFile names the file that cannot be replayed (the tree
    // then holds a partial replay and must not be written); -2 the files of
    // an interrupted save cannot be sorted out, errorFile says why (nothing
    // was replayed); -3 a journal file is not a regular file of its own (a
    // link, FIFO, device or folder), errorFile names it and says what it is
    // (the tree must not be written); -4 a journal file cannot be looked at,
    // opened or read, errorFile names it and says why (the tree must not be
    // written; every file stays for the next start). A file without an entry
    // that holds anything else is passed over and kept aside
    // (incsave_damagedFiles), an empty one passed over (incsave_emptyFiles).
    // With readOnly nothing on disk changes: an interrupted save is left
    // alone and a damaged file is passed over without a copy.
    int incsave_readFiles(std::string& errorFile, bool readOnly = false);
    // The damaged journal files the last replay passed over, as (name, the
    // name a copy is kept under; "" when no copy could be made).
    const std::vector<std::pair<std::string, std::string>>& incsave_damagedFiles() const {
        return journal.damagedFiles();
    }
    // The empty journal files the last replay passed over: changes lost on
    // their way to the disk.
    const std::vector<std::string>& incsave_emptyFiles() const { return journal.emptyFiles(); }
    // The journal files behind a gap in the numbering, left where they are.
    std::vector<std::string> incsave_straysBehindGap() const {
        return journal.straysBehindGap(fileName);
    }
    // After the start-up merge: removes temporaries left by a run that ended
    // while writing, and renames journal files that lie behind a gap in the
    // numbering with ".orphan", so that they are
    // never replayed against a data file they were not written for. Returns
    // the moved files as (old name, new name).
    std::vector<std::pair<std::string, std::string>> incsave_setAsideStrays();
    // True when entries wait in memory because they could not be published,
    // so that the data file must be written at the end even without journal
    // files.
    bool incsave_hasUnjournaledChanges() const { return journal.hasPending(); }
    // How many changes wait in memory for the journal.
    std::size_t incsave_waitingCount() const { return journal.pendingCount(); }
    // How many times publishing an entry failed during this run.
    unsigned incsave_unjournaledCount() const { return journal.failures(); }
    // Journal files published whose folder could not be synced, so that a
    // power loss may still take them, and the error number of the last.
    unsigned incsave_unsyncedCount() const { return journal.unsyncedEntries(); }
    int incsave_unsyncedErrno() const { return journal.unsyncedErrno(); }
    // The error number of the last journal file that could not be written.
    int incsave_failureErrno() const { return journal.failureErrno(); }
    // Whether a journal file that cannot be written says on standard error
    // that its change waits in memory (the window's run: true).
    void incsave_tellWhenWaiting(bool on) { journal.tellWhenWaiting(on); }

    // --- Item operations (see item_operations.cpp) ---
    // Results: 0 done; -1 refused, nothing changed.
    int newToDo(unsigned priority, unsigned row) { return ops_.newToDo(priority, row); }
    // Also NEW_GROUP_TOO_DEEP (-2): refused, the current group is at the
    // deepest level.
    static constexpr int NEW_GROUP_TOO_DEEP = ItemOperations::NEW_GROUP_TOO_DEEP;
    int newGroup() { return ops_.newGroup(); }
    int turnCurItem2Group() { return ops_.turnCurItem2Group(); }
    int delCurGroup() { return ops_.delCurGroup(); }
    // True when delCurGroup would delete the current group, so that a cut can
    // leave the clipboard alone when the delete would be refused.
    bool canDeleteCurGroup() const { return ops_.canDeleteCurGroup(); }
    int DeleteItem(ToDoListItem* item) { return ops_.DeleteItem(item); }
    int DeleteItem(unsigned pos) { return ops_.DeleteItem(pos); }
    int delToDo() { return ops_.delToDo(); }
    int delCompleted();
    // Clears every engine pointer into the subtree of item, which is about to
    // be deleted from parent, and empties the list rows that show it (the rows
    // themselves stay, so that display positions keep their meaning until the
    // list is rebuilt).
    void forgetReferencesInto(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) {
        nav_.forgetReferencesInto(item, isGroup, parent);
    }

    // --- Transfer files: export, import, clipboard (engine/velk_files.cpp; the
    // files are written and read by storage/transfer.h) ---
    // The current group with its content, its content only, or the current
    // item, written to the file as one step. A privateFile (the clipboard) is
    // made owner-only (0600) and is written only where nothing or a regular
    // file of the user's own is; a symbolic link is never followed.
    // A named file (not privateFile) is never one of the organizer's own
    // files, nor anything but a new name or a regular file of the user's (a
    // link to one is followed). Results: 0 written; -1 refused in the
    // only-active view (exportToDoToFile: no current item); -3 the file
    // cannot be written or was refused (getTransferError says why); -4 refused, the name is
    // not a regular file of the user's own (a link, a directory, a FIFO,
    // another user's file; privateFile only). On failure the file is left as
    // it was.
    int exportGroupToFile(const char* name, bool privateFile = false);
    int exportContentToFile(const char* name, bool privateFile = false);
    int exportToDoToFile(const char* name, bool privateFile = false);
    // The items shown at the display positions rows (0-based), in the order
    // given; positions that show no item are skipped. Results as above
    // without -1.
    int exportRowsToFile(const char* name, const std::vector<unsigned>& rows, bool privateFile);
    // The record of the item shown at display position row. Results: the
    // record writer's; -1 the row shows no item.
    int exportToStream(std::ostream& os, unsigned row);
    // Inserts the records of a transfer file into the current group. Without
    // followLinks (the clipboard) a symbolic link is not read.
    // Results: 0 done; -1 refused, not the normal view; -2 the file ended
    // before "</data>"; -3 the file cannot be opened or is not a regular file;
    // INSERT_TOO_DEEP (-4) refused, the file holds a group and the current
    // group is at the deepest level (nothing was inserted).
    static constexpr int INSERT_TOO_DEEP = -4;
    // With followLinks (a file the user names) one of the organizer's own
    // files is refused (-3).
    int insertDataFromFile(const char* name, bool followLinks = true);
    // Imports the entries of the iCalendar file at path into a new group named groupName made in
    // parent (one new-item journal entry holding the group with its content), or, when groupName
    // is empty, into parent itself (one new-item journal entry per entry), exactly as pasting
    // does: new IDs, paths and sync IDs, the calendar lists, the running count, checkCompleted.
    // The organizer's own files are refused. Results: 0 imported (report says what); -1 refused,
    // nothing changed (report.error);
    // INSERT_TOO_DEEP (-4) refused, parent is at the deepest level and a new group cannot be made.
    // A group named groupName that parent already holds (made by an earlier
    // import of the calendar) takes the entries instead of a new one. Entries
    // whose UID and RECURRENCE-ID are already in the group that takes them
    // replace the version there when theirs is newer (SEQUENCE, then
    // LAST-MODIFIED or DTSTAMP) and differs (a changed-item journal entry
    // each); report counts new, updated and unchanged entries.
    int importICalendar(const std::string& path, ToDoListGroup& parent,
                        const std::string& groupName, storage::T_IcsImportReport& report);
    // "2 new, 1 updated, 3 unchanged" after an import that met entries it
    // already held; empty when every entry was new.
    static std::string importCountsText(const storage::T_IcsImportReport& report);

    // --- Calendar exchange: iCalendar files (storage/ical_export.h) ---
    // True when an entry of group's subtree keeps its description enciphered
    // (or is to store it so), which an export may only write deciphered after
    // asking.
    bool holdsEncipheredDescriptions(ToDoListGroup& group);
    // Writes every entry of group's subtree to the iCalendar file at path, as
    // one step. Enciphered descriptions are written deciphered only with
    // withEnciphered while a user is logged in; otherwise they are left out
    // (report counts them). Results: 0 written; -1 the file cannot be
    // written (report.error), it is as it was; -2 refused (report.error): path
    // is one of the organizer's own files, or neither a new name nor a
    // regular file of the user's (a link to one is followed); -3 group holds
    // no entry, no file is written.
    int exportICalendar(const std::string& path, ToDoListGroup& group, bool withEnciphered,
                        T_IcsExportReport& report);
    // Gives every entry of group's subtree that has no UID a random one and
    // saves them: a few as journal entries, many (or when the journal cannot
    // be written) with the data file. Results: 0; -1 they could not be saved
    // or made (error says why): the entries are as they were, except that
    // UIDs whose journal entries wait in memory stay with them.
    int giveUids(ToDoListGroup& group, std::string& error);
    // A random UID for an entry (a version 4 UUID). Results: 0; -1 no random
    // source could deliver.
    static int newUid(std::string& uid);

    // --- Undo and redo (engine/undo.cpp) ---
    // A step is one action of the user: every change journalled between
    // beginStep and the matching endStep; steps begun inside one join it.
    // Changes journalled outside a step (a sync's) are no step: an item they
    // change can no longer be taken back or made again by an earlier step.
    void beginStep(const std::string& label);
    void endStep();
    // The item as it is before the open step changes it in place: what
    // taking the step back puts back. A change in place without one makes
    // the step one that cannot be taken back.
    void noteBefore(ToDoListItem& item, bool isGroup);
    // The editors' snapshots as the before-images of the open step (a new
    // item has none); isNew tells whether the current item is new.
    void noteEditorsBefore();
    bool editedItemIsNew() const { return edit_.isNewItem(); }
    // What undo and redo would do: the step's label, "" when there is none.
    std::string undoLabel() const;
    std::string redoLabel() const;
    // Takes the last step back, or makes the last step taken back again, as
    // one journal entry. Results: 0 (label names the step, shown the sync ID
    // of an item to show, 0 for none); -1 there is no such step; -2 refused,
    // nothing changed (error says why: an item changed since, or a step that
    // cannot be taken back).
    static constexpr int UNDO_NOTHING = -1;
    static constexpr int UNDO_REFUSED = -2;
    int undo(std::string& label, uint32_t& shown, std::string& error);
    int redo(std::string& label, uint32_t& shown, std::string& error);
    // Reads the history beside the data file, after the journal was
    // replayed. A history that no longer fits the data file (a backup put
    // back, another program's change) is dropped, and told says so.
    // Results: 0; -1 it could not be read (told).
    int loadUndoHistory(std::string& told);
    // What the last loadUndoHistory told ("" when nothing).
    const std::string& undoHistoryNote() const { return undoNote_; }
    // Writes the history when it changed. Results: 0; -1 (error).
    int keepUndoHistory(std::string& error);

    // --- Sync with a CalDAV server (engine/caldav_sync.cpp) ---
    // One run: every top-level group with its calendar on the server (made
    // when missing; the root's own entries in "Velk"), remote changes in,
    // local ones up, each as journal entries; state gets the tokens and
    // what both sides hold. A conflict keeps the server's version in place
    // and the local one in "Sync conflicts". Results: SYNC_OK; SYNC_FAILED
    // (report.error; what was journalled stays, the next run goes on);
    // SYNC_MASS_DELETE (nothing done) unless allowMassDelete. progress, when
    // given, hears where the run is ("Home (2 of 3)", "Home: 100 up").
    // With pacing, the run waits and gives way as it says, and can end with
    // SYNC_INTERRUPTED.
    int syncCalendars(net::DavClient& dav, storage::T_SyncState& state, bool allowMassDelete,
                      T_SyncReport& report,
                      const std::function<void(const std::string&)>& progress = nullptr,
                      const T_SyncPacing* pacing = nullptr);
    // The name of the group an import of the iCalendar file makes: the file's
    // name without its folder and without ".ics".
    static std::string iCalendarGroupName(const std::string& file);
    // "1 entry", "2 entries": how a message counts exchanged entries.
    static std::string entriesText(unsigned n) {
        return std::to_string(n) + (n == 1 ? " entry" : " entries");
    }

    // --- Item editor: changes of the current item that keep begin and end in
    // order and the kind consistent (see edit_session.h) ---
    void setEndToBeginPlus30() { edit_.setEndToBeginPlus30(); }
    void setBeginDateMovingEnd(int year, int month, int day) {
        edit_.setBeginDateMovingEnd(year, month, day);
    }
    void setBeginTimeMovingEnd(int hour, int minute) { edit_.setBeginTimeMovingEnd(hour, minute); }
    void setItemIsToDo(bool todo) { edit_.setItemIsToDo(todo); }
    bool getItemSaveCrypt() const { return edit_.getItemSaveCrypt(); }
    void setItemSaveCrypt(bool on) { edit_.setItemSaveCrypt(on); }

    // --- User actions: one call per action of the window, each doing the
    // whole rule of that action (engine/user_actions.h says what each does and
    // what it results in) ---
    // Ways to move the calendar's first day.
    enum CalendarStep {
        CAL_TODAY = 0,
        CAL_BACK_SPAN = 2,
        CAL_FORWARD_SPAN = 3,
        CAL_BACK_DAY = 4,
        CAL_FORWARD_DAY = 5,
    };
    void stepCalendar(int step) { actions_.stepCalendar(step); }
    void setCalendarDay(int year, int month, int day) { actions_.setCalendarDay(year, month, day); }
    int toggleRowCompleted(unsigned row) { return actions_.toggleRowCompleted(row); }
    int newItemAtRow(unsigned row, bool leftHalf) { return actions_.newItemAtRow(row, leftHalf); }
    int newToDoForEditing() { return actions_.newToDoForEditing(); }
    int newGroupForEditing(int topLine, int selectedLine) {
        return actions_.newGroupForEditing(topLine, selectedLine);
    }
    int beginItemEdit() { return actions_.beginItemEdit(); }
    int beginGroupEdit() { return actions_.beginGroupEdit(); }
    void beginGroupEditAtRow(unsigned row) { actions_.beginGroupEditAtRow(row); }
    void storeItemText(const std::string& summary, const char* description) {
        actions_.storeItemText(summary, description);
    }
    void closeItemEditor(const std::string& summary, const char* description) {
        actions_.closeItemEditor(summary, description);
    }
    int showGroupOfCurrentItem(const std::string& summary, const char* description) {
        return actions_.showGroupOfCurrentItem(summary, description);
    }
    int turnCurrentItemIntoGroup(const std::string& summary, const char* description, int topLine) {
        return actions_.turnCurrentItemIntoGroup(summary, description, topLine);
    }
    int deleteCurrentItem() { return actions_.deleteCurrentItem(); }
    void closeGroupEditor(const std::string& summary, bool backToRememberedGroup) {
        actions_.closeGroupEditor(summary, backToRememberedGroup);
    }
    int deleteCurrentGroup() { return actions_.deleteCurrentGroup(); }
    void deleteRows(const std::vector<unsigned>& rows) { actions_.deleteRows(rows); }
    bool leaveIdleActiveView() { return actions_.leaveIdleActiveView(); }
    void useFlatView() { actions_.useFlatView(); }
    bool toggleItemIsToDo() { return actions_.toggleItemIsToDo(); }
    void toggleItemRunning() { actions_.toggleItemRunning(); }
    DateControls refreshItemDates() { return actions_.refreshItemDates(); }
    void setPickedDate(int which, int year, int month, int day) {
        actions_.setPickedDate(which, year, month, day);
    }
    void setPickedTime(int which, int hour, int minute) {
        actions_.setPickedTime(which, hour, minute);
    }
    int applyRecurrence(const T_recData& rec) { return actions_.applyRecurrence(rec); }
    void recurrenceReference(int& day, int& month, int& weekday) const {
        actions_.recurrenceReference(day, month, weekday);
    }
    bool canSkipDayAtRow(unsigned row) const { return actions_.canSkipDayAtRow(row); }
    int skipDayAtRow(unsigned row) { return actions_.skipDayAtRow(row); }
    void pushListPosition(int topLine, int selectedLine) {
        actions_.pushListPosition(topLine, selectedLine);
    }
    int popListPosition(int* selected) { return actions_.popListPosition(selected); }
    void enterGroupAtRow(unsigned row, int topLine, int selectedLine) {
        actions_.enterGroupAtRow(row, topLine, selectedLine);
    }
    int leaveGroup(int& topLine, int& selectedLine) {
        return actions_.leaveGroup(topLine, selectedLine);
    }
    void searchFor(const std::string& text, int topLine, int selectedLine) {
        actions_.searchFor(text, topLine, selectedLine);
    }
    int switchMainView(int view, int topLine, int& jobsTopLine) {
        return actions_.switchMainView(view, topLine, jobsTopLine);
    }
    void keepListTopLine(int topLine) { actions_.keepListTopLine(topLine); }
    void buildView() { actions_.buildView(); }
    int openDataFile(const char* name) { return actions_.openDataFile(name); }
    int mergeJournalAtStart(std::string& error, int& saveResult, T_SaveReport& report,
                            std::vector<std::pair<std::string, std::string>>& strays) {
        return actions_.mergeJournalAtStart(error, saveResult, report, strays);
    }
    int saveChangesAtEnd(bool always, T_SaveReport& report) {
        return actions_.saveChangesAtEnd(always, report);
    }
    int addItem(const T_NewItem& item, uint32_t& syncID, std::string& error) {
        return actions_.addItem(item, syncID, error);
    }

    // --- Passwords and descriptions ---
    bool canLogIn() const { return crypt.CanLogIn(); }
    bool canAddPassword() const { return crypt.CanAddPwd(); }
    bool isLoggedIn() const { return crypt.IsLoggedIn(); }
    bool passwordsChanged() const { return crypt.PwdsChanged(); }
    // The passwords as the password dialogs see them: count, descriptions,
    // logging in and adding.
    PasswordKeeper& passwords() { return passwordKeeper; }
    // The external editor's command, from the configuration.
    void setEditorCommand(const std::string& command) { editorCommand = command; }
    // Runs the external editor on text, the current description as the item
    // editor shows it. Results as editInExternalEditor: 0 text holds the
    // edited text; -1 no scratch file; -2 the editor failed; -3 the text could
    // not be read back (on failure text stays as it was). For -2, failure
    // (when given) names the command run and how it ended.
    int editDescriptionExternally(std::string& text,
                                  T_ExternalEditFailure* failure = nullptr) const;

  private:
    // The organizer's own state beside its parts: the password manager, the
    // window size and the data file's name, and why the last read or transfer
    // failed.
    CryptMan crypt;
    // The external editor command for descriptions, and the window's view of
    // the password manager.
    std::string editorCommand;
    std::string homeFolder;
    int remindDateOnlyMinutes_ = REMIND_DATE_ONLY_DEFAULT;
    CryptPasswordKeeper passwordKeeper{crypt,
                                       [this](std::string& error) { return savePasswords(error); }};
    T_Session Session;
    std::string fileName;
    std::string readDataError;
    bool loadFiltered_ = false;
    std::string loadFilter_;
    // Why the last export or insert that gave -3 failed: the system's text.
    std::string transferError;
    // Checks a file the user names against the organizer's own files
    // (storage/exchange_file.h); target: the file to use. Results: 0 fine;
    // -1 refused, transferError says why.
    int checkNamedFile(const char* name, bool forWriting, std::string& target);
    // Saves the data file after a password was added, so that its section is
    // on disk before a description is enciphered under it. Results: 0 saved
    // (or there is no data file); -1 not, error says why.
    int savePasswords(std::string& error);

    // The parts, each using only those declared before it.
    struct SyncRun;
    ItemTree tree_;
    ContentView view_{tree_, crypt};
    Navigation nav_{tree_, view_};
    EditSession edit_{tree_, nav_, crypt};
    ItemOperations ops_;
    UserActions actions_{*this};

    // --- Data file, journal and transfer glue (engine/velk_files.cpp) ---
    // The data file's header values from the engine's state, and back.
    storage::T_DataHeader dataHeader() const;
    void takeDataHeader(const storage::T_DataHeader& header);
    // Publishes a new-item entry for item (with its content) in parent; when
    // parent itself is in no file yet, for the highest such ancestor instead.
    int incsave_writeNew(ToDoListItem& item, ToDoListGroup& parent);
    int incsave_writeDeleted(const ToDoListItem& item);
    // Publishes a changed entry: an entry's whole record, a group's own lines.
    int incsave_writeChanged(ToDoListItem& item, bool isGroup);
    storage::DataFile dataFile;
    storage::Journal journal;

    // --- Undo (engine/undo.cpp) ---
    // Takes in a change about to be published: redo is its entry, undo the
    // entry that takes it back, op what it does.
    void noteChange(const std::string& redo, std::string undo, const storage::T_UndoOp& op,
                    const ToDoListItem* item);
    int takeStep(bool back, std::string& label, uint32_t& shown, std::string& error);
    // Publishes a journal entry of a change noted by noteChange.
    int publish(const std::string& entry);
    // Applies journal entries to the tree in memory, as the replay at start does.
    struct ReplayTarget;
    int applyJournalEntries(const std::string& entries, SyncIDIndex* index = nullptr);
    storage::T_UndoHistory undoHistory_;
    bool undoHistoryChanged_ = false;
    std::string undoNote_;
    int stepDepth_ = 0;
    storage::T_UndoStep openStep_;
    std::vector<std::string> openUndo_;      // the open step's undo entries, in order made
    std::map<uint32_t, std::string> before_; // noted before-images by sync ID
};

// Brackets one action of the user as one step.
class UndoStep {
  public:
    UndoStep(Velk& v, const std::string& label) : v(v) { v.beginStep(label); }
    ~UndoStep() { v.endStep(); }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

  private:
    Velk& v;
};
