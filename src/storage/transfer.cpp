// Transfer files: groups and entries copied to the clipboard file or exported
// to a named file, and inserted from such a file. A transfer file is a data
// file without header values whose records carry no sync IDs, so inserted
// items always get new identities.

#include "common/text.h"
#include "engine/velk.h"
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

namespace {

const char* const fixedLines = "<type=Velk>\n<version=0.54>\n<data>\n";

// Writes a transfer file through writeRecords, replacing the file as one step;
// a private file (the clipboard) is owner-only and never replaces anything but
// a regular file of the user's own. Results: 0 written; -3 the file cannot be
// written (error: the system's reason); -4 refused, not a regular file of the
// user's own. On failure the file stays as it was.
template <class F>
int writeTransferFile(const char* name, bool privateFile, std::string& error, F writeRecords) {
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
        file.out() << fixedLines;
        writeRecords(file.out());
        file.out() << "</data>\n";
        if (file.commit() != -1) return 0;
    }
    error = std::strerror(file.lastError() ? file.lastError() : EIO);
    return -3;
}

} // namespace

int Velk::exportGroupToFile(const char* name, bool privateFile) {
    if (opts.mainviewtype == MAINVIEW_ACTIVE) return -1;
    if (opts.mainviewtype == MAINVIEW_SEARCH) {
        // The hits, in a group that is not in the tree.
        return writeTransferFile(name, privateFile, transferError, [this](std::ostream& os) {
            os << "g\nssearch results\n";
            for (ToDoListItem* hit : viewItems)
                if (hit) writeRecord(os, *hit, &crypt, RECORD_EXPORT);
            os << ">\n";
        });
    }
    if (!curGroup) return -1;
    return writeTransferFile(name, privateFile, transferError, [this](std::ostream& os) {
        writeGroupRecord(os, *curGroup, &crypt, RECORD_EXPORT);
    });
}

int Velk::exportContentToFile(const char* name, bool privateFile) {
    if (opts.mainviewtype == MAINVIEW_ACTIVE) return -1;
    if (opts.mainviewtype == MAINVIEW_SEARCH) {
        return writeTransferFile(name, privateFile, transferError, [this](std::ostream& os) {
            for (ToDoListItem* hit : viewItems)
                if (hit) writeRecord(os, *hit, &crypt, RECORD_EXPORT);
        });
    }
    if (!curGroup) return -1;
    return writeTransferFile(name, privateFile, transferError, [this](std::ostream& os) {
        T_RecordWrite contentOnly = RECORD_EXPORT;
        contentOnly.withRecord = false;
        writeGroupRecord(os, *curGroup, &crypt, contentOnly);
    });
}

int Velk::exportToDoToFile(const char* name, bool privateFile) {
    if (!curItem) return -1;
    return writeTransferFile(name, privateFile, transferError, [this](std::ostream& os) {
        writeToDoRecord(os, *curItem, &crypt, RECORD_EXPORT);
    });
}

int Velk::exportRowsToFile(const char* name, const std::vector<unsigned>& rows, bool privateFile) {
    return writeTransferFile(name, privateFile, transferError, [this, &rows](std::ostream& os) {
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
    // A file the user names may be a link; anything that is not a regular
    // file is refused instead of blocking the program on a FIFO.
    std::ifstream in;
    std::string reason;
    const int opened = name ? openRegularFile(name, followLinks, in, reason) : -1;
    transferError = name ? reason : std::strerror(ENOENT);
    if (opened == -2) std::fprintf(stderr, "Cannot import %s: %s.\n", name, reason.c_str());
    if (opened != 0) return -3;

    ToDoListGroup* const parent = curGroup;
    const std::string parentPath = curGroupPath;
    if (parent->getLevel() >= MAX_GROUP_LEVEL) {
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
                ToDoListGroup* g = parent->newGroup();
                setGroup(g);
                readGroupRecord(in, *g, nrActiveJobs, foreignIDs, cal);
                item = g;
            } else {
                ToDoListToDo* t = parent->newToDo();
                curItem = t;
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
            numberNewItems(idmax, *root, *item, isGroup);
            incsave_writeNew(*item, *parent);
            curGroup = parent;
            curGroupPath = parentPath;
        }
        if (in.eof() || in.fail()) break;
    }
    root->checkCompleted();
    // Running todos of the file run on; a record cut short does not count.
    nrActiveJobs = root->getNrActiveJobs();
    return ended ? 0 : -2;
}
