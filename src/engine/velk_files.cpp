// The organizer's files: the data file, the journal and the transfer files.
// The files themselves are storage's (DataFile, Journal, the transfer files); the
// members here hand them what only the engine knows: the header values of its
// state, the current group and item, the view shown and the password manager.

#include "engine/velk.h"
#include "storage/file_tools.h"
#include "storage/records.h"
#include "storage/transfer.h"

static_assert(Velk::INSERT_TOO_DEEP == storage::INSERT_TOO_DEEP,
              "the engine tells a refused deep insertion by storage's result");
static_assert(VIEWTYPE_FLAT == 0 && VIEWTYPE_TREE == 1 && MAINVIEW_NORMAL == 0 &&
                  MAINVIEW_ACTIVE == 1 && MAINVIEW_CALENDAR == 3 && SORT_PRIORITY == 0 &&
                  SORT_DATE == 1,
              "the data file's header stores the view options by these numbers");

// --- Data file ---

storage::T_DataHeader Velk::dataHeader() const {
    storage::T_DataHeader h;
    h.idmax = idmax;
    h.idmaxaftersync = idmaxaftersync;
    // The temporary search-results group is never written, so the current
    // group is the one the search started from.
    h.curGroup = (searchGroup && opts.mainviewtype == MAINVIEW_SEARCH) ? savedPath : curGroupPath;
    h.showKbd = opts.ShowKbd;
    h.viewtype = opts.viewtype;
    h.mainviewtype = opts.mainviewtype;
    h.sorttype = opts.sorttype;
    h.calDate = cal.date;
    h.calDays = cal.days;
    h.nLineNormal = GUIData.nLineNormal;
    h.nLineCal = GUIData.nLineCal;
    h.oldPosInList = GUIData.oldPosInList;
    h.winWidth = Session.uWinWidth;
    h.winHeight = Session.uWinHeight;
    return h;
}

void Velk::takeDataHeader(const storage::T_DataHeader& h) {
    idmax = h.idmax;
    idmaxaftersync = h.idmaxaftersync;
    curGroupPath = h.curGroup;
    opts.ShowKbd = h.showKbd;
    opts.viewtype = t_viewtype(h.viewtype);
    opts.mainviewtype = h.mainviewtype;
    opts.sorttype = h.sorttype;
    cal.date = h.calDate;
    cal.days = h.calDays;
    GUIData.nLineNormal = h.nLineNormal;
    GUIData.nLineCal = h.nLineCal;
    // Every list position read comes with a selected line of 0.
    for (std::size_t i = GUIData.oldPosInList.size(); i < h.oldPosInList.size(); ++i)
        GUIData.oldSelInList.push_back(0);
    GUIData.oldPosInList = h.oldPosInList;
    Session.uWinWidth = h.winWidth;
    Session.uWinHeight = h.winHeight;
}

void Velk::writeHeader(std::ostream& os) {
    storage::DataFile::writeHeader(os, dataHeader());
}

void Velk::writeDataTo(std::ostream& os) {
    storage::DataFile::writeContent(
        os, dataHeader(), [this](std::ostream& o) { crypt.Write(o); }, *root, searchGroup, &crypt);
}

int Velk::writeData(const char* name) {
    return storage::DataFile::write(name, [this](std::ostream& os) { writeDataTo(os); });
}

int Velk::saveCopyTo(const std::string& name, std::string& error) {
    return storage::DataFile::saveCopy(
        name, fileName, *root, [this](std::ostream& os) { writeDataTo(os); }, error);
}

int Velk::saveData(T_SaveReport& report) {
    report = T_SaveReport();
    JournalFiles::CommitReport commit;
    bool backupsDropped = false;
    const int r = dataFile.save(
        fileName, *root, [this](std::ostream& os) { writeDataTo(os); }, commit, backupsDropped);
    report.error = commit.error;
    report.warnings = commit.warnings;
    if (r == -1) return -1;
    // The data file now holds every change: the journal starts anew.
    journal.committed();
    report.backupsDropped = backupsDropped;
    return r;
}

int Velk::readData(const char* name) {
    fileName = name;
    opts.mainviewtype = MAINVIEW_NORMAL;
    opts.viewtype = VIEWTYPE_TREE;
    opts.sorttype = SORT_DATE;

    std::ifstream in;
    const int opened = storage::DataFile::open(fileName, in, readDataError);
    if (opened == storage::DataFile::NO_FILE) {
        // No data file yet: an empty organizer, written at the next save.
        root->setSyncID(1);
        idmax = 1;
        root->checkCompleted();
        return 0;
    }
    if (opened != 0) return -2;

    storage::T_DataHeader header = dataHeader();
    header.curGroup = curGroupPath;
    const int result = dataFile.read(
        in, header, [this](std::istream& is) { return crypt.Read(is); }, *root, nrActiveJobs, cal,
        readDataError, journal.numberedAtLoadIDs());
    takeDataHeader(header);

    ToDoListGroup* g = curGroupPath == "/0/" ? nullptr : root->getGroupPtr(curGroupPath);
    if (g) {
        curGroup = g;
    } else {
        curGroup = root.get();
        curGroupPath = "/0/";
    }
    return result;
}

