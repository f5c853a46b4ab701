#include "gui/input_screen.h"

#include "common/home_path.h"
#include "engine/velk.h"
#include "gui/file_browse.h"
#include "gui/list_screen.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>

static void cb_Cancel(Fl_Widget*, void*) {
    mainWin->CB_Cancel();
}
// Enter in the field carries the search, import or export out, as "&Close" does.
static void cb_enter(Fl_Widget*, void*) {
    mainWin->CB_Done();
}
static void cb_browse(Fl_Widget*, void* screen) {
    static_cast<InputScreen*>(screen)->browse();
}

// The file modes, and the ones that write their file.
static bool namesFile(int mode) {
    return mode != INPUT_SEARCH;
}
static bool writesFile(int mode) {
    return mode == INPUT_EXPORT_GROUP || mode == INPUT_EXPORT_CONTENT || mode == INPUT_EXPORT_ICS;
}

void InputScreen::make(int W, int H) {
    promptBox_ = new Fl_Box(FL_FLAT_BOX, 0, 0, W, H - 60, "");
    promptBox_->labelsize(20);
    promptBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    cancelButton_ = new Fl_Button(70, H - 30, 80, 30, "Cancel");
    cancelButton_->labelsize(20);
    cancelButton_->callback(cb_Cancel);
    inputField_ = new Fl_Input(0, H - 60, W, 30);
    inputField_->textsize(20);
    inputField_->when(FL_WHEN_ENTER_KEY_ALWAYS);
    inputField_->callback(cb_enter);
    browseButton_ = new Fl_Button(150, H - 30, 100, 30, "browse\xe2\x80\xa6");
    browseButton_->labelsize(20);
    browseButton_->callback(cb_browse, this);
}

void InputScreen::layout(int W, int H) {
    promptBox_->resize(0, 0, W, H - 60);
    cancelButton_->resize(70, H - 30, 80, 30);
    inputField_->resize(0, H - 60, W, 30);
    browseButton_->resize(150, H - 30, 100, 30);
}

void InputScreen::show() {
    cancelButton_->show();
    inputField_->show();
    promptBox_->show();
    if (namesFile(inputMode)) browseButton_->show();
    win.closeButton()->show();
    inputField_->take_focus();
}

void InputScreen::showInput(int mode) {
    static const char* const prompts[] = {"string to search for:",
                                          "filename and path of Velk-file to export to:",
                                          "filename and path of Velk-file to export to:",
                                          "filename and path of Velk-file to insert:",
                                          "filename and path of iCalendar file to export to:",
                                          "filename and path of iCalendar file to import:"};
    inputMode = mode;
    promptText = prompts[mode];
    promptBox_->label(promptText.c_str());
    inputField_->value("");
    win.showMain(SCREEN_INPUT);
}

void InputScreen::browse() {
    browseIntoField(inputField_, promptText.c_str(), writesFile(inputMode),
                    engine->getHomeFolder());
}

void InputScreen::done() {
    const std::string text = inputField_->value();
    if (text.empty()) {
        win.showMain(SCREEN_LIST);
        return;
    }
    if (inputMode == INPUT_SEARCH) {
        win.listScreen().search(text);
        win.showMain(SCREEN_LIST);
        win.setMenuActive();
        win.showList(0);
        return;
    }
    if (!actOnFile(expandHomeFolder(text, engine->getHomeFolder()))) {
        inputField_->take_focus();
        return;
    }
    win.showMain(SCREEN_LIST);
    if (inputMode == INPUT_IMPORT || inputMode == INPUT_IMPORT_ICS) {
        win.checkActiveJobs();
        win.showList(0);
    }
}

bool InputScreen::actOnFile(const std::string& path) {
    switch (inputMode) {
    case INPUT_EXPORT_GROUP:
        return win.confirmReplace(path) &&
               win.tellWriteResult(engine->exportGroupToFile(path.c_str()), path, false);
    case INPUT_EXPORT_CONTENT:
        return win.confirmReplace(path) &&
               win.tellWriteResult(engine->exportContentToFile(path.c_str()), path, false);
    case INPUT_IMPORT: {
        const int result = engine->insertDataFromFile(path.c_str());
        win.tellReadResult(result, path, false);
        // A file that could not be read changed nothing: the path may be
        // corrected. Any other result has been carried out as far as it went.
        return result != -3;
    }
    case INPUT_EXPORT_ICS:
        return exportICalendarFile(win, *engine, path);
    case INPUT_IMPORT_ICS:
        return importICalendarFile(*engine, path);
    default:
        return true;
    }
}
