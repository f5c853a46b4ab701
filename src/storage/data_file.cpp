// The data file: three fixed lines, the header lines with the view options,
// the password section and the record of the root group, which holds every
// other record.

#include "storage/data_file.h"

#include "common/text.h"
#include "model/calendar.h"
#include "model/group.h"
#include "model/sync_ids.h"
#include "storage/file_tools.h"
#include "storage/records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// The header's view numbers (engine/velk.h has them as enums).
constexpr int32_t VIEW_FLAT = 0, VIEW_TREE = 1;
constexpr int32_t MAIN_NORMAL = 0, MAIN_ACTIVE = 1, MAIN_CALENDAR = 3;
constexpr int32_t SORT_BY_PRIORITY = 0, SORT_BY_DATE = 1;

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

// The saved marks of a whole tree. Writing a file marks every item as saved;
// when what was written is not (or did not become) the data file, the marks
// go back to what they were, or later journal entries would name items that
// are in no file.
class SavedMarks {
  public:
    explicit SavedMarks(ToDoListGroup& root) {
        forEachInSubtree(root, true, [this](ToDoListItem& i) {
            marks.push_back({&i, i.hasBeenSaved()});
        });
    }
    void restore() const {
        for (const auto& m : marks)
            m.first->hasBeenSaved(m.second);
    }

  private:
    std::vector<std::pair<ToDoListItem*, bool>> marks;
};

// A description that the data file keeps in plain text.
bool storedPlain(const ToDoListToDo& t) {
    return t.getDescrData().getLength() > 0 &&
           (t.getDescrData().getFlags() &
            (DescrData::DESCR_ENCIPHERED | DescrData::DESCR_SAVECRYPT)) == 0;
}

// The walk of forEachInSubtree (a group, its entries, then its groups),
// written out so that entries need no type test: at a load of 100,000
// entries the test cost more than the rest of the walk.
void noteLoadedItems(ToDoListGroup& g, std::vector<ToDoListItem*>& unnumbered,
                     std::vector<uint32_t>& plain) {
    if (!g.hasBeenSaved()) unnumbered.push_back(&g);
    for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
        ToDoListToDo* t = g.getToDo(i);
        if (!t->hasBeenSaved()) unnumbered.push_back(t);
        if (storedPlain(*t)) plain.push_back(t->getSyncID());
    }
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        noteLoadedItems(*g.getGroup(i), unnumbered, plain);
}

} // namespace

