// The incremental save journal: every committed change is written at once as
// one small file beside the data file (the data file's name followed by a
// number), and the next start replays the files left by a run that did not end
// normally. Entries name items by their sync ID.

#include "storage/journal.h"
#include "common/text.h"

#include "model/calendar.h"
#include "model/group.h"
#include "model/sync_ids.h"
#include "storage/file_tools.h"
#include "storage/journal_files.h"
#include "storage/records.h"
#include "storage/sync_index.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool allDigits(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// A temporary made by AtomicFile for the data file or a journal entry:
// base [+ digits] + ".tmp" + six letters or digits.
bool isLeftoverTemporary(const std::string& name, const std::string& base) {
    if (name.compare(0, base.size(), base) != 0) return false;
    std::size_t tmp = name.rfind(".tmp");
    if (tmp == std::string::npos || tmp < base.size() || name.size() != tmp + 10) return false;
    if (tmp > base.size() && !allDigits(name, base.size(), tmp)) return false;
    for (std::size_t i = tmp + 4; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// True when the stream holds nothing but the three fixed lines of a journal
// file and blank lines, in any order and number (an empty file included).
bool holdsOnlyFixedLines(std::istream& in) {
    std::string line;
    char c;
    auto lineIsHarmless = [&] {
        std::size_t a = line.find_first_not_of(" \t\r");
        if (a == std::string::npos) return true;
        std::string t = line.substr(a, line.find_last_not_of(" \t\r") - a + 1);
        for (const char* ok : FILE_HEADER_LINES)
            if (t == ok) return true;
        return false;
    };
    while (in.get(c)) {
        if (c == '\n') {
            if (!lineIsHarmless()) return false;
            line.clear();
            continue;
        }
        // No harmless line is this long: stop before reading a huge file.
        if (line.size() > 32) return false;
        line += c;
    }
    return lineIsHarmless();
}

// Keeps the damaged journal file name under name + ".damaged" (or
// ".damaged2", … when that name holds something else) as a hard link, or a
// copy where links are not possible. Returns the name it is kept under; ""
// when it could not be kept.
std::string setAsideDamaged(const std::string& name) {
    struct stat original;
    if (::stat(name.c_str(), &original) != 0) return std::string();
    for (int k = 1; k < 1000; ++k) {
        const std::string aside = name + ".damaged" + (k == 1 ? "" : std::to_string(k));
        struct stat st;
        if (::lstat(aside.c_str(), &st) == 0) {
            // Kept already by an earlier start whose save did not happen.
            if (st.st_dev == original.st_dev && st.st_ino == original.st_ino) return aside;
            continue;
        }
        if (FileTools::ops().link(name.c_str(), aside.c_str()) == 0 ||
            FileTools::copyFile(name, aside) == 0) {
            syncDirectory(directoryOf(name));
            return aside;
        }
        return std::string();
    }
    return std::string();
}

} // namespace

namespace storage {

bool Journal::isInFile(const ToDoListItem& item) const {
    return item.hasBeenSaved() ||
           (item.getSyncID() != 0 &&
            std::binary_search(numberedAtLoad.begin(), numberedAtLoad.end(), item.getSyncID()));
}

int Journal::getFile(const std::string& dataPath, std::unique_ptr<AtomicFile>& f) {
    if (dataPath.empty()) return -1;
    // Start where the last entry went, unless the files before it are gone.
    // A number that cannot be looked at is never taken for a free one: the
    // new entry would replace the one there.
    unsigned n = nextNr;
    int there = n > 0 ? entryAt(JournalFiles::entryName(dataPath, n - 1)) : 1;
    if (there == 0) n = 0;
    while (there >= 0 && (there = entryAt(JournalFiles::entryName(dataPath, n))) == 1)
        ++n;
    if (there < 0) {
        failureError = errno;
        return -1;
    }
    f = std::make_unique<AtomicFile>(JournalFiles::entryName(dataPath, n));
    if (f->open() != 0) {
        failureError = f->lastError() ? f->lastError() : EIO;
        f.reset();
        return -1;
    }
    nextNr = n;
    writeFileHeader(f->out());
    return 0;
}

int Journal::closeFile(std::unique_ptr<AtomicFile>& f) {
    if (!f) return -1;
    f->out() << "</data>\n";
    // -2: the entry is in place but its folder could not be synced. It is
    // published all the same: writing it again would apply it twice.
    const int r = f->commit();
    const int err = f->lastError();
    f.reset();
    if (r == -1) {
        failureError = err ? err : EIO;
        return -1;
    }
    if (r == -2) {
        ++unsyncedCount;
        unsyncedError = err;
    }
    ++nextNr;
    return 0;
}

int Journal::publish(const std::string& dataPath, std::string entry) {
    // Entries are published strictly in the order of the changes: one that
    // could not be written waits in memory, and every later change first
    // tries to write the ones waiting before it. So a replay never sees a
    // change without the ones before it, and once the disk has room again
    // the journal is complete.
    pending.push_back(std::move(entry));
    while (!pending.empty()) {
        std::unique_ptr<AtomicFile> f;
        int r = getFile(dataPath, f);
        if (r == 0) {
            f->out() << pending.front();
            r = closeFile(f);
        }
        if (r != 0) {
            ++failureCount;
            if (tellsWaiting)
                std::fprintf(stderr, "A change could not be written to the journal; it is kept in "
                                     "memory and written with the next change, or to the data "
                                     "file at the end.\n");
            return -1;
        }
        pending.erase(pending.begin());
    }
    return 0;
}

void Journal::committed() {
    pending.clear();
    nextNr = 0;
}

std::string Journal::newEntry(ToDoListItem& item, ToDoListGroup& parentIn, ToDoListGroup& root,
                              DescriptionCipher* crypt, uint32_t* addedID, uint32_t* parentID) {
    // An entry may only name a parent that a replay will find: one in the data
    // file or in an earlier entry. A parent that is in neither (its own entry
    // was never published) is written together with the new item.
    ToDoListItem* top = &item;
    ToDoListGroup* parent = &parentIn;
    while (parent != &root && !isInFile(*parent)) {
        ToDoListGroup* up = root.getGroupPtr(parent->getPath());
        if (!up) break;
        top = parent;
        parent = up;
    }
    // Writing the record marks the items as saved: an entry that waits in
    // memory is published before any later one, so they count as in a file.
    if (addedID) *addedID = top->getSyncID();
    if (parentID) *parentID = parent->getSyncID();
    return restoreEntry(*top, parent->getSyncID(), crypt, true);
}

std::string Journal::restoreEntry(ToDoListItem& item, uint32_t parentID, DescriptionCipher* crypt,
                                  bool markSaved) {
    std::ostringstream os;
    os << "<new parent=" << parentID << ">\n";
    T_RecordWrite how = RECORD_SAVE;
    how.markSaved = markSaved;
    writeRecord(os, item, crypt, how);
    os << ">\n</new>\n";
    return os.str();
}

std::string Journal::changedEntry(ToDoListItem& item, bool isGroup, DescriptionCipher* crypt,
                                  bool markSaved) {
    std::ostringstream os;
    os << "<changed>\n";
    // A group's entry holds its own lines only, not its children.
    T_RecordWrite how = RECORD_SAVE;
    how.withChildren = !isGroup;
    how.markSaved = markSaved;
    writeRecord(os, item, crypt, how);
    os << "</changed>\n";
    return os.str();
}

std::string Journal::deletedEntry(uint32_t syncID) {
    return "<deleted>\n" + std::to_string(syncID) + "\n</deleted>\n";
}

int Journal::getNrOfFiles(const std::string& dataPath) const {
    if (dataPath.empty()) return 0;
    unsigned n = 0;
    // Entries that cannot be counted are not none: the one that cannot be
    // looked at counts, so that the journal is never taken for empty.
    return JournalFiles::countEntries(dataPath, n) == 0 ? int(n) : int(n) + 1;
}

int Journal::delFiles(const std::string& dataPath) {
    if (dataPath.empty()) return 0;
    // First to last: a run that ends in the middle leaves only files behind a
    // gap, which the next start sets aside instead of replaying them again.
    unsigned count = 0;
    if (JournalFiles::countEntries(dataPath, count) != 0) return -1;
    for (unsigned n = 0; n < count; ++n)
        if (FileTools::rm(JournalFiles::entryName(dataPath, n)) != 0) return -1;
    nextNr = 0;
    return 0;
}

namespace {

// One journal entry being replayed: reads from the file and applies to the
// target's tree through the index.
struct Replay {
    std::istream& in;
    ToDoListGroup& root;
    SyncIDIndex& index;
    unsigned& nrActiveJobs;
    unsigned& idmax;
    T_Calendar& cal;

    int applyNew(const std::string& tagLine) {
        std::string number = tagLine.substr(std::char_traits<char>::length("<new parent="));
        if (!number.empty()) number.pop_back(); // the ">"
        SyncIDIndex::Entry parent;
        if (!index.find(root, parseU32(number), parent) || !parent.isGroup) return -1;
        auto& g = static_cast<ToDoListGroup&>(*parent.item);
        const std::size_t todos = g.getNrToDos(), groups = g.getNrGroups();
        ToDoListGroup own(0, "", 0);
        own = g;
        const bool showCompleted = g.getShowCompleted(), completedLast = g.getCompletedLast();
        // The parent's record reader takes the new record as one more child
        // and stops at the entry's extra ">".
        const int read = readGroupRecord(in, g, nrActiveJobs, idmax, cal);
        // Records without a sync ID read after the last number was handed out
        // are numbered in the whole tree, before they are indexed.
        for (std::size_t i = todos; i < g.getNrToDos(); ++i) {
            numberNewItems(idmax, root, *g.getToDo(i), false);
            index.addSubtree(*g.getToDo(i), false, &g);
        }
        for (std::size_t i = groups; i < g.getNrGroups(); ++i) {
            numberNewItems(idmax, root, *g.getGroup(i), true);
            index.addSubtree(*g.getGroup(i), true, &g);
        }
        // An entry holds the new record only. Lines of the parent's own
        // (summary, sync ID, priority, view flags) mean it is damaged: the
        // parent keeps what it had, so that it is still found by its sync ID.
        if (!(g == own) || g.getShowCompleted() != showCompleted ||
            g.getCompletedLast() != completedLast) {
            g = own;
            g.setShowCompleted(showCompleted);
            g.setCompletedLast(completedLast);
            return -1;
        }
        if (read != 0) return -1;
        return readfLine(in) == "</new>" ? 0 : -1;
    }

    int applyDeleted(JournalTarget& target) {
        const uint32_t id = parseU32(readfLine(in));
        if (readfLine(in) != "</deleted>") return -1;
        SyncIDIndex::Entry e;
        if (!index.find(root, id, e) || !e.parent) return -1;
        if (e.isGroup) {
            auto& g = static_cast<ToDoListGroup&>(*e.item);
            target.beforeJournalDelete(g, true, *e.parent);
            index.removeSubtree(g, true);
            e.parent->delGroup(&g, nrActiveJobs, cal);
            return 0;
        }
        auto& t = static_cast<ToDoListToDo&>(*e.item);
        target.beforeJournalDelete(t, false, *e.parent);
        index.removeSubtree(t, false);
        return e.parent->delToDo(&t, nrActiveJobs, cal);
    }

    int applyChanged() {
        const std::string first = readfLine(in);
        if (first != "t" && first != "g") return -1;
        // The record is read into a scratch item with counters and calendar
        // lists of its own, so that the engine's are not touched.
        unsigned running = 0, ids = 0;
        T_Calendar scratchCal;
        SyncIDIndex::Entry e;
        if (first == "t") {
            ToDoListToDo scratch(0, "");
            const int read = readToDoRecord(in, scratch, running, ids, scratchCal);
            scratch.removeFromCalLists(scratchCal);
            // Without a sync ID of its own the record names no item.
            if (read != 0 || !scratch.hasBeenSaved()) return -1;
            if (!index.find(root, scratch.getSyncID(), e) || e.isGroup) return -1;
            auto& t = static_cast<ToDoListToDo&>(*e.item);
            t.removeFromCalLists(cal);
            scratch.setID(t.getID());
            scratch.setPath(t.getPath());
            t = scratch;            // every field; the item stays in place
            t.sanitizeTimeThings(); // files it by the fields it will keep
            t.putIntoCalList(cal);
            return 0;
        }
        ToDoListGroup scratch(0, "", 0);
        const int read = readGroupRecord(in, scratch, running, ids, scratchCal);
        scratch.removeFromCalLists(scratchCal);
        if (read != 0 || !scratch.hasBeenSaved()) return -1;
        if (!index.find(root, scratch.getSyncID(), e) || !e.isGroup) return -1;
        auto& g = static_cast<ToDoListGroup&>(*e.item);
        scratch.setID(g.getID());
        scratch.setPath(g.getPath());
        g = scratch; // summary and priority; children and flags stay
        return 0;
    }

    // Applies the entry whose tag line is line, and each entry after it in
    // the same file (taking a step back writes all its entries in one file,
    // so that a crash leaves all of them or none).
    int applyFrom(std::string line, JournalTarget& target) {
        for (;;) {
            const int r = startsWith(line, "<new parent=") ? applyNew(line)
                          : startsWith(line, "<deleted>")  ? applyDeleted(target)
                                                           : applyChanged();
            if (r != 0) return r;
            do {
                line = readfLine(in);
                if (!in || line == "</data>") return 0;
            } while (!isEntryTag(line));
        }
    }
    static bool isEntryTag(const std::string& line) {
        return startsWith(line, "<new parent=") || startsWith(line, "<deleted>") ||
               startsWith(line, "<changed>");
    }
};

} // namespace

int Journal::apply(const std::string& entries, JournalTarget& target, SyncIDIndex* given) {
    std::istringstream in(entries);
    std::string line;
    while (std::getline(in, line) && !Replay::isEntryTag(line)) {
    }
    if (!Replay::isEntryTag(line)) return -1;
    ToDoListGroup& root = target.journalRoot();
    SyncIDIndex own;
    if (!given) own.build(root);
    SyncIDIndex& index = given ? *given : own;
    unsigned& running = target.journalRunningCount();
    Replay replay{in, root, index, running, target.journalIdMax(), target.journalCalendar()};
    const int r = replay.applyFrom(line, target);
    root.checkCompleted();
    running = root.getNrActiveJobs();
    return r;
}

int Journal::readFiles(const std::string& dataPath, JournalTarget& target, std::string& errorFile,
                       bool readOnly) {
    damaged.clear();
    empty.clear();
    ToDoListGroup& root = target.journalRoot();
    unsigned& nrActiveJobs = target.journalRunningCount();
    uint32_t& idmax = target.journalIdMax();
    T_Calendar& cal = target.journalCalendar();
    // A save that a crash interrupted is finished first, so that the journal
    // read below is exactly the one that applies to the data file as it is.
    if (!readOnly && !dataPath.empty() && JournalFiles::recover(dataPath, errorFile) != 0)
        return -2;
    int result = 0;
    SyncIDIndex index;
    bool indexed = false;
    for (unsigned n = 0; !dataPath.empty(); ++n) {
        const std::string name = JournalFiles::entryName(dataPath, n);
        // The journal ends at the first number where nothing stands. A
        // number that cannot be looked at, or a file of ours that cannot be
        // opened or read, ends the replay with an error instead: taking it
        // for the end would commit without it and lose its change and every
        // later one.
        const int there = entryAt(name);
        if (there == 0) break;
        if (there < 0) {
            errorFile = name + ": " + std::strerror(errno);
            return -4;
        }
        // Journal files are Velk's own: a link, a FIFO or a device in the
        // place of one was put there by someone else, and opening a FIFO or
        // a device could hang the start. Such a file is named and refused.
        ReadFile in;
        std::string reason;
        const int opened = openRegularFile(name, false, in, reason);
        if (opened != 0) {
            struct stat st;
            const bool regular = ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
            errorFile = name + ": " + (opened == -1 ? std::strerror(ENOENT) : reason.c_str());
            return regular || opened == -1 ? -4 : -3;
        }
        std::string line;
        for (;;) {
            line = readfLine(in);
            if (Replay::isEntryTag(line)) break;
            if (in.eof() || in.fail()) {
                line.clear();
                break;
            }
        }
        if (in.error() != 0) {
            errorFile = name + ": " + in.errorText();
            return -4;
        }
        if (line.empty()) {
            // A file without an entry is passed over. An empty one is a
            // change that was lost on its way to the disk; one that holds
            // anything else is damaged: its change would be lost with it, so
            // a copy is kept aside before the journal goes.
            in.clear();
            in.seekg(0);
            if (in.peek() == std::char_traits<char>::eof() && in.error() == 0) {
                empty.push_back(name);
                continue;
            }
            const bool onlyFixed = holdsOnlyFixedLines(in);
            if (in.error() != 0) {
                errorFile = name + ": " + in.errorText();
                return -4;
            }
            if (!onlyFixed) {
                std::string aside = readOnly ? std::string() : setAsideDamaged(name);
                damaged.emplace_back(name, aside);
            }
            continue;
        }
        if (!indexed) {
            index.build(root);
            indexed = true;
        }
        Replay replay{in, root, index, nrActiveJobs, idmax, cal};
        const int r = replay.applyFrom(line, target);
        if (r != 0) {
            nrActiveJobs = root.getNrActiveJobs();
            // A read that failed is no damage of the entry: it may read the
            // next time.
            if (in.error() != 0) {
                errorFile = name + ": " + in.errorText();
                return -4;
            }
            errorFile = name;
            return -1;
        }
        result = 1;
    }
    nextNr = 0;
    // Nothing was replayed: the tree and its counts are as loaded.
    if (result == 0) return 0;
    root.checkCompleted();
    // A replayed record may have started or stopped a recording: count anew.
    nrActiveJobs = root.getNrActiveJobs();
    return result;
}

std::vector<std::string> Journal::straysBehindGap(const std::string& dataPath) const {
    std::vector<std::string> strays;
    if (dataPath.empty()) return strays;
    const std::string base = baseNameOf(dataPath);
    const std::string prefix = dataPath.substr(0, dataPath.size() - base.size());
    // Where the run from 0 cannot be counted, no file is known to lie behind it.
    unsigned run = 0;
    if (JournalFiles::countEntries(dataPath, run) != 0) return strays;
    for (const std::string& name : namesInDirectory(directoryOf(dataPath))) {
        if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0 ||
            !allDigits(name, base.size(), name.size()))
            continue;
        const std::string digits = name.substr(base.size());
        // Only names the numbering produces: no leading zeros.
        if (digits.size() > 1 && digits[0] == '0') continue;
        if (digits.size() > 9 || unsigned(std::stoul(digits)) < run) continue;
        strays.push_back(prefix + name);
    }
    std::sort(strays.begin(), strays.end());
    return strays;
}

std::vector<std::pair<std::string, std::string>>
Journal::setAsideStrays(const std::string& dataPath) {
    std::vector<std::pair<std::string, std::string>> moved;
    if (dataPath.empty()) return moved;
    const std::string base = baseNameOf(dataPath);
    const std::string prefix = dataPath.substr(0, dataPath.size() - base.size());
    for (const std::string& name : namesInDirectory(directoryOf(dataPath)))
        if (isLeftoverTemporary(name, base)) FileTools::rm(prefix + name);
    for (const std::string& from : straysBehindGap(dataPath)) {
        std::string to = from + ".orphan";
        struct stat st;
        for (int k = 2; ::lstat(to.c_str(), &st) == 0; ++k)
            to = from + ".orphan" + std::to_string(k);
        if (FileTools::ops().rename(from.c_str(), to.c_str()) == 0) moved.emplace_back(from, to);
    }
    return moved;
}

} // namespace storage
