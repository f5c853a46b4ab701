// The item editor's menu: going to the item's group, cut, copy, turning the
// item into a group and skipping a day of a repeating entry. The pages and
// "keyboard" are handled by the window.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/item_editor.h"
#include "gui/velk_gui.h"

void ItemEditor::CB_editToDo_Menu_copy() {
    win.tellWriteResult(engine->exportToDoToFile(win.clipboardFile().c_str(), true),
                        win.clipboardFile(), true);
}

void ItemEditor::CB_editToDo_Menu_del() {
    if (GuiAsk::choice("Do you really want to delete this item?", "Cancel", "Delete") != 1) return;
    // The copy on the clipboard holds what the editor shows. When it cannot be
    // made the user has been told and decides whether to delete all the same.
    editToDo_saveSettings();
    if (!win.tellWriteResult(engine->exportToDoToFile(win.clipboardFile().c_str(), true),
                             win.clipboardFile(), true) &&
        GuiAsk::choice("Delete the item all the same?", "Cancel", "Delete") != 1)
        return;
    if (engine->deleteCurrentItem() != 0) {
        GuiAsk::alert("Error trying to delete item!");
        return;
    }
    win.showMain(SCREEN_LIST);
    win.showList(win.editTopLine());
}

void ItemEditor::CB_editToDo_Menu_showGroup() {
    const std::string description = GetDescrBuffer();
    if (engine->showGroupOfCurrentItem(editSummary_->value(),
                                       descrReadable ? description.c_str() : nullptr) != 0) {
        editToDo_Done(); // already in the normal view: closing is all
        return;
    }
    win.showMain(SCREEN_LIST);
    win.setMenuActive();
    win.showList(0);
}

void ItemEditor::CB_editToDo_Menu_t2Group() {
    const std::string description = GetDescrBuffer();
    if (engine->turnCurrentItemIntoGroup(editSummary_->value(),
                                         descrReadable ? description.c_str() : nullptr,
                                         win.editTopLine()) != 0)
        return;
    win.showMain(SCREEN_LIST);
    win.showList(0);
}

void ItemEditor::CB_editToDo_Menu_skipDay() {
    // The skip is journalled at once; closing the editor then journals what
    // else the editor changed (its texts are stored only now).
    if (openedRow < 0 || engine->skipDayAtRow(unsigned(openedRow)) != 0) {
        GuiAsk::alert(
            "Nothing was skipped: that row shows no occurrence of this entry to leave out.");
        return;
    }
    editToDo_Done();
}