// --- Journal ---

int Velk::incsave_getFile(std::unique_ptr<AtomicFile>& f) {
    return journal.getFile(fileName, f);
}

int Velk::incsave_closeFile(std::unique_ptr<AtomicFile>& f) {
    return journal.closeFile(f);
}

int Velk::incsave_writeNew(ToDoListItem& item, ToDoListGroup& parent) {
    return journal.writeNew(fileName, item, parent, *root, &crypt);
}

int Velk::incsave_writeDeleted(const ToDoListItem& item) {
    return journal.writeDeleted(fileName, item);
}

int Velk::incsave_saveCurItem() {
    if (!curItem) return -1;
    int r;
    if (journal.isInFile(*curItem)) {
        r = journal.writeChanged(fileName, *curItem, false, &crypt);
    } else {
        // A new item goes into the group that holds it: the current group, or
        // in the calendar view the "calendar" group.
        ToDoListGroup* parent = GetParentOfItem(curItem);
        if (!parent) return -1;
        r = incsave_writeNew(*curItem, *parent);
    }
    newItemFlag = false;
    return r;
}

int Velk::incsave_saveCurGroup() {
    if (!curGroup) return -1;
    int r;
    if (curGroup == root.get() || journal.isInFile(*curGroup)) {
        r = journal.writeChanged(fileName, *curGroup, true, &crypt);
    } else {
        ToDoListGroup* parent = root->getGroupPtr(curGroup->getPath());
        if (!parent) return -1;
        r = incsave_writeNew(*curGroup, *parent);
    }
    newItemFlag = false;
    return r;
}

int Velk::incsave_delFiles() {
    return journal.delFiles(fileName);
}

int Velk::incsave_getNrOfFiles() {
    return journal.getNrOfFiles(fileName);
}

int Velk::incsave_readFiles(std::string& errorFile) {
    // The replay changes the engine's tree and counters; an item it deletes
    // is first let go by the rows and pointers that show it.
    struct Target : storage::JournalTarget {
        Velk& v;
        explicit Target(Velk& engine) : v(engine) {}
        ToDoListGroup& journalRoot() override { return *v.root; }
        unsigned& journalRunningCount() override { return v.nrActiveJobs; }
        uint32_t& journalIdMax() override { return v.idmax; }
        T_Calendar& journalCalendar() override { return v.cal; }
        void beforeJournalDelete(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) override {
            v.forgetReferencesInto(item, isGroup, parent);
        }
    } target(*this);
    return journal.readFiles(fileName, target, errorFile);
}

std::vector<std::pair<std::string, std::string>> Velk::incsave_setAsideStrays() {
    return journal.setAsideStrays(fileName);
}

// --- Transfer files ---

int Velk::exportGroupToFile(const char* name, bool privateFile) {
    if (opts.mainviewtype == MAINVIEW_ACTIVE) return -1;
    // The search hits, in a group that is not in the tree.
    if (opts.mainviewtype == MAINVIEW_SEARCH)
        return storage::exportItems(name, privateFile, viewItems, true, &crypt, transferError);
    if (!curGroup) return -1;
    return storage::exportGroup(name, privateFile, *curGroup, &crypt, transferError);
}

int Velk::exportContentToFile(const char* name, bool privateFile) {
    if (opts.mainviewtype == MAINVIEW_ACTIVE) return -1;
    if (opts.mainviewtype == MAINVIEW_SEARCH)
        return storage::exportItems(name, privateFile, viewItems, false, &crypt, transferError);
    if (!curGroup) return -1;
    return storage::exportContent(name, privateFile, *curGroup, &crypt, transferError);
}

int Velk::exportToDoToFile(const char* name, bool privateFile) {
    if (!curItem) return -1;
    return storage::exportToDo(name, privateFile, *curItem, &crypt, transferError);
}

int Velk::exportRowsToFile(const char* name, const std::vector<unsigned>& rows, bool privateFile) {
    return storage::writeTransferFile(name, privateFile, transferError,
                                      [this, &rows](std::ostream& os) {
                                          for (unsigned row : rows)
                                              exportToStream(os, row);
                                      });
}

int Velk::exportToStream(std::ostream& os, unsigned row) {
    if (row >= viewOrder.size()) return -1;
    const unsigned index = viewOrder[row];
    if (index >= viewItems.size() || !viewItems[index]) return -1;
    return writeRecord(os, *viewItems[index], &crypt, RECORD_EXPORT);
}

int Velk::insertDataFromFile(const char* name, bool followLinks) {
    if (opts.mainviewtype != MAINVIEW_NORMAL || !curGroup) return -1;
    ToDoListGroup* const parent = curGroup;
    return storage::insertFromFile(name, followLinks, *root, *parent, nrActiveJobs, idmax, cal,
                                   transferError, [this, parent](ToDoListItem& item, bool isGroup) {
                                       // The last entry inserted is the current item.
                                       if (!isGroup) curItem = static_cast<ToDoListToDo*>(&item);
                                       incsave_writeNew(item, *parent);
                                   });
}
