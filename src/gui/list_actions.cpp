// What the entries of the list's menus do: new items and groups, cut, copy
// and paste through the clipboard file, deleting, the passwords, and ending
// the run from the list.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/group_editor.h"
#include "gui/input_screen.h"
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
    // A file cut short has been inserted as far as it was read.
    if (result == -2)
        GuiAsk::alert(((fromClipboard ? "The clipboard file " : "The file ") + name +
                       " ends before its end mark \"</data>\"; what it holds up to there was " +
                       (fromClipboard ? "pasted." : "imported."))
                          .c_str());
    if (result == -3)
        GuiAsk::alert(((fromClipboard ? "The clipboard file " : "The file ") + name +
                       " could not be read: " + engine->getTransferError() + ";\n" +
                       (fromClipboard ? "nothing was pasted." : "nothing was imported."))
                          .c_str());
}

void ListScreen::exportICalendar(const std::string& file) {
    exportICalendarFile(win, *engine, file);
}

void ListScreen::importICalendar(const std::string& file) {
    importICalendarFile(*engine, file);
}

bool exportICalendarFile(VelkGUI& win, Velk& velk, const std::string& file) {
    Velk* const engine = &velk;
    if (!win.confirmReplace(file)) return false;
    ToDoListGroup* group = engine->getMainViewType() == MAINVIEW_NORMAL && engine->getCurGroup()
                               ? engine->getCurGroup()
                               : engine->getRoot();
    bool withEnciphered = false;
    if (engine->isLoggedIn() && engine->holdsEncipheredDescriptions(*group))
        withEnciphered =
            GuiAsk::choice("Some descriptions are enciphered. Write them into the iCalendar file "
                           "in plain text, readable by anyone who gets the file?",
                           "Leave them out", "Write them") == 1;
    T_IcsExportReport report;
    const int exported = engine->exportICalendar(file, *group, withEnciphered, report);
    if (exported == -3) {
        GuiAsk::alert(("There is nothing to export: no todo, appointment or note.\nThe file " +
                       file + " was not written.")
                          .c_str());
        return true;
    }
    if (exported != 0) {
        GuiAsk::alert(("The file " + file + " could not be written: " + report.error +
                       ";\nnothing was exported.")
                          .c_str());
        return false;
    }
    std::string text = "Exported " + Velk::entriesText(report.entries) + " to " + file + ".";
    if (report.encipheredLeftOut != 0)
        text += "\n" + std::to_string(report.encipheredLeftOut) +
                " enciphered descriptions were left out" +
                (engine->isLoggedIn() ? "." : " (log in to take them along).");
    GuiAsk::message(text.c_str());
    return true;
}

bool importICalendarFile(Velk& velk, const std::string& file) {
    Velk* const engine = &velk;
    if (engine->getMainViewType() != MAINVIEW_NORMAL || !engine->getCurGroup()) {
        GuiAsk::alert("Entries can be imported into the list of a group only; nothing was "
                      "imported.");
        return true;
    }
    const std::string name = Velk::iCalendarGroupName(file);
    storage::T_IcsImportReport report;
    const int result = engine->importICalendar(file, *engine->getCurGroup(), name, report);
    if (result == Velk::INSERT_TOO_DEEP) {
        GuiAsk::message(GROUPS_TOO_DEEP);
        return true;
    }
    if (result != 0) {
        GuiAsk::alert(("The file " + file + " could not be imported: " + report.error +
                       ";\nnothing was imported.")
                          .c_str());
        return false;
    }
    const std::string counts = Velk::importCountsText(report);
    std::string text = "Imported " + Velk::entriesText(report.entries) + " into the group \"" +
                       name + "\"" + (counts.empty() ? "" : " (" + counts + ")") + ".";
    if (report.rulesAsText != 0)
        text += "\n" + std::to_string(report.rulesAsText) +
                " of them repeat in a way Velk cannot hold: each has its first date, and its "
                "rule is at the top of its description.";
    if (report.datesDropped != 0)
        text += "\n" + std::to_string(report.datesDropped) +
                " dates lay outside the years 2000 to 2127 and were left out.";
    if (report.linesSkipped != 0)
        text += "\n" + std::to_string(report.linesSkipped) +
                " broken lines of properties Velk does not read were passed over.";
    if (report.duplicatesDropped != 0)
        text += "\n" + std::to_string(report.duplicatesDropped) +
                " older versions of entries (the same UID) were left out.";
    GuiAsk::message(text.c_str());
    return true;
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
