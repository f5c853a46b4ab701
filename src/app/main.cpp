// Program entry: chooses the data file, loads it into the organizer engine,
// runs the main window and saves the data file at the end when needed.

#include "app/command_line.h"
#include "app/config.h"
#include "app/terminal.h"
#include "engine/velk.h"
#include "gui/reminder_watch.h"
#include "gui/sync_watch.h"
#include "gui/ui_scale.h"
#include "gui/velk_gui.h"
#include "storage/external_edit.h"
#include "storage/file_lock.h"
#include "storage/file_tools.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

// The one organizer engine of the process.
Velk* velk = nullptr;

namespace {

// The clipboard file of cut, copy and paste, in the current directory. Every
// run starts with it empty.
const char* const clipboardFile = "velkXXXXXX.tmp";

// A message that must reach the user: a dialog, or standard error in a
// headless run, which must never need a display.
void tellUser(const std::string& text, bool headless) {
    if (headless)
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        fl_alert("%s", text.c_str());
}

// Builds and shows the main window and runs the event loop until the last
// window closes. Result: the event loop's exit code.
int runWindow(const CommandLine& cl, std::function<int(std::string&)> saveAtEnd) {
    unsigned w = 0, h = 0;
    velk->windowSize(w, h);
    setUiScale(velkconfig.scale > 0 ? velkconfig.scale : desktopScaleOfDisplay());
    make_windows(cl.path.c_str(), int(w), int(h));
    mainWin->init(velk, clipboardFile);
    mainWin->setSaveAtEnd(std::move(saveAtEnd));
    mainWin->showMain(SCREEN_LIST);
    mainWin->setMenuActive();
    mainWin->showList(velk->getMainViewType() == MAINVIEW_CALENDAR ? velk->guiData().nLineCal
                                                                    : velk->guiData().nLineNormal);
    if (cl.startInCalendar) {
        mainWin->CB_Menu_VelkView(MAINVIEW_CALENDAR);
        velk->setCalFirstDay(cl.startDate);
        mainWin->showList(0);
    }
    mainWin->show();
    Fl::add_timeout(1.0, updateClock);
    mainWin->updateClock();
    ReminderWatch reminders(*velk);
    reminders.start();
    SyncWatch sync(*velk, *mainWin, velkconfig.syncEveryMinutes);
    mainWin->setSyncWatch(&sync);
    sync.start();
    const int ended = Fl::run();
    mainWin->setSyncWatch(nullptr);
    return ended;
}

// Tells the outcome r of a save of the data file: saveData's result (0 saved;
// -1 nothing changed; -2 saved but not synced), printed as "write to file: 0"
// or "-1", and what was done beside the save. Returns r.
int tellSave(int r, const T_SaveReport& report, const std::string& path, std::string& error,
             bool headless) {
    std::printf("write to file: %i\n", r == 0 ? 0 : -1);
    std::fflush(stdout);
    for (const std::string& w : report.warnings)
        std::fprintf(stderr, "Saving %s: %s\n", path.c_str(), w.c_str());
    if (report.backupsDropped)
        tellUser("Descriptions that the data file held in plain text are now enciphered.\n"
                 "The backups " + path + "b0, b1 and b2, which still held the plain text, "
                 "were removed.",
                 headless);
    if (r == -2) std::fprintf(stderr, "Saving %s: %s\n", path.c_str(), report.error.c_str());
    error = report.error;
    return r;
}

// Tells of journal files that held no readable change, and of empty ones:
// each of those is a change that never reached the disk.
void tellDamaged(bool headless) {
    for (const std::string& name : velk->incsave_emptyFiles()) {
        const bool gone = entryAt(name) == 0;
        const std::string text =
            "The journal file " + name + " was empty: the change it was written for never " +
            "reached the disk and is lost.\nThe empty file " +
            (gone ? "was removed." : "is removed with the next save of the data file.");
        std::fprintf(stderr, "%s\n", text.c_str());
        if (!headless) tellUser(text, headless);
    }
    for (const auto& d : velk->incsave_damagedFiles()) {
        std::string text = "The journal file " + d.first +
                           " holds no change Velk can read; it was passed over ";
        text += d.second.empty() ? "and could not be kept aside." : "and kept as " + d.second + ".";
        std::fprintf(stderr, "%s\n", text.c_str());
        if (!headless) tellUser(text, headless);
    }
}

// Tells of rescue copies saved after the data file was last written: they
// hold changes that the data file may not have.
void tellRescueCopies(const std::vector<T_RescueCopy>& copies, const std::string& path,
                      bool headless) {
    for (const T_RescueCopy& copy : copies) {
        char when[32] = "";
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", std::localtime(&copy.saved));
        tellUser("A rescue copy of " + path + " was saved to " + copy.path + " on " + when +
                     ".\nIt may hold changes that " + path +
                     " lacks. To open it, start Velk with:\n    velk -f " + copy.path +
                     "\nRemove it once you no longer need it, and this note goes.",
                 headless);
    }
}

} // namespace

