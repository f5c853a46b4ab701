// The organizer's files: the data file, the journal and the transfer files.
// The files themselves are storage's (DataFile, Journal, the transfer files); the
// members here hand them what only the engine knows: the header values of its
// state, the current group and item, the view shown and the password manager.

#include "engine/velk.h"
#include "storage/entry_filter.h"
#include "storage/exchange_file.h"
#include "storage/external_edit.h"
#include "storage/file_tools.h"
#include "storage/records.h"
#include "storage/transfer.h"

#include <cstdio>
#include <sys/stat.h>

static_assert(Velk::INSERT_TOO_DEEP == storage::INSERT_TOO_DEEP,
              "the engine tells a refused deep insertion by storage's result");
static_assert(VIEWTYPE_FLAT == 0 && VIEWTYPE_TREE == 1 && MAINVIEW_NORMAL == 0 &&
                  MAINVIEW_ACTIVE == 1 && MAINVIEW_CALENDAR == 3 && SORT_PRIORITY == 0 &&
                  SORT_DATE == 1,
              "the data file's header stores the view options by these numbers");

// --- Data file ---

storage::T_DataHeader Velk::dataHeader() const {
    storage::T_DataHeader h;
    h.idmax = tree_.idmax();
    h.idmaxaftersync = tree_.idmaxAfterSync();
    // The temporary search-results group is never written, so the current
    // group is the one the search started from.
    h.curGroup = (tree_.searchGroup() && view_.options().mainviewtype == MAINVIEW_SEARCH)
                     ? nav_.savedPath()
                     : nav_.curGroupPath();
    h.showKbd = view_.options().ShowKbd;
    h.viewtype = view_.options().viewtype;
    h.mainviewtype = view_.options().mainviewtype;
    h.sorttype = view_.options().sorttype;
    h.calDate = tree_.calendar().date;
    h.calDays = tree_.calendar().days;
    h.nLineNormal = view_.guiData().nLineNormal;
    h.nLineCal = view_.guiData().nLineCal;
    h.oldPosInList = view_.guiData().oldPosInList;
    h.winWidth = Session.uWinWidth;
    h.winHeight = Session.uWinHeight;
    return h;
}

void Velk::takeDataHeader(const storage::T_DataHeader& h) {
    tree_.idmax() = h.idmax;
    tree_.idmaxAfterSync() = h.idmaxaftersync;
    nav_.setGroupPath(h.curGroup);
    view_.options().ShowKbd = h.showKbd;
    view_.options().viewtype = t_viewtype(h.viewtype);
    view_.options().mainviewtype = h.mainviewtype;
    view_.options().sorttype = h.sorttype;
    tree_.calendar().date = h.calDate;
    tree_.calendar().days = h.calDays;
    view_.guiData().nLineNormal = h.nLineNormal;
    view_.guiData().nLineCal = h.nLineCal;
    // Every list position read comes with a selected line of 0.
    for (std::size_t i = view_.guiData().oldPosInList.size(); i < h.oldPosInList.size(); ++i)
        view_.guiData().oldSelInList.push_back(0);
    view_.guiData().oldPosInList = h.oldPosInList;
    Session.uWinWidth = h.winWidth;
    Session.uWinHeight = h.winHeight;
}

void Velk::writeHeader(std::ostream& os) {
    storage::DataFile::writeHeader(os, dataHeader());
}

void Velk::writeDataTo(std::ostream& os) {
    storage::DataFile::writeContent(
        os, dataHeader(), [this](std::ostream& o) { crypt.Write(o); }, *tree_.root(),
        tree_.searchGroup(), &crypt);
}

int Velk::writeData(const char* name) {
    return storage::DataFile::write(name, [this](std::ostream& os) { writeDataTo(os); });
}

int Velk::saveCopyTo(const std::string& name, std::string& error, std::string* written) {
    std::string target;
    if (checkExchangeFile(name, fileName, ExchangeUse::Write, target, error) != 0) return -1;
    if (written) *written = target;
    return storage::DataFile::saveCopy(
        target, fileName, *tree_.root(), [this](std::ostream& os) { writeDataTo(os); }, error);
}

std::string Velk::rescueSuggestion() const {
    return ::rescueSuggestion(fileName, homeFolder);
}

int Velk::saveRescueCopy(const std::string& name, std::string& error) {
    std::string target;
    if (saveCopyTo(name, error, &target) != 0) return -1;
    if (noteRescueCopy(fileName, resolveDataFilePath(target), homeFolder) != 0)
        std::fprintf(stderr, "The rescue copy %s could not be noted in %s/.velkrc/rescued.\n",
                     name.c_str(), homeFolder.c_str());
    return 0;
}

std::vector<T_RescueCopy> Velk::newerRescueCopies() const {
    return ::newerRescueCopies(fileName, homeFolder);
}

