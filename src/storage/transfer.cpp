// Transfer files: groups and entries copied to the clipboard file or exported
// to a named file, and inserted from such a file.

#include "storage/transfer.h"

#include "common/text.h"
#include "model/calendar.h"
#include "model/group.h"
#include "model/sync_ids.h"
#include "storage/file_tools.h"
#include "storage/records.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

int writeTransferFile(const char* name, bool privateFile, std::string& error,
                      const std::function<void(std::ostream&)>& writeRecords) {
    error.clear();
    if (!name || !*name) {
        error = std::strerror(ENOENT);
        return -3;
    }
    AtomicFile file(name,
                    privateFile ? AtomicFile::Mode::Private : AtomicFile::Mode::KeepPermissions);
    const int opened = file.open();
    if (opened == -2) return -4;
    if (opened == 0) {
        writeFileHeader(file.out());
        writeRecords(file.out());
        file.out() << "</data>\n";
        if (file.commit() != -1) return 0;
    }
    error = std::strerror(file.lastError() ? file.lastError() : EIO);
    return -3;
}

int exportGroup(const char* name, bool privateFile, ToDoListGroup& group, DescriptionCipher* crypt,
                std::string& error) {
    return writeTransferFile(name, privateFile, error, [&](std::ostream& os) {
        writeGroupRecord(os, group, crypt, RECORD_EXPORT);
    });
}

int exportContent(const char* name, bool privateFile, ToDoListGroup& group,
                  DescriptionCipher* crypt, std::string& error) {
    return writeTransferFile(name, privateFile, error, [&](std::ostream& os) {
        T_RecordWrite contentOnly = RECORD_EXPORT;
        contentOnly.withRecord = false;
        writeGroupRecord(os, group, crypt, contentOnly);
    });
}

int exportToDo(const char* name, bool privateFile, ToDoListToDo& todo, DescriptionCipher* crypt,
               std::string& error) {
    return writeTransferFile(name, privateFile, error, [&](std::ostream& os) {
        writeToDoRecord(os, todo, crypt, RECORD_EXPORT);
    });
}

int exportItems(const char* name, bool privateFile, const std::vector<ToDoListItem*>& items,
                bool asGroup, DescriptionCipher* crypt, std::string& error) {
    // The search hits are exported as a group that is not in the tree.
    return writeTransferFile(name, privateFile, error, [&](std::ostream& os) {
        if (asGroup) os << "g\nssearch results\n";
        for (ToDoListItem* item : items)
            if (item) writeRecord(os, *item, crypt, RECORD_EXPORT);
        if (asGroup) os << ">\n";
    });
}

namespace {

// Whether line opens an iCalendar file (after a byte order mark, in any case).
bool isICalendarLine(std::string line) {
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    return strU(trim(line)) == "BEGIN:VCALENDAR";
}

} // namespace

int insertFromFile(const char* name, bool followLinks, ToDoListGroup& root, ToDoListGroup& parent,
                   unsigned& nrActiveJobs, uint32_t& idmax, T_Calendar& cal, std::string& error,
                   const std::function<void(ToDoListItem& item, bool isGroup)>& inserted) {
    // A file the user names may be a link; anything that is not a regular
    // file is refused instead of blocking the program on a FIFO.
    ReadFile in;
    std::string reason;
    const int opened = name ? openRegularFile(name, followLinks, in, reason) : -1;
    error = name ? reason : std::strerror(ENOENT);
    if (opened == -2) std::fprintf(stderr, "Cannot import %s: %s.\n", name, reason.c_str());
    if (opened != 0) return -3;
    // A calendar file is not one of Velk's: it would insert nothing, silently.
    if (isICalendarLine(readfLine(in))) {
        error = "it is an iCalendar file; \"import iCalendar...\" takes its entries";
        return -3;
    }
    in.clear();
    in.seekg(0);

    if (parent.getLevel() >= MAX_GROUP_LEVEL) {
        // No group may go below the deepest level: a file that holds one is
        // refused before anything is inserted. The todo records are read into
        // a scratch record on the way, so that no line of a description is
        // taken for a record of its own.
        for (;;) {
            const std::string line = readfLine(in);
            if (line == "g") {
                std::fprintf(stderr, "%s\n", GROUPS_TOO_DEEP);
                return INSERT_TOO_DEEP;
            }
            if (line == "t") {
                unsigned running = 0, ids = 0;
                T_Calendar scratchCal;
                ToDoListToDo scratch(0, "");
                readToDoRecord(in, scratch, running, ids, scratchCal);
                scratch.removeFromCalLists(scratchCal);
            }
            if (line == "</data>" || in.eof() || in.fail()) break;
        }
        in.clear();
        in.seekg(0);
    }
    bool ended = false;
    for (;;) {
        const std::string line = readfLine(in);
        if (line == "</data>") {
            ended = true;
            break;
        }
        if (line == "g" || line == "t") {
            const bool isGroup = line == "g";
            ToDoListItem* item;
            // Sync IDs in the file belong to another tree (a whole data file or
            // a journal given to import): they are read into a scratch counter
            // and replaced below.
            unsigned foreignIDs = 0;
            if (isGroup) {
                ToDoListGroup* g = parent.newGroup();
                readGroupRecord(in, *g, nrActiveJobs, foreignIDs, cal);
                item = g;
            } else {
                ToDoListToDo* t = parent.newToDo();
                if (readToDoRecord(in, *t, nrActiveJobs, foreignIDs, cal) != 0) {
                    // A record cut short stays inserted as far as it was read.
                    t->sanitizeTimeThings();
                    t->putIntoCalList(cal);
                }
                item = t;
            }
            // The foreign numbers go first, so that at the end of the range
            // of sync IDs they do not count as used in this tree.
            forEachInSubtree(*item, isGroup, [](ToDoListItem& i) {
                i.setSyncID(0);
                i.hasBeenSaved(false);
            });
            numberNewItems(idmax, root, *item, isGroup);
            inserted(*item, isGroup);
        }
        if (in.eof() || in.fail()) break;
    }
    root.checkCompleted();
    // Running todos of the file run on; a record cut short does not count.
    nrActiveJobs = root.getNrActiveJobs();
    return ended ? 0 : -2;
}

} // namespace storage