#ifdef __SANITIZE_ADDRESS__
// Memory that the system's font and X libraries keep until the process ends is
// not ours to free; the leak checker of the sanitizer build skips it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libX11.so\n";
}
#endif

int main(int argc, char** argv) {
    ReadConfigFile();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // A long option makes a terminal run: it prints or adds without a window.
    if (isTerminalCommandLine(args)) {
        TerminalRequest request;
        std::string error;
        if (parseTerminalCommand(args, request, error) != 0) {
            std::fprintf(stderr, "velk: %s (see velk --help)\n", error.c_str());
            return EXIT_TERMINAL_BAD_INPUT;
        }
        // The agenda of a big file has hundreds of thousands of lines: the
        // streams buffer them instead of passing each one on to stdio.
        std::ios_base::sync_with_stdio(false);
        return runTerminalCommand(request, std::cout, std::cerr);
    }
    startScratchFolder(GetHomeDir()); // private folder of the external editor's files
    CommandLine cl;
    defaultFile(cl.path);
    parseCommandLine(args, cl);
    if (!cl.dateError.empty()) std::fprintf(stderr, "%s\n", cl.dateError.c_str());
    const bool headless = cl.noWindow;

    // A data file reached through a symbolic link is read and replaced where
    // the link leads, so that the link stays a link to the updated file. The
    // lock, the journal, the temporary file and the backups all go beside the
    // real file; messages and the window title keep the name the user gave.
    const std::string dataPath = resolveDataFilePath(cl.path);

    // One run per data file, from before it is read until after the last
    // write. Without the lock two runs would delete each other's files, so a
    // run that cannot take it does not start.
    DataFileLock lock;
    const int locked = lock.acquire(dataPath);
    if (locked == -1) {
        tellUser("Velk is already running on the data file " + cl.path +
                     ".\nClose that run first; nothing was changed.",
                 headless);
        return -1;
    }
    if (locked == -3) {
        tellUser("Velk cannot open " + cl.path + ": " + lock.reason() + ".\nNothing was changed.",
                 headless);
        return -1;
    }
    if (locked != 0) {
        tellUser("Cannot take the lock file " + lock.name() + ": " + lock.reason() +
                     ".\nNothing was changed.",
                 headless);
        return -1;
    }

    velk = new Velk();
    velk->setEditorCommand(velkconfig.editor);
    velk->setRemindDateOnlyMinutes(velkconfig.remindDateOnlyMinutes);
    velk->setHomeFolder(GetHomeDir());
    int loaded = velk->openDataFile(dataPath.c_str());
    if (loaded == -2) {
        tellUser("Cannot read the data file " + cl.path +
                     ": it exists but is not a readable file (" + velk->getReadDataError() +
                     ").\nNothing was changed.",
                 headless);
        delete velk;
        return -1;
    }
    if (loaded != 0) {
        tellUser("Master data file corrupt. Read Documentation about data recovery.", headless);
        delete velk;
        return -1;
    }

    // Journal files left by a run that did not end normally are replayed onto
    // the loaded tree and merged into the data file in one commit with it.
    std::string journalError;
    int mergeSaved = 0;
    T_SaveReport mergeReport;
    std::vector<std::pair<std::string, std::string>> strays;
    // Before the merge writes the data file, which rescue copies are newer.
    const std::vector<T_RescueCopy> rescued = velk->newerRescueCopies();
    int merged = velk->mergeJournalAtStart(journalError, mergeSaved, mergeReport, strays);
    if (merged == -2) {
        tellUser("The journal beside " + cl.path + " is left from a save that was interrupted, "
                 "and cannot be sorted out:\n" + journalError + "\nNothing was changed.",
                 headless);
        delete velk;
        return -1;
    }
    if (merged == -3) {
        tellUser("The journal file " + journalError +
                     ".\nVelk reads only journal files of its own. Move it away and start "
                     "again; nothing was changed.",
                 headless);
        delete velk;
        return -1;
    }
    if (merged == -4) {
        tellUser("Cannot read the journal file " + journalError +
                     ".\nNothing was merged and nothing was changed: every journal file stays "
                     "as it was, and the next start tries again.",
                 headless);
        delete velk;
        return -1;
    }
    if (merged != 0 && merged != 1) {
        tellUser("Incremental file corrupt:\n" + journalError +
                     "\nRead Documentation about data recovery.",
                 headless);
        delete velk;
        return -1;
    }
    if (merged == 1) {
        std::string error;
        if (tellSave(mergeSaved, mergeReport, dataPath, error, headless) == -1)
            tellUser("The data file " + cl.path + " could not be written; it was left as it was.\n" +
                         error + "\nThe journal files beside it are kept and will be merged at "
                         "the next start.",
                     headless);
    }
    tellDamaged(headless);
    tellRescueCopies(rescued, cl.path, headless);
    if (!velk->undoHistoryNote().empty()) tellUser(velk->undoHistoryNote(), headless);
    for (const auto& stray : strays)
        std::fprintf(stderr,
                     "Journal file %s lies behind a gap in the numbering and was not "
                     "replayed; it is kept as %s for recovery by hand.\n",
                     stray.first.c_str(), stray.second.c_str());

    // Nothing can be copied or pasted without a window, so a headless run
    // makes no clipboard file and works where it may not write.
    bool haveClipboard = false;
    if (!headless) {
        if (FileTools::createPrivateFile(clipboardFile) != 0) {
            tellUser("Unable to create temporary file", headless);
            delete velk;
            return -1;
        }
        haveClipboard = true;
    }

    // The data file is written when the journal holds changes of this run (or
    // a change waits for it), when asked to, or when a password was added.
    // The journal is retired in one commit with the save.
    auto saveAtEnd = [&cl, &dataPath, headless](std::string& error) {
        T_SaveReport report;
        const int r = velk->saveChangesAtEnd(cl.alwaysSave, report);
        if (r == 1) return 0; // nothing to save
        // -2: saved, but the folder could not be synced (tellSave reports it).
        return tellSave(r, report, dataPath, error, headless);
    };

    int exitCode = 0;
    bool ended = false;
    if (!headless) {
        exitCode = runWindow(cl, saveAtEnd);
        ended = mainWin->sessionEnd() != VelkGUI::SESSION_OPEN;
    }
    if (!ended) {
        std::string error;
        const int saved = saveAtEnd(error);
        if (saved == VelkGUI::SAVED_NOT_SYNCED) {
            exitCode = exitCode ? exitCode : -1;
        } else if (saved != 0) {
            const bool journaled = velk->incsave_getNrOfFiles() != 0;
            tellUser("The data file " + cl.path + " could not be written; it was left as it was.\n" +
                         error +
                         (journaled ? std::string("\nThe changes of this run are kept in the "
                                                  "journal files beside it and will be merged at "
                                                  "the next start.")
                                    : std::string()),
                     headless);
            exitCode = exitCode ? exitCode : -1;
        }
    }
    velk->itemTree().leaveTreeToTheSystem();
    delete velk;
    velk = nullptr;
    if (haveClipboard) std::remove(clipboardFile);
    return exitCode;
}