int Velk::savePasswords(std::string& error) {
    if (fileName.empty()) return 0;
    T_SaveReport report;
    if (saveData(report) == -1) {
        error = report.error;
        return -1;
    }
    return 0;
}

int Velk::checkNamedFile(const char* name, bool forWriting, std::string& target) {
    return checkExchangeFile(name ? name : "", fileName,
                             forWriting ? ExchangeUse::Write : ExchangeUse::Read, target,
                             transferError);
}

int Velk::saveData(T_SaveReport& report) {
    report = T_SaveReport();
    JournalFiles::CommitReport commit;
    bool backupsDropped = false;
    // The backups are dropped for the plain text they hold only when the new
    // file holds a password section, the key to the text's enciphered form.
    const int r = dataFile.save(
        fileName, *tree_.root(), [this](std::ostream& os) { writeDataTo(os); },
        crypt.GetNumPwds() > 0, commit, backupsDropped);
    report.error = commit.error;
    report.warnings = commit.warnings;
    if (r == -1) return -1;
    // The data file now holds every change: the journal starts anew, and
    // the undo history follows the new data file.
    journal.committed();
    undoHistoryChanged_ = true;
    std::string kept;
    if (keepUndoHistory(kept) != 0) report.warnings.push_back(kept);
    report.backupsDropped = backupsDropped;
    return r;
}

int Velk::readData(const char* name) {
    fileName = name;
    view_.options().mainviewtype = MAINVIEW_NORMAL;
    view_.options().viewtype = VIEWTYPE_TREE;
    view_.options().sorttype = SORT_DATE;

    ReadFile in;
    const int opened = storage::DataFile::open(fileName, in, readDataError);
    if (opened == storage::DataFile::NO_FILE) {
        // No data file yet: an empty organizer, written at the next save.
        tree_.root()->setSyncID(1);
        tree_.idmax() = 1;
        tree_.root()->checkCompleted();
        return 0;
    }
    if (opened != 0) return -2;

    storage::T_DataHeader header = dataHeader();
    header.curGroup = nav_.curGroupPath();
    const auto passwords = [this](std::istream& is) { return crypt.Read(is); };
    int result;
    if (loadFiltered_) {
        // The whole file at once, so that the filter can look at the raw
        // records before they are parsed.
        std::string text;
        struct stat st;
        if (::stat(fileName.c_str(), &st) == 0 && st.st_size > 0)
            text.reserve(std::size_t(st.st_size));
        char chunk[1 << 16];
        for (std::streamsize got; (got = in.rdbuf()->sgetn(chunk, sizeof chunk)) > 0;)
            text.append(chunk, std::size_t(got));
        if (in.error() != 0) {
            readDataError = in.errorText();
            return -2;
        }
        storage::EntryFilter filter(text, loadFilter_);
        result =
            dataFile.read(filter.stream(), header, passwords, *tree_.root(), tree_.activeJobs(),
                          tree_.calendar(), readDataError, journal.numberedAtLoadIDs(), &filter);
    } else {
        result = dataFile.read(in, header, passwords, *tree_.root(), tree_.activeJobs(),
                               tree_.calendar(), readDataError, journal.numberedAtLoadIDs());
    }
    takeDataHeader(header);
    // A read that failed says why, whatever the part read before it looked like.
    if (in.error() != 0) {
        readDataError = in.errorText();
        return -2;
    }

    ToDoListGroup* g =
        nav_.curGroupPath() == "/0/" ? nullptr : tree_.root()->getGroupPtr(nav_.curGroupPath());
    if (g) {
        nav_.setGroupPointer(g);
    } else {
        nav_.setGroupPointer(tree_.root());
        nav_.setGroupPath("/0/");
    }
    return result;
}

// --- Journal ---

int Velk::incsave_saveCurItem() {
    if (!nav_.curItem()) return -1;
    int r;
    if (journal.isInFile(*nav_.curItem())) {
        r = incsave_writeChanged(*nav_.curItem(), false);
    } else {
        // A new item goes into the group that holds it: the current group, or
        // in the calendar view the "calendar" group.
        ToDoListGroup* parent = GetParentOfItem(nav_.curItem());
        if (!parent) return -1;
        r = incsave_writeNew(*nav_.curItem(), *parent);
    }
    edit_.itemJournaled();
    return r;
}

int Velk::incsave_saveCurGroup() {
    if (!nav_.curGroup()) return -1;
    int r;
    if (nav_.curGroup() == tree_.root() || journal.isInFile(*nav_.curGroup())) {
        r = incsave_writeChanged(*nav_.curGroup(), true);
    } else {
        ToDoListGroup* parent = tree_.root()->getGroupPtr(nav_.curGroup()->getPath());
        if (!parent) return -1;
        r = incsave_writeNew(*nav_.curGroup(), *parent);
    }
    edit_.itemJournaled();
    return r;
}

int Velk::incsave_delFiles() {
    return journal.delFiles(fileName);
}

int Velk::incsave_getNrOfFiles() {
    return journal.getNrOfFiles(fileName);
}

