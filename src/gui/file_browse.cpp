#include "gui/file_browse.h"

#include "common/home_path.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/ui_scale.h"
#include "gui/velk_gui.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

bool browseIntoField(Fl_Input* field, const char* title, bool forSaving, const std::string& home) {
    // The toolkit's own chooser (used when the desktop has none) takes the
    // default font size when it is made: that size at the factor in use. A
    // desktop dialog follows the desktop's own scale.
    struct NormalSize {
        const Fl_Fontsize kept = FL_NORMAL_SIZE;
        NormalSize() { FL_NORMAL_SIZE = scaled(kept); }
        ~NormalSize() { FL_NORMAL_SIZE = kept; }
    } normalSize;
    Fl_Native_File_Chooser chooser(forSaving ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                             : Fl_Native_File_Chooser::BROWSE_FILE);
    chooser.title(title);
    // The dialog starts where the typed path points: its folder, and for
    // saving its name, so that a path half typed is not lost.
    const std::string path = expandHomeFolder(field->value(), home);
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        chooser.directory(slash == 0 ? "/" : path.substr(0, slash).c_str());
        if (forSaving) chooser.preset_file(path.substr(slash + 1).c_str());
    } else {
        if (!home.empty()) chooser.directory(home.c_str());
        if (forSaving && !path.empty()) chooser.preset_file(path.c_str());
    }
    switch (chooser.show()) {
    case 0:
        break;
    case -1:
        GuiAsk::alert((std::string("The file dialog could not be opened: ") +
                       (chooser.errmsg() ? chooser.errmsg() : "unknown error") +
                       ".\nType the file's path instead.")
                          .c_str());
        return false;
    default: // cancelled
        return false;
    }
    const char* chosen = chooser.filename();
    if (!chosen || !*chosen) return false;
    field->value(chosen);
    field->position(field->size());
    field->take_focus();
    return true;
}

namespace {
// The dialog of askFileName: prompt, name field, "browse…", "OK" (Enter)
// and "Cancel". The close box and Escape cancel.
class FileNameDialog : public Fl_Window {
  public:
    FileNameDialog(const char* prompt, const char* value) : Fl_Window(400, 130, "Velk") {
        prompt_ = new Fl_Box(10, 10, 380, 40, prompt);
        prompt_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
        field_ = new Fl_Input(10, 50, 380, 30);
        field_->value(value ? value : "");
        auto* browse = new Fl_Button(10, 90, 90, 30, "browse\xe2\x80\xa6");
        browse->callback([](Fl_Widget*, void* d) { static_cast<FileNameDialog*>(d)->browse(); },
                         this);
        auto* ok = new Fl_Return_Button(210, 90, 85, 30, "OK");
        ok->callback([](Fl_Widget*, void* d) { static_cast<FileNameDialog*>(d)->finish(true); },
                     this);
        auto* cancel = new Fl_Button(305, 90, 85, 30, "Cancel");
        cancel->callback(
            [](Fl_Widget*, void* d) { static_cast<FileNameDialog*>(d)->finish(false); }, this);
        callback([](Fl_Widget*, void* d) { static_cast<FileNameDialog*>(d)->finish(false); }, this);
        Fl_Window::end();
        scaleNewWindow(this);
        set_modal();
    }
    // Runs the dialog until it is answered. Result: the name, or null.
    const char* run() {
        show();
        field_->take_focus();
        while (shown())
            Fl::wait();
        if (!accepted_) return nullptr;
        answer_ = field_->value();
        return answer_.c_str();
    }

  private:
    void browse() {
        const Velk* engine = mainWin ? mainWin->engine() : nullptr;
        browseIntoField(field_, prompt_->label(), true, engine ? engine->getHomeFolder() : "");
    }
    void finish(bool accepted) {
        accepted_ = accepted;
        hide();
    }
    Fl_Box* prompt_;
    Fl_Input* field_;
    bool accepted_ = false;
    static inline std::string answer_;
};
} // namespace

const char* askFileName(const char* prompt, const char* value) {
    FileNameDialog dialog(prompt, value);
    return dialog.run();
}
