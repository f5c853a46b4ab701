// The data file: three fixed lines, the header lines with the engine's
// options, the password section and the record of the root group, which holds
// every other record.

#include "common/text.h"
#include "engine/velk.h"
#include "model/sync_ids.h"
#include "storage/file_tools.h"
#include "storage/journal_files.h"
#include "storage/records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// Reads a header line of any length with the surrounding blanks removed.
std::string readHeaderLine(std::istream& in) {
    return readfLine(in, std::numeric_limits<std::size_t>::max());
}

// The value of a "<tag=value>" line: the text after the tag without the last
// character.
std::string tagValue(const std::string& line, const char* tag) {
    std::size_t from = std::char_traits<char>::length(tag);
    if (line.size() <= from) return std::string();
    return line.substr(from, line.size() - from - 1);
}

// Every group and entry of the tree, each group before its content.
template <class F> void forEachItem(ToDoListGroup& root, F f) {
    forEachInSubtree(root, true, f);
}

// The saved marks of a whole tree. Writing a file marks every item as saved;
// when what was written is not (or did not become) the data file, the marks
// go back to what they were, or later journal entries would name items that
// are in no file.
class SavedMarks {
  public:
    explicit SavedMarks(ToDoListGroup& root) {
        forEachItem(root, [this](ToDoListItem& i) { marks.push_back({&i, i.hasBeenSaved()}); });
    }
    void restore() const {
        for (const auto& m : marks)
            m.first->hasBeenSaved(m.second);
    }

  private:
    std::vector<std::pair<ToDoListItem*, bool>> marks;
};

} // namespace

void Velk::writeHeader(std::ostream& os) {
    // The temporary search-results group is never written, so the current
    // group is the one the search started from.
    const std::string& current =
        (searchGroup && opts.mainviewtype == MAINVIEW_SEARCH) ? savedPath : curGroupPath;
    os << "<idmax=" << idmax << ">\n";
    os << "<idmaxaftersync=" << idmaxaftersync << ">\n";
    os << "<curGroup=" << oneLine(current) << ">\n";
    if (opts.ShowKbd) os << "<ShowKbd>\n";
    os << (opts.viewtype == VIEWTYPE_TREE ? "<viewtype=tree>\n" : "<viewtype=flat>\n");
    if (opts.mainviewtype == MAINVIEW_NORMAL || opts.mainviewtype == MAINVIEW_CALENDAR)
        os << "<mainviewtype=" << opts.mainviewtype << ">\n";
    if (opts.sorttype == SORT_PRIORITY) os << "<sorttype=priority>\n";
    if (opts.sorttype == SORT_DATE) os << "<sorttype=date>\n";
    os << "<cal.date=" << cal.date << ">\n";
    os << "<cal.days=" << cal.days << ">\n";
    os << "<GUIData.nLineNormal=" << GUIData.nLineNormal << ">\n";
    os << "<GUIData.nLineCal=" << GUIData.nLineCal << ">\n";
    for (int32_t pos : GUIData.oldPosInList)
        os << "<GUIData.oldPosInList=" << pos << ">\n";
    if (Session.uWinHeight != 0) os << "<Session.uWinHeight=" << Session.uWinHeight << ">\n";
    if (Session.uWinWidth != 0) os << "<Session.uWinWidth=" << Session.uWinWidth << ">\n";
}

void Velk::writeDataTo(std::ostream& os) {
    os << "<type=Velk>\n<version=0.54>\n<data>\n";
    writeHeader(os);
    crypt.Write(os);
    T_RecordWrite how = RECORD_SAVE;
    how.skip = searchGroup;
    if (writeGroupRecord(os, *root, &crypt, how) != 0)
        std::fprintf(stderr, "writeContent hat nicht Null zurückgegeben!\n");
    os << "</data>\n";
}

int Velk::writeData(const char* name) {
    AtomicFile file(name);
    if (file.open() != 0) return -1;
    writeDataTo(file.out());
    return file.commit() == 0 ? 0 : -1;
}

namespace {

// A description that the data file keeps in plain text.
bool storedPlain(const ToDoListToDo& t) {
    return t.getDescrData().getLength() > 0 &&
           (t.getDescrData().getFlags() &
            (DescrData::DESCR_ENCIPHERED | DescrData::DESCR_SAVECRYPT)) == 0;
}

} // namespace