// The replay changes the engine's tree and counters; an item it deletes is
// first let go by the rows and pointers that show it.
struct Velk::ReplayTarget : storage::JournalTarget {
    Velk& v;
    explicit ReplayTarget(Velk& engine) : v(engine) {}
    ToDoListGroup& journalRoot() override { return *v.tree_.root(); }
    unsigned& journalRunningCount() override { return v.tree_.activeJobs(); }
    uint32_t& journalIdMax() override { return v.tree_.idmax(); }
    T_Calendar& journalCalendar() override { return v.tree_.calendar(); }
    void beforeJournalDelete(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) override {
        v.forgetReferencesInto(item, isGroup, parent);
    }
};

int Velk::incsave_readFiles(std::string& errorFile, bool readOnly) {
    ReplayTarget target(*this);
    return journal.readFiles(fileName, target, errorFile, readOnly);
}

int Velk::applyJournalEntries(const std::string& entries, SyncIDIndex* index) {
    ReplayTarget target(*this);
    return journal.apply(entries, target, index);
}

std::vector<std::pair<std::string, std::string>> Velk::incsave_setAsideStrays() {
    return journal.setAsideStrays(fileName);
}

// --- Transfer files ---

int Velk::exportGroupToFile(const char* name, bool privateFile) {
    if (view_.options().mainviewtype == MAINVIEW_ACTIVE) return -1;
    std::string target;
    if (!privateFile && checkNamedFile(name, true, target) != 0) return -3;
    if (!privateFile) name = target.c_str();
    // The search hits, in a group that is not in the tree.
    if (view_.options().mainviewtype == MAINVIEW_SEARCH)
        return storage::exportItems(name, privateFile, view_.items(), true, &crypt, transferError);
    if (!nav_.curGroup()) return -1;
    return storage::exportGroup(name, privateFile, *nav_.curGroup(), &crypt, transferError);
}

int Velk::exportContentToFile(const char* name, bool privateFile) {
    if (view_.options().mainviewtype == MAINVIEW_ACTIVE) return -1;
    std::string target;
    if (!privateFile && checkNamedFile(name, true, target) != 0) return -3;
    if (!privateFile) name = target.c_str();
    if (view_.options().mainviewtype == MAINVIEW_SEARCH)
        return storage::exportItems(name, privateFile, view_.items(), false, &crypt, transferError);
    if (!nav_.curGroup()) return -1;
    return storage::exportContent(name, privateFile, *nav_.curGroup(), &crypt, transferError);
}

int Velk::exportToDoToFile(const char* name, bool privateFile) {
    if (!nav_.curItem()) return -1;
    std::string target;
    if (!privateFile && checkNamedFile(name, true, target) != 0) return -3;
    if (!privateFile) name = target.c_str();
    return storage::exportToDo(name, privateFile, *nav_.curItem(), &crypt, transferError);
}

int Velk::exportRowsToFile(const char* name, const std::vector<unsigned>& rows, bool privateFile) {
    std::string target;
    if (!privateFile && checkNamedFile(name, true, target) != 0) return -3;
    if (!privateFile) name = target.c_str();
    return storage::writeTransferFile(name, privateFile, transferError,
                                      [this, &rows](std::ostream& os) {
                                          for (unsigned row : rows)
                                              exportToStream(os, row);
                                      });
}

int Velk::exportToStream(std::ostream& os, unsigned row) {
    if (row >= view_.order().size()) return -1;
    const unsigned index = view_.order()[row];
    if (index >= view_.items().size() || !view_.items()[index]) return -1;
    return writeRecord(os, *view_.items()[index], &crypt, RECORD_EXPORT);
}

int Velk::insertDataFromFile(const char* name, bool followLinks) {
    if (view_.options().mainviewtype != MAINVIEW_NORMAL || !nav_.curGroup()) return -1;
    // A file the user names is never one of the organizer's own.
    std::string target;
    if (followLinks && checkNamedFile(name, false, target) != 0) return -3;
    if (followLinks) name = target.c_str();
    ToDoListGroup* const parent = nav_.curGroup();
    // The whole paste (or import) is one step.
    UndoStep step(*this, followLinks ? "import " + std::string(name) : std::string("paste"));
    return storage::insertFromFile(name, followLinks, *tree_.root(), *parent, tree_.activeJobs(),
                                   tree_.idmax(), tree_.calendar(), transferError,
                                   [this, parent](ToDoListItem& item, bool isGroup) {
                                       // The last entry inserted is the current item.
                                       if (!isGroup)
                                           nav_.setItem(static_cast<ToDoListToDo*>(&item));
                                       incsave_writeNew(item, *parent);
                                   });
}

// --- Descriptions in the external editor ---

int Velk::editDescriptionExternally(std::string& text, T_ExternalEditFailure* failure) const {
    return editInExternalEditor(editorCommand, text, failure);
}
