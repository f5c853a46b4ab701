// The item editor's menu: going to the item's group, cut, copy and turning
// the item into a group. The pages and "keyboard" are handled by the window.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"

void VelkGUI::CB_editToDo_Menu_copy() {
    tellWriteResult(engine->exportToDoToFile(clipboardFile.c_str(), true), clipboardFile, true);
}

void VelkGUI::CB_editToDo_Menu_del() {
    if (GuiAsk::choice("Do you really want to delete this item?", "Cancel", "Delete") != 1) return;
    // The copy on the clipboard holds what the editor shows. When it cannot be
    // made the user has been told and decides whether to delete all the same.
    editToDo_saveSettings();
    if (!tellWriteResult(engine->exportToDoToFile(clipboardFile.c_str(), true), clipboardFile,
                         true) &&
        GuiAsk::choice("Delete the item all the same?", "Cancel", "Delete") != 1)
        return;
    if (engine->delToDo() != 0) {
        GuiAsk::alert("Error trying to delete item!");
        return;
    }
    engine->incsave_forgetTodo();
    showMain(SCREEN_LIST);
    engine->checkCompleted();
    showList(editTopLine);
}

void VelkGUI::CB_editToDo_Menu_showGroup() {
    if (engine->getMainViewType() == MAINVIEW_NORMAL) {
        editToDo_Done();
        return;
    }
    engine->rememberGroupOfCurrentItem();
    editToDo_saveSettings();
    // The stored edits are journalled as on closing, so that none is lost.
    if (engine->incsave_todoHasChanged()) engine->incsave_saveCurItem();
    engine->incsave_forgetTodo();
    engine->checkCompleted();
    if (engine->getMainViewType() == MAINVIEW_SEARCH)
        engine->leaveCurGroup();
    else
        engine->setMainViewType(MAINVIEW_NORMAL);
    engine->enterPrevGroup();
    engine->guiData().oldPosInList.clear();
    engine->guiData().oldSelInList.clear();
    showMain(SCREEN_LIST);
    setMenuActive();
    showList(0);
}

void VelkGUI::CB_editToDo_Menu_t2Group() {
    editToDo_saveSettings();
    if (engine->turnCurItem2Group() != 0) return;
    // The operation journalled the deletion and the new group with the copy.
    engine->incsave_forgetTodo();
    if (engine->getOptViewtype() == VIEWTYPE_TREE) {
        engine->guiData().oldPosInList.push_back(editTopLine);
        engine->guiData().oldSelInList.push_back(0);
    }
    showMain(SCREEN_LIST);
    engine->checkCompleted();
    showList(0);
}