std::vector<uint32_t> Velk::plainDescriptionIDs() {
    std::vector<uint32_t> ids;
    forEachItem(*root, [&](ToDoListItem& item) {
        auto* t = dynamic_cast<ToDoListToDo*>(&item);
        if (t && storedPlain(*t)) ids.push_back(t->getSyncID());
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool Velk::savingEnciphersPlainText() {
    if (plainInDataFile.empty()) return false;
    bool found = false;
    forEachItem(*root, [&](ToDoListItem& item) {
        auto* t = dynamic_cast<ToDoListToDo*>(&item);
        if (found || !t || t->getDescrData().getLength() == 0 ||
            !(t->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT))
            return;
        found = std::binary_search(plainInDataFile.begin(), plainInDataFile.end(),
                                   t->getSyncID());
    });
    return found;
}

int Velk::saveCopyTo(const std::string& name, std::string& error) {
    struct stat target, data;
    if (name.empty()) {
        error = "no file name was given";
        return -1;
    }
    // The data file itself would then hold the journal's changes while the
    // journal still waits to be replayed onto it.
    if (name == fileName || (::stat(name.c_str(), &target) == 0 &&
                             ::stat(fileName.c_str(), &data) == 0 &&
                             target.st_dev == data.st_dev && target.st_ino == data.st_ino)) {
        error = "that is the data file itself; choose another file";
        return -1;
    }
    // A copy is not the data file: the items keep their saved marks.
    const SavedMarks marks(*root);
    AtomicFile file(name);
    int r = file.open();
    if (r == 0) {
        writeDataTo(file.out());
        r = file.commit();
    }
    marks.restore();
    if (r == -1) error = std::strerror(file.lastError());
    return r == -1 ? -1 : 0;
}

int Velk::saveData(T_SaveReport& report) {
    report = T_SaveReport();
    const SavedMarks marks(*root);
    const bool dropBackups = savingEnciphersPlainText();
    JournalFiles::CommitReport commit;
    const int r = JournalFiles::commit(
        fileName, [this](std::ostream& os) { writeDataTo(os); }, dropBackups, commit);
    report.error = commit.error;
    report.warnings = commit.warnings;
    if (r == -1) {
        marks.restore();
        return -1;
    }
    // The data file now holds every change: the journal starts anew.
    incsave_committed();
    plainInDataFile = plainDescriptionIDs();
    report.backupsDropped = dropBackups;
    return r;
}

int Velk::readHeader(std::istream& in, bool& foundEnd) {
    std::string endMarker = "g";
    bool syncFile = false;
    int result = 0;
    foundEnd = false;
    for (;;) {
        std::string line = readHeaderLine(in);
        if (line == endMarker && !in.fail()) {
            foundEnd = true;
            return result;
        }
        if (in.eof() || in.fail()) return result;
        if (startsWith(line, "<type=Velk-Sync>")) syncFile = true;
        if (startsWith(line, "<version=")) {
            std::string v = tagValue(line, "<version=");
            if (!v.empty() && v[0] == '0' && v.size() > 2) {
                // "0.13" and older opened the root record with "<g>".
                int minor = parseI32(v.substr(2));
                if (minor <= 13 && !syncFile) endMarker = "<g>";
            }
        }
        if (line == "<viewtype=flat>") opts.viewtype = VIEWTYPE_FLAT;
        if (line == "<viewtype=tree>") opts.viewtype = VIEWTYPE_TREE;
        if (startsWith(line, "<ShowKbd>")) opts.ShowKbd = true;
        if (startsWith(line, "<mainview=normal>")) opts.mainviewtype = MAINVIEW_NORMAL;
        if (startsWith(line, "<mainview=calendar>")) opts.mainviewtype = MAINVIEW_CALENDAR;
        if (startsWith(line, "<onlyActive>")) opts.mainviewtype = MAINVIEW_ACTIVE;
        if (startsWith(line, "<sorttype=priority>")) opts.sorttype = SORT_PRIORITY;
        if (startsWith(line, "<sorttype=date>")) opts.sorttype = SORT_DATE;
        if (startsWith(line, "<Session.uWinWidth="))
            Session.uWinWidth = parseU32(tagValue(line, "<Session.uWinWidth="));
        if (startsWith(line, "<Session.uWinHeight="))
            Session.uWinHeight = parseU32(tagValue(line, "<Session.uWinHeight="));
        if (startsWith(line, "<GUIData.nLineNormal="))
            GUIData.nLineNormal = parseI32(tagValue(line, "<GUIData.nLineNormal="));
        if (startsWith(line, "<GUIData.nLineCal="))
            GUIData.nLineCal = parseI32(tagValue(line, "<GUIData.nLineCal="));
        if (startsWith(line, "<mainviewtype="))
            opts.mainviewtype = parseI32(tagValue(line, "<mainviewtype="));
        if (startsWith(line, "<idmax=")) idmax = parseU32(tagValue(line, "<idmax="));
        if (startsWith(line, "<cal.date=")) cal.date = parseU32(tagValue(line, "<cal.date="));
        if (startsWith(line, "<cal.days=")) {
            // The calendar shows 1 to 14 days. A larger span written into the
            // file by hand would fill every one of its days with each undated-
            // begin todo and freeze every rebuild, so it is cut to 14.
            cal.days = std::clamp<uint32_t>(parseU32(tagValue(line, "<cal.days=")), 1, 14);
        }
        if (startsWith(line, "<idmaxaftersync="))
            idmaxaftersync = parseU32(tagValue(line, "<idmaxaftersync="));
        if (startsWith(line, "<GUIData.oldPosInList=")) {
            GUIData.oldPosInList.push_back(parseI32(tagValue(line, "<GUIData.oldPosInList=")));
            GUIData.oldSelInList.push_back(0);
        }
        if (startsWith(line, "<curGroup=")) curGroupPath = tagValue(line, "<curGroup=");
        if (startsWith(line, "<Crypt>") && crypt.Read(in) != 0) result = -1;
    }
}

int Velk::readData(const char* name) {
    fileName = name;
    opts.mainviewtype = MAINVIEW_NORMAL;
    opts.viewtype = VIEWTYPE_TREE;
    opts.sorttype = SORT_DATE;

    // The data file may be reached through a symbolic link; anything that is
    // not a regular file (a FIFO would block the start for good) is refused.
    std::ifstream in;
    readDataError.clear();
    const int opened = openRegularFile(name, true, in, readDataError);
    if (opened == -1) {
        // No data file yet: an empty organizer, written at the next save.
        readDataError.clear();
        root->setSyncID(1);
        idmax = 1;
        root->checkCompleted();
        return 0;
    }
    if (opened != 0) return -2;

    bool foundEnd = false;
    int result = readHeader(in, foundEnd);
    if (!foundEnd || readGroupRecord(in, *root, nrActiveJobs, idmax, cal) != 0) result = -1;
    if (in.bad()) {
        result = -2;
        readDataError = "it could not be read to the end";
    }

    ToDoListGroup* g = curGroupPath == "/0/" ? nullptr : root->getGroupPtr(curGroupPath);
    if (g) {
        curGroup = g;
    } else {
        curGroup = root.get();
        curGroupPath = "/0/";
    }
    if (result != 0) return result;
    // Records read without a sync ID after the last number was handed out
    // have none yet: they are numbered now that the whole tree is known.
    numberNewItems(idmax, *root, *root, true);
    repairSyncIDCollisions();
    root->checkCompleted();
    // What the file holds, in one walk: the descriptions it keeps in plain
    // text, and the items it stored without a sync ID. Those got theirs
    // while loading, the same ones at every load of the file, so they count
    // as in the file for the journal; they are compared by number, not
    // against the highest one, because once the numbers have wrapped new
    // items take free numbers below it.
    plainInDataFile.clear();
    incsave_numberedAtLoad.clear();
    forEachItem(*root, [this](ToDoListItem& item) {
        if (!item.hasBeenSaved()) incsave_numberedAtLoad.push_back(item.getSyncID());
        auto* t = dynamic_cast<ToDoListToDo*>(&item);
        if (t && storedPlain(*t)) plainInDataFile.push_back(t->getSyncID());
    });
    std::sort(plainInDataFile.begin(), plainInDataFile.end());
    std::sort(incsave_numberedAtLoad.begin(), incsave_numberedAtLoad.end());
    return 0;
}

void Velk::repairSyncIDCollisions() {
    std::unordered_map<uint32_t, unsigned> uses;
    forEachItem(*root, [&](ToDoListItem& item) { ++uses[item.getSyncID()]; });
    // Only records read without a sync ID are not marked saved; they are the
    // ones renumbered.
    forEachItem(*root, [&](ToDoListItem& item) {
        if (!item.hasBeenSaved() && uses[item.getSyncID()] > 1)
            item.setSyncID(newSyncID(idmax, root.get()));
    });
}
