// The group editor: screen 5 of the main window, for the summary and priority
// of the current group, with its recorded time and how much of it is done.

#include "gui/group_editor.h"

#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/editor_widgets.h"
#include "gui/item_editor.h"
#include "gui/menu_items.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

static void cb_Menu_delGroup(Fl_Widget*, void*) {
    mainWin->CB_Menu_delGroup();
}
static void cb_Menu_VelkView(Fl_Widget*, void* d) {
    mainWin->CB_Menu_VelkView(int(fl_intptr_t(d)));
}

Fl_Menu_Item menu_EditGroupMenu[] = {
    VELK_ITEM("cut/&delete", cb_Menu_delGroup, 0, FL_MENU_DIVIDER),
    VELK_ITEM("keyboard", cb_Menu_VelkView, VIEW_KEYBOARD, 0),
    VELK_END,
};

void GroupEditor::make(int, int) {
    groupMenuButton_ = barMenu(menu_EditGroupMenu);
    groupCountBox_ = labelBox(0, 160, 240, 30);
}

void GroupEditor::layout(int, int H) {
    groupMenuButton_->resize(70, H - 30, 66, 30);
    groupCountBox_->resize(0, 160, 240, 30);
}

void GroupEditor::editCurrentGroup() {
    if (engine->beginGroupEdit() != 0) return;
    win.setEditTopLine(win.listView()->topline());
    fromList_ = false;
    win.showMain(SCREEN_GROUP);
}

void GroupEditor::show() {
    const ItemEditor& e = win.itemEditor();
    e.editSummary()->value(engine->getGroupSummary().c_str());
    const unsigned prio = engine->getGroupPriority();
    for (int i = 0; i < 6; ++i)
        e.editPrio(i)->value(0);
    if (prio >= 1 && prio <= 6) e.editPrio(int(prio) - 1)->setonly();
    timeSum = timeSumText(engine->getGroupTimeSum());
    e.editTimeSumBox()->label(timeSum.c_str());
    unsigned completed = 0, total = 0;
    engine->getGroupCompletedNr(completed, total);
    groupCount = groupCountText(completed, total);
    groupCountBox_->label(groupCount.c_str());
    e.editSummary()->show();
    e.editPrioGroup()->show();
    e.editTimeSumBox()->show();
    groupCountBox_->show();
    groupMenuButton_->show();
    win.closeButton()->show();
    e.editSummary()->take_focus();
}

void GroupEditor::done() {
    engine->closeGroupEditor(win.itemEditor().editSummary()->value(), fromList_);
    fromList_ = false;
    win.showMain(SCREEN_LIST);
    win.showList(win.editTopLine());
}
