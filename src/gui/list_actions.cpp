// What the entries of the list's menus do: new items and groups, cut, copy
// and paste through the clipboard file, deleting, the passwords, and ending
// the run from the list.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/group_editor.h"
#include "gui/list_screen.h"
#include "gui/password_dialogs.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Browser.H>
#include <vector>

void ListScreen::done() {
    if (engine) engine->keepListTopLine(listView_->topline());
    if (win.finishSession()) win.hide();
}

void ListScreen::actOnSelected(int action) {
    std::vector<unsigned> rows;
    for (int line = 1; line <= listView_->size(); ++line)
        if (listView_->selected(line)) rows.push_back(unsigned(line - 1));
    if (action == ACT_DELETE) {
        engine->deleteRows(rows);
        showList(0);
    } else if (action == ACT_COPY) {
        tellWriteResult(engine->exportRowsToFile(win.clipboardFile().c_str(), rows, true),
                        win.clipboardFile(), true);
    }
}

bool ListScreen::tellWriteResult(int result, const std::string& name, bool toClipboard) {
    if (result == 0) return true;
    const std::string what = toClipboard ? "The clipboard file " : "The file ";
    const char* const nothing = toClipboard ? "nothing was copied." : "nothing was exported.";
    std::string text;
    if (result == -4)
        text = what + name + " is not a regular file of yours (it is a link, a folder or " +
               "another user's file); it was left as it was and " + nothing;
    else if (result == -3)
        text =
            what + name + " could not be written: " + engine->getTransferError() + ";\n" + nothing;
    else
        text = std::string("There is nothing to copy here; ") + nothing;
    GuiAsk::alert(text.c_str());
    return false;
}

void ListScreen::tellReadResult(int result, const std::string& name, bool fromClipboard) {
    if (result == Velk::INSERT_TOO_DEEP) GuiAsk::message(GROUPS_TOO_DEEP);
    if (result == -3)
        GuiAsk::alert(((fromClipboard ? "The clipboard file " : "The file ") + name +
                       " could not be read: " + engine->getTransferError() + ";\n" +
                       (fromClipboard ? "nothing was pasted." : "nothing was imported."))
                          .c_str());
}

void ListScreen::newToDo() {
    if (engine->newToDoForEditing() != 0) return;
    win.show_editToDoWin(false, false);
}

void ListScreen::newGroup() {
    const int made = engine->newGroupForEditing(listView_->topline(), selectedLine());
    if (made == -2) GuiAsk::message(GROUPS_TOO_DEEP);
    if (made != 0) return;
    win.setEditTopLine(0);
    win.groupEditor().setFromList(false);
    win.showMain(SCREEN_GROUP);
}

void ListScreen::deleteGroup() {
    if (GuiAsk::choice("Do you really want to delete this group?", "Cancel", "Delete") != 1) return;
    // A delete that would be refused (the root) is no cut either: the
    // clipboard keeps what was copied before.
    if (!engine->canDeleteCurGroup()) return;
    // Deleting is cutting: the group goes to the clipboard first. When that
    // fails the user has been told and decides whether to delete all the same.
    if (!tellWriteResult(engine->exportGroupToFile(win.clipboardFile().c_str(), true),
                         win.clipboardFile(), true) &&
        GuiAsk::choice("Delete the group all the same?", "Cancel", "Delete") != 1)
        return;
    if (engine->deleteCurrentGroup() != 0) return;
    int top = 0;
    if (win.groupEditor().fromList()) {
        top = win.editTopLine();
        win.groupEditor().setFromList(false);
    } else {
        top = engine->popListPosition(nullptr);
    }
    win.showMain(SCREEN_LIST);
    showList(top);
}

void ListScreen::deleteCompleted() {
    if (GuiAsk::choice("This will delete every visible todo that's finished. Really continue?",
                       "Cancel", "Delete") != 1)
        return;
    if (engine->delCompleted() != 0) {
        GuiAsk::message("Some error occured.");
        return;
    }
    showList(0);
}

void ListScreen::paste() {
    // The clipboard is read only when it is a regular file, never through a link.
    tellReadResult(engine->insertDataFromFile(win.clipboardFile().c_str(), false),
                   win.clipboardFile(), true);
    checkActiveJobs();
    showList(0);
}

void ListScreen::copyGroup() {
    tellWriteResult(engine->exportGroupToFile(win.clipboardFile().c_str(), true),
                    win.clipboardFile(), true);
}

void ListScreen::copyContent() {
    tellWriteResult(engine->exportContentToFile(win.clipboardFile().c_str(), true),
                    win.clipboardFile(), true);
}

void ListScreen::addPassword() {
    if (engine->canAddPassword()) pwd_add_run_window(&engine->passwords());
    win.UpdateCryptMenu();
}

void ListScreen::logIn() {
    if (engine->canLogIn()) pwd_ask_run_window(&engine->passwords());
    win.UpdateCryptMenu();
}