namespace storage {

void DataFile::writeHeader(std::ostream& os, const T_DataHeader& h) {
    os << "<idmax=" << h.idmax << ">\n";
    os << "<idmaxaftersync=" << h.idmaxaftersync << ">\n";
    os << "<curGroup=" << oneLine(h.curGroup) << ">\n";
    if (h.showKbd) os << "<ShowKbd>\n";
    os << (h.viewtype == VIEW_TREE ? "<viewtype=tree>\n" : "<viewtype=flat>\n");
    // The only-active and the search view are not kept.
    if (h.mainviewtype == MAIN_NORMAL || h.mainviewtype == MAIN_CALENDAR)
        os << "<mainviewtype=" << h.mainviewtype << ">\n";
    if (h.sorttype == SORT_BY_PRIORITY) os << "<sorttype=priority>\n";
    if (h.sorttype == SORT_BY_DATE) os << "<sorttype=date>\n";
    os << "<cal.date=" << h.calDate << ">\n";
    os << "<cal.days=" << h.calDays << ">\n";
    os << "<GUIData.nLineNormal=" << h.nLineNormal << ">\n";
    os << "<GUIData.nLineCal=" << h.nLineCal << ">\n";
    for (int32_t pos : h.oldPosInList)
        os << "<GUIData.oldPosInList=" << pos << ">\n";
    if (h.winHeight != 0) os << "<Session.uWinHeight=" << h.winHeight << ">\n";
    if (h.winWidth != 0) os << "<Session.uWinWidth=" << h.winWidth << ">\n";
}

void DataFile::writeContent(std::ostream& os, const T_DataHeader& header,
                            const PasswordSectionWriter& passwords, ToDoListGroup& root,
                            const ToDoListGroup* skip, DescriptionCipher* crypt) {
    writeFileHeader(os);
    writeHeader(os, header);
    passwords(os);
    T_RecordWrite how = RECORD_SAVE;
    how.skip = skip;
    if (writeGroupRecord(os, root, crypt, how) != 0)
        std::fprintf(stderr, "writeContent hat nicht Null zurückgegeben!\n");
    os << "</data>\n";
}

int DataFile::write(const std::string& name, const DataFileWriter& content) {
    AtomicFile file(name);
    if (file.open() != 0) return -1;
    content(file.out());
    return file.commit() == 0 ? 0 : -1;
}

std::vector<uint32_t> DataFile::plainDescriptionIDs(ToDoListGroup& root) {
    std::vector<uint32_t> ids;
    forEachInSubtree(root, true, [&](ToDoListItem& item) {
        auto* t = dynamic_cast<ToDoListToDo*>(&item);
        if (t && storedPlain(*t)) ids.push_back(t->getSyncID());
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool DataFile::savingEnciphersPlainText(ToDoListGroup& root) const {
    if (plainInDataFile.empty()) return false;
    bool found = false;
    forEachInSubtree(root, true, [&](ToDoListItem& item) {
        auto* t = dynamic_cast<ToDoListToDo*>(&item);
        if (found || !t || t->getDescrData().getLength() == 0 ||
            !(t->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT))
            return;
        found = std::binary_search(plainInDataFile.begin(), plainInDataFile.end(), t->getSyncID());
    });
    return found;
}

int DataFile::saveCopy(const std::string& name, const std::string& dataPath, ToDoListGroup& root,
                       const DataFileWriter& content, std::string& error) {
    struct stat target, data;
    if (name.empty()) {
        error = "no file name was given";
        return -1;
    }
    // The data file itself would then hold the journal's changes while the
    // journal still waits to be replayed onto it.
    if (name == dataPath ||
        (::stat(name.c_str(), &target) == 0 && ::stat(dataPath.c_str(), &data) == 0 &&
         target.st_dev == data.st_dev && target.st_ino == data.st_ino)) {
        error = "that is the data file itself; choose another file";
        return -1;
    }
    // A copy is not the data file: the items keep their saved marks.
    const SavedMarks marks(root);
    AtomicFile file(name);
    int r = file.open();
    if (r == 0) {
        content(file.out());
        r = file.commit();
    }
    marks.restore();
    if (r == -1) error = std::strerror(file.lastError());
    return r == -1 ? -1 : 0;
}

int DataFile::save(const std::string& dataPath, ToDoListGroup& root, const DataFileWriter& content,
                   bool holdsKey, JournalFiles::CommitReport& report, bool& backupsDropped) {
    backupsDropped = false;
    const SavedMarks marks(root);
    const bool dropBackups = holdsKey && savingEnciphersPlainText(root);
    const int r = JournalFiles::commit(dataPath, content, dropBackups, report);
    if (r == -1) {
        marks.restore();
        return -1;
    }
    plainInDataFile = plainDescriptionIDs(root);
    backupsDropped = dropBackups;
    return r;
}

int DataFile::readHeader(std::istream& in, T_DataHeader& h, const PasswordSectionReader& passwords,
                         bool& foundEnd) {
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
        if (line == "<viewtype=flat>") h.viewtype = VIEW_FLAT;
        if (line == "<viewtype=tree>") h.viewtype = VIEW_TREE;
        if (startsWith(line, "<ShowKbd>")) h.showKbd = true;
        if (startsWith(line, "<mainview=normal>")) h.mainviewtype = MAIN_NORMAL;
        if (startsWith(line, "<mainview=calendar>")) h.mainviewtype = MAIN_CALENDAR;
        if (startsWith(line, "<onlyActive>")) h.mainviewtype = MAIN_ACTIVE;
        if (startsWith(line, "<sorttype=priority>")) h.sorttype = SORT_BY_PRIORITY;
        if (startsWith(line, "<sorttype=date>")) h.sorttype = SORT_BY_DATE;
        if (startsWith(line, "<Session.uWinWidth="))
            h.winWidth = parseU32(tagValue(line, "<Session.uWinWidth="));
        if (startsWith(line, "<Session.uWinHeight="))
            h.winHeight = parseU32(tagValue(line, "<Session.uWinHeight="));
        if (startsWith(line, "<GUIData.nLineNormal="))
            h.nLineNormal = parseI32(tagValue(line, "<GUIData.nLineNormal="));
        if (startsWith(line, "<GUIData.nLineCal="))
            h.nLineCal = parseI32(tagValue(line, "<GUIData.nLineCal="));
        if (startsWith(line, "<mainviewtype="))
            h.mainviewtype = parseI32(tagValue(line, "<mainviewtype="));
        if (startsWith(line, "<idmax=")) h.idmax = parseU32(tagValue(line, "<idmax="));
        if (startsWith(line, "<cal.date=")) h.calDate = parseU32(tagValue(line, "<cal.date="));
        if (startsWith(line, "<cal.days=")) {
            // The calendar shows 1 to 14 days. A larger span written into the
            // file by hand would fill every one of its days with each undated-
            // begin todo and freeze every rebuild, so it is cut to 14.
            h.calDays = std::clamp<uint32_t>(parseU32(tagValue(line, "<cal.days=")), 1, 14);
        }
        if (startsWith(line, "<idmaxaftersync="))
            h.idmaxaftersync = parseU32(tagValue(line, "<idmaxaftersync="));
        if (startsWith(line, "<GUIData.oldPosInList=")) {
            h.oldPosInList.push_back(parseI32(tagValue(line, "<GUIData.oldPosInList=")));
        }
        if (startsWith(line, "<curGroup=")) h.curGroup = tagValue(line, "<curGroup=");
        if (startsWith(line, "<Crypt>") && passwords(in) != 0) result = -1;
    }
}

int DataFile::open(const std::string& name, ReadFile& in, std::string& error) {
    // A FIFO in the data file's place would block the start for good.
    error.clear();
    const int opened = openRegularFile(name, true, in, error);
    if (opened == -1) {
        error.clear();
        return NO_FILE;
    }
    return opened == 0 ? 0 : -2;
}

int DataFile::read(std::istream& in, T_DataHeader& header, const PasswordSectionReader& passwords,
                   ToDoListGroup& root, unsigned& nrActiveJobs, T_Calendar& cal, std::string& error,
                   std::vector<uint32_t>& numberedAtLoad, EntryFilter* filter) {
    bool foundEnd = false;
    int result = readHeader(in, header, passwords, foundEnd);
    // The calendar lists are built once the whole tree has been read.
    cal.deferDatedLists(true);
    if (!foundEnd || readGroupRecord(in, root, nrActiveJobs, header.idmax, cal, filter) != 0)
        result = -1;
    cal.deferDatedLists(false);
    if (in.bad()) {
        result = -2;
        error = "it could not be read to the end";
    }
    if (result != 0) return result;
    // Records read without a sync ID after the last number was handed out
    // have none yet: they are numbered now that the whole tree is known.
    // Before that number no record is left without one.
    if (header.idmax == SYNCID_LAST) numberNewItems(header.idmax, root, root, true);
    // What the file holds, in one walk: the descriptions it keeps in plain
    // text, and the items it stored without a sync ID (the only ones not
    // marked saved).
    plainInDataFile.clear();
    std::vector<ToDoListItem*> unnumbered;
    noteLoadedItems(root, unnumbered, plainInDataFile);
    // Only such items can carry a number that another one has too.
    if (!unnumbered.empty()) repairSyncIDCollisions(root, header.idmax, unnumbered);
    // The groups' counts of completed todos were made as their records ended.
    // The items stored without a sync ID got theirs while loading, the same
    // ones at every load of the file, so they count as in the file for the
    // journal; they are compared by number, not against the highest one,
    // because once the numbers have wrapped new items take free numbers
    // below it.
    numberedAtLoad.clear();
    for (const ToDoListItem* item : unnumbered)
        numberedAtLoad.push_back(item->getSyncID());
    std::sort(plainInDataFile.begin(), plainInDataFile.end());
    std::sort(numberedAtLoad.begin(), numberedAtLoad.end());
    return 0;
}

void DataFile::repairSyncIDCollisions(ToDoListGroup& root, uint32_t& idmax,
                                      const std::vector<ToDoListItem*>& numbered) {
    std::unordered_map<uint32_t, unsigned> uses;
    forEachInSubtree(root, true, [&](ToDoListItem& item) { ++uses[item.getSyncID()]; });
    for (ToDoListItem* item : numbered)
        if (uses[item->getSyncID()] > 1) item->setSyncID(newSyncID(idmax, &root));
}

} // namespace storage
