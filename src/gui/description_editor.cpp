// The item editor's description page: the text editor with its line
// wrapping and word deletion, and the hand-over to an external editor.

#include "common/home_path.h"
#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/item_editor.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <cstdlib>

// Removes the selected text and puts the cursor where it began.
void kill_selection(Fl_Text_Editor* e) {
    Fl_Text_Buffer* b = e->buffer();
    if (!b->selected()) return;
    int start = 0, end = 0;
    b->selection_position(&start, &end);
    e->insert_position(start);
    b->remove_selection();
}

// Ctrl+BackSpace: deletes the selection, or the word before the cursor
// together with the blanks and marks between it and the cursor.
int kf_backspace_word(int, Fl_Text_Editor* e) {
    Fl_Text_Buffer* b = e->buffer();
    if (b->selected()) {
        kill_selection(e);
    } else {
        char* raw = b->text();
        const std::string text(raw);
        std::free(raw);
        const int pos = e->insert_position();
        const int start = wordBackspaceStart(text, pos);
        if (start == pos) return 1;
        b->remove(start, pos);
        e->insert_position(start);
    }
    e->show_insert_position();
    e->set_changed();
    if (e->when() & FL_WHEN_CHANGED) e->do_callback();
    return 1;
}

std::string ItemEditor::GetDescrBuffer() const {
    char* raw = descrBuffer->text();
    std::string text(raw ? raw : "");
    std::free(raw);
    return text;
}

void ItemEditor::SetDescrBuffer(const char* text) {
    descrBuffer->text(text ? text : "");
    editDescr_->insert_position(0);
    editDescr_->scroll(1, 0);
}

void ItemEditor::CB_edit() {
    char* raw = descrBuffer->text();
    const std::string text(raw);
    std::free(raw);
    int blank = 0, indent = 0;
    const int cursor = editDescr_->insert_position();
    if (!descriptionWrap(text, cursor, blank, indent)) return;
    const std::string lineBreak = "\n" + std::string(std::size_t(indent), ' ');
    descrBuffer->replace(blank, blank + 1, lineBreak.c_str());
    editDescr_->insert_position(cursor + indent);
    editDescr_->show_insert_position();
}

// What the user is told when the external editor failed: the command that
// was run, how it ended, and where the editor is chosen.
static std::string externalEditorFailureText(const T_ExternalEditFailure& failure,
                                             const std::string& configFile) {
    return "The external editor did not end successfully; the description is unchanged.\n"
           "The command was:\n    " +
           failure.command + "\nIt " + failure.ending +
           ".\nTo use another editor, change the line \"editor = …\" in " +
           (configFile.empty() ? std::string("the configuration file") : configFile) + ".";
}

void ItemEditor::CB_editToDo_ExtEdit() {
    if (win.screen() < SCREEN_ITEM_BASICS || win.screen() > SCREEN_ITEM_DESCRIPTION ||
        !descrReadable)
        return;
    std::string text = GetDescrBuffer();
    T_ExternalEditFailure failure;
    switch (engine->editDescriptionExternally(text, &failure)) {
    case 0:
        SetDescrBuffer(text.c_str());
        break;
    case -1:
        GuiAsk::message("Unable to create temporary file");
        break;
    case -2:
        GuiAsk::alert(
            externalEditorFailureText(failure, configFileIn(engine->getHomeFolder())).c_str());
        break;
    default:
        GuiAsk::message("The edited text could not be read back; the description is unchanged.");
        break;
    }
}
