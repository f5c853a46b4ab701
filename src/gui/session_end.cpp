// The end of the run in the window: the save at the end, and what the user
// chooses when it fails.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"

bool VelkGUI::finishSession() {
    if (sessionEnd_ != SESSION_OPEN) return true;
    if (!saveAtEnd_) {
        sessionEnd_ = SESSION_SAVED;
        return true;
    }
    for (;;) {
        std::string error;
        if (saveAtEnd_(error) == 0) {
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
        if (answer == 1) {
            const std::string suggestion = dataFile + ".rescue";
            const char* name = GuiAsk::input("Save your data to this file:", suggestion.c_str());
            if (!name || !*name) continue;
            std::string copyError;
            if (engine_->saveCopyTo(name, copyError) != 0) {
                GuiAsk::alert(
                    ("Velk could not save to " + std::string(name) + ":\n" + copyError).c_str());
                continue;
            }
            GuiAsk::message(("Your data was saved to " + std::string(name) + ".\nThe data file " +
                             dataFile +
                             " was not changed;\nthe journal files beside it are kept and "
                             "merged at its next start.")
                                .c_str());
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
        const std::string confirm =
            "End Velk without saving?\nThe changes in the journal files beside " + dataFile +
            "\nare merged at its next start; changes that could not be\nwritten to the "
            "journal are lost.";
        // Cancel is the second button, which the toolkit gives Enter.
        if (GuiAsk::choice(confirm.c_str(), "End without saving", "Cancel") == 0) {
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
    }
}
