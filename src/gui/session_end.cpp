// The end of the run in the window: the save at the end, and what the user
// chooses when it fails.

#include "common/home_path.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/sync_watch.h"
#include "gui/velk_gui.h"

bool VelkGUI::finishSession() {
    if (sessionEnd_ != SESSION_OPEN) return true;
    // The last sync comes before the save; a sync under way ends first, and
    // the window ends after it.
    if (sync_ && !sync_->beforeEnd()) return false;
    if (!saveAtEnd_) {
        sessionEnd_ = SESSION_SAVED;
        return true;
    }
    for (;;) {
        std::string error;
        const int saved = saveAtEnd_(error);
        if (saved == 0 || saved == SAVED_NOT_SYNCED) {
            if (saved == SAVED_NOT_SYNCED)
                GuiAsk::alert(("Your data was saved to " + engine_->getFileName() +
                               ", but its folder could not be synced:\n" + error +
                               "\nA power loss in the next moments may still undo the save.")
                                  .c_str());
            sessionEnd_ = SESSION_SAVED;
            return true;
        }
        const std::string& dataFile = engine_->getFileName();
        const std::string question = "Velk could not save your data to " + dataFile + ":\n" +
                                     error +
                                     "\n\nNothing is lost yet: Velk stays open with every "
                                     "change.\nFree some space or fix the cause, then try "
                                     "again,\nor save to another file.";
        const int answer = GuiAsk::choice3(question.c_str(), "Try again", "Save to another file...",
                                           "End without saving");
        if (answer == 0) continue;
        // What the journal holds of this run, and what waits in memory only.
        const std::size_t waiting = engine_->incsave_waitingCount();
        const bool journaled = engine_->incsave_getNrOfFiles() != 0;
        if (answer == 1) {
            // Offered on another file system than the data file's, whose disk
            // may be the one that is full.
            // After a refusal or a failed write the name is asked again, with
            // the path as the user typed it, until a copy is saved or the user
            // cancels (back to the first question).
            std::string offered = engine_->rescueSuggestion();
            std::string name; // set once the copy is saved
            for (;;) {
                const char* typed =
                    GuiAsk::fileName("Save your data to this file:", offered.c_str());
                if (!typed || !*typed) break;
                offered = typed;
                const std::string path = expandHomeFolder(typed, engine_->getHomeFolder());
                if (!confirmReplace(path)) continue;
                std::string copyError;
                if (engine_->saveRescueCopy(path, copyError) == 0) {
                    name = path;
                    break;
                }
                GuiAsk::alert(("Velk could not save to " + path + ":\n" + copyError).c_str());
            }
            if (name.empty()) continue;
            std::string told = "Your data, with every change of this run, was saved to " + name +
                               ".\nThe data file " + dataFile + " was not changed.";
            if (waiting != 0)
                told += "\n" + std::to_string(waiting) +
                        (waiting == 1 ? " change could" : " changes could") +
                        " not be written to the journal either:\n" +
                        (waiting == 1 ? "it is" : "they are") + " only in " + name + ".";
            if (journaled)
                told += "\nThe changes in the journal files beside " + dataFile +
                        " are merged at its next start.";
            told += "\nTo go on with the saved data, start Velk with:\n    velk -f " + name;
            GuiAsk::message(told.c_str());
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
        std::string confirm = "End Velk without saving?";
        if (journaled)
            confirm += "\nThe changes in the journal files beside " + dataFile +
                       "\nare merged at its next start.";
        if (waiting != 0)
            confirm += "\n" + std::to_string(waiting) +
                       (waiting == 1 ? " change that could" : " changes that could") +
                       " not be written to the journal\n" + (waiting == 1 ? "is" : "are") +
                       " lost.";
        // Cancel is the second button, which the toolkit gives Enter.
        if (GuiAsk::choice(confirm.c_str(), "End without saving", "Cancel") == 0) {
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
    }
}
