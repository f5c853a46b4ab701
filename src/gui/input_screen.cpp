#include "gui/input_screen.h"

#include "engine/velk.h"
#include "gui/list_screen.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>

static void cb_Cancel(Fl_Widget*, void*) {
    mainWin->CB_Cancel();
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
}

void InputScreen::layout(int W, int H) {
    promptBox_->resize(0, 0, W, H - 60);
    cancelButton_->resize(70, H - 30, 80, 30);
    inputField_->resize(0, H - 60, W, 30);
}

void InputScreen::show() {
    cancelButton_->show();
    inputField_->show();
    promptBox_->show();
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

void InputScreen::done() {
    std::string text = inputField_->value();
    if (text.empty()) {
        win.showMain(SCREEN_LIST);
        return;
    }
    switch (inputMode) {
    case INPUT_SEARCH:
        win.listScreen().search(text);
        win.showMain(SCREEN_LIST);
        win.setMenuActive();
        win.showList(0);
        break;
    case INPUT_EXPORT_GROUP:
        if (win.confirmReplace(text))
            win.tellWriteResult(engine->exportGroupToFile(text.c_str()), text, false);
        win.showMain(SCREEN_LIST);
        break;
    case INPUT_EXPORT_CONTENT:
        if (win.confirmReplace(text))
            win.tellWriteResult(engine->exportContentToFile(text.c_str()), text, false);
        win.showMain(SCREEN_LIST);
        break;
    case INPUT_IMPORT: {
        win.tellReadResult(engine->insertDataFromFile(text.c_str()), text, false);
        win.showMain(SCREEN_LIST);
        win.checkActiveJobs();
        win.showList(0);
        break;
    }
    case INPUT_EXPORT_ICS:
        win.listScreen().exportICalendar(text);
        win.showMain(SCREEN_LIST);
        break;
    case INPUT_IMPORT_ICS:
        win.listScreen().importICalendar(text);
        win.showMain(SCREEN_LIST);
        win.checkActiveJobs();
        win.showList(0);
        break;
    default:
        win.showMain(SCREEN_LIST);
        break;
    }
}
