#include "app/terminal_changes.h"

#include "engine/plain_views.h"
#include "storage/file_lock.h"

#include <cstring>
#include <functional>
#include <iostream>

int lockForChange(DataFileLock& lock, const std::string& path, const char* nothing,
                  std::ostream& err) {
    const int locked = lock.acquire(path);
    if (locked == 0) return 0;
    err << "velk: "
        << (locked == -1   ? "Velk is already running on the data file " + path
            : locked == -3 ? lock.reason()
                           : "cannot take the lock file " + lock.name() + ": " + lock.reason())
        << "; " << nothing << "\n";
    return EXIT_TERMINAL_REFUSED;
}

// Runs a command that changes the organizer through the journal, as the
// window would: takes the lock first (a window open on the file would
// otherwise write its own data over the change), loads the data file and
// replays the journal of the runs before (not merged: the change follows it,
// and the next start merges them all; only an interrupted save is finished,
// which every start does first), then calls change with the organizer.
// nothing ends every refusal ("nothing was added"). Result: the exit code.
int changeThroughJournal(const std::string& path, const char* nothing, std::ostream& err,
                         const std::function<int(Velk&, DiagnosticsToStderr&)>& change) {
    DataFileLock lock;
    if (const int refused = lockForChange(lock, path, nothing, err)) return refused;
    // A data file that is not there yet is made by this change, as the
    // window makes it at the end of its first run.
    const bool creates = entryAt(path) == 0;
    Velk v;
    // The run ends after its change: nothing waits in memory for a later one.
    v.incsave_tellWhenWaiting(false);
    // What the command prints at the end is its only output.
    DiagnosticsToStderr diagnostics;
    const int read = v.openDataFile(path.c_str());
    if (read != 0) {
        err << "velk: " << readFailure(v, read, path) << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    std::string journalError, told;
    if (v.incsave_readFiles(journalError) < 0) {
        err << "velk: the journal beside " << path << " cannot be replayed: " << journalError
            << "; " << nothing << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    for (const auto& d : v.incsave_damagedFiles())
        err << "velk: the journal file " << d.first
            << " holds no change Velk can read; it was passed over"
            << (d.second.empty() ? std::string() : " and kept as " + d.second) << "\n";
    tellEmptyEntries(v, err);
    if (v.loadUndoHistory(told), !told.empty()) err << "velk: " << told << "\n";
    int result = change(v, diagnostics);
    T_SaveReport report;
    if (result == EXIT_TERMINAL_OK && creates && v.saveData(report) != 0) {
        err << "velk: the new data file " << path << " could not be written: " << report.error
            << "; the change is kept in the journal beside it, and the next start writes it\n";
        result = EXIT_TERMINAL_REFUSED;
    }
    // The tree stays as it is: the journal holds the change, and the data
    // file is written by the next start.
    v.itemTree().leaveTreeToTheSystem();
    return result;
}

namespace {

// The group a changing command names, told on err when there is none.
ToDoListGroup* namedGroup(Velk& v, const std::string& path, const char* nothing,
                          std::ostream& err) {
    std::string error;
    ToDoListGroup* group = nullptr;
    if (groupAtPath(*v.getRoot(), path, group, error) == 0) return group;
    err << "velk: " << error << "; " << nothing << "\n";
    return nullptr;
}

// A journal file behind a gap was written for another data file; a new entry
// must not close the gap in front of it.
void setAsideStrays(Velk& v, std::ostream& err) {
    for (const auto& s : v.incsave_setAsideStrays())
        err << "velk: the journal file " << s.first
            << " lies behind a gap in the numbering; it is kept as " << s.second << "\n";
}

} // namespace

void tellEmptyEntries(Velk& v, std::ostream& err) {
    for (const std::string& name : v.incsave_emptyFiles())
        err << "velk: the journal file " << name
            << " is empty: the change it was written for never reached the disk and is lost\n";
}

int addEntry(const std::string& path, const TerminalRequest& r, std::ostream& out,
             std::ostream& err) {
    const char* nothing = "nothing was added";
    return changeThroughJournal(path, nothing, err, [&](Velk& v, DiagnosticsToStderr& diag) {
        if (!namedGroup(v, r.item.groupPath, nothing, err)) return EXIT_TERMINAL_BAD_INPUT;
        setAsideStrays(v, err);
        uint32_t syncID = 0;
        std::string error;
        const int added = v.addItem(r.item, syncID, error);
        if (added == UserActions::ADD_NO_GROUP) {
            err << "velk: " << error << "; " << nothing << "\n";
            return EXIT_TERMINAL_BAD_INPUT;
        }
        if (added != 0) {
            err << "velk: the journal file beside " << path << " could not be written ("
                << std::strerror(v.incsave_failureErrno()) << "); " << nothing << "\n";
            return EXIT_TERMINAL_REFUSED;
        }
        diag.end();
        out << syncID << '\n';
        if (v.incsave_unsyncedCount() != 0) {
            // As a save whose folder could not be synced: written, but not for sure.
            err << "velk: the entry was written to the journal beside " << path
                << ", but its folder could not be synced ("
                << std::strerror(v.incsave_unsyncedErrno())
                << "); a power loss may still lose it\n";
            return EXIT_TERMINAL_REFUSED;
        }
        return EXIT_TERMINAL_OK;
    });
}

int exportCalendar(const std::string& path, const TerminalRequest& r, std::ostream& out,
                   std::ostream& err) {
    const char* nothing = "nothing was exported";
    return changeThroughJournal(path, nothing, err, [&](Velk& v, DiagnosticsToStderr& diag) {
        ToDoListGroup* group = namedGroup(v, r.item.groupPath, nothing, err);
        if (!group) return EXIT_TERMINAL_BAD_INPUT;
        T_IcsExportReport report;
        // Without a window nobody can log in: enciphered descriptions stay behind.
        const int exported = v.exportICalendar(r.text, *group, false, report);
        if (exported == -3) {
            err << "velk: " << report.error << "; " << r.text << " was not written\n";
            return EXIT_TERMINAL_REFUSED;
        }
        if (exported != 0) {
            err << "velk: cannot write " << r.text << ": " << report.error << "; " << nothing
                << "\n";
            return exported == -2 ? EXIT_TERMINAL_BAD_INPUT : EXIT_TERMINAL_REFUSED;
        }
        if (report.encipheredLeftOut != 0)
            err << "velk: " << report.encipheredLeftOut
                << " enciphered description(s) were left out; export from the window while "
                   "logged in to take them along\n";
        diag.end();
        out << "exported " << Velk::entriesText(report.entries) << " to " << r.text << '\n';
        return EXIT_TERMINAL_OK;
    });
}

int importCalendar(const std::string& path, const TerminalRequest& r, std::ostream& out,
                   std::ostream& err) {
    const char* nothing = "nothing was imported";
    return changeThroughJournal(path, nothing, err, [&](Velk& v, DiagnosticsToStderr& diag) {
        const bool intoGroup = !r.item.groupPath.empty();
        ToDoListGroup* parent = namedGroup(v, r.item.groupPath, nothing, err);
        if (!parent) return EXIT_TERMINAL_BAD_INPUT;
        setAsideStrays(v, err);
        const std::string name = intoGroup ? std::string() : Velk::iCalendarGroupName(r.text);
        storage::T_IcsImportReport report;
        const int imported = v.importICalendar(r.text, *parent, name, report);
        if (imported == Velk::INSERT_TOO_DEEP) {
            err << "velk: the group is at the deepest level; " << nothing << "\n";
            return EXIT_TERMINAL_BAD_INPUT;
        }
        if (imported != 0) {
            err << "velk: " << report.error << "; " << nothing << "\n";
            return EXIT_TERMINAL_BAD_INPUT;
        }
        if (v.incsave_hasUnjournaledChanges()) {
            err << "velk: the journal file beside " << path << " could not be written; " << nothing
                << "\n";
            return EXIT_TERMINAL_REFUSED;
        }
        diag.end();
        out << "imported " << Velk::entriesText(report.entries) << " into the group "
            << (!intoGroup                   ? "/" + name
                : r.item.groupPath[0] == '/' ? r.item.groupPath
                                             : "/" + r.item.groupPath);
        const std::string counts = Velk::importCountsText(report);
        out << (counts.empty() ? "" : " (" + counts + ")") << '\n';
        if (report.rulesAsText != 0)
            out << report.rulesAsText
                << " of them repeat in a way Velk cannot hold: each has its first date, and "
                   "its rule is at the top of its description\n";
        if (report.datesDropped != 0)
            out << report.datesDropped
                << " dates lay outside the years 2000 to 2127 and were left out\n";
        if (report.linesSkipped != 0)
            out << report.linesSkipped
                << " broken lines of properties Velk does not read were passed over\n";
        if (report.duplicatesDropped != 0)
            out << report.duplicatesDropped
                << " older versions of entries (the same UID) were left out\n";
        return EXIT_TERMINAL_OK;
    });
}

int takeStep(const std::string& path, const TerminalRequest& r, std::ostream& out,
             std::ostream& err) {
    const bool back = r.command == TerminalCommand::Undo;
    const char* nothing = back ? "nothing was undone" : "nothing was redone";
    return changeThroughJournal(path, nothing, err, [&](Velk& v, DiagnosticsToStderr& diag) {
        const std::string step = back ? v.undoLabel() : v.redoLabel();
        if (step.empty()) {
            err << "velk: there is no step to " << (back ? "undo" : "redo") << "\n";
            return EXIT_TERMINAL_REFUSED;
        }
        diag.end();
        out << (back ? "undo: " : "redo: ") << step << "\n" << std::flush;
        if (!r.yes) {
            if (!::isatty(STDIN_FILENO)) {
                err << "velk: without a terminal to ask, --yes says to go on; " << nothing << "\n";
                return EXIT_TERMINAL_BAD_INPUT;
            }
            err << (back ? "Undo" : "Redo") << " it? [y/N] " << std::flush;
            std::string answer;
            std::getline(std::cin, answer);
            if (answer != "y" && answer != "yes") {
                err << "velk: " << nothing << "\n";
                return EXIT_TERMINAL_REFUSED;
            }
        }
        std::string label, error;
        uint32_t shown = 0;
        if ((back ? v.undo(label, shown, error) : v.redo(label, shown, error)) != 0) {
            err << "velk: " << error << " " << nothing << "\n";
            return EXIT_TERMINAL_REFUSED;
        }
        out << (back ? "undone\n" : "redone\n");
        return EXIT_TERMINAL_OK;
    });
}
