// The group editor: screen 5 of the main window, for the summary and priority
// of the current group, with its recorded time and how much of it is done.

#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Group.H>

void VelkGUI::CB_Menu_editGroup() {
    if (engine->beginGroupEdit() != 0) return;
    editTopLine = listView->topline();
    groupFromList = false;
    showMain(SCREEN_GROUP);
}

void VelkGUI::showGroupEditor() {
    editSummary->value(engine->getGroupSummary().c_str());
    const unsigned prio = engine->getGroupPriority();
    for (Fl_Check_Button* b : editPrio)
        b->value(0);
    if (prio >= 1 && prio <= 6) editPrio[prio - 1]->setonly();
    timeSum = timeSumText(engine->getGroupTimeSum());
    editTimeSumBox->label(timeSum.c_str());
    unsigned completed = 0, total = 0;
    engine->getGroupCompletedNr(completed, total);
    groupCount = groupCountText(completed, total);
    groupCountBox->label(groupCount.c_str());
    editSummary->show();
    editPrioGroup->show();
    editTimeSumBox->show();
    groupCountBox->show();
    groupMenuButton->show();
    closeButton->show();
    editSummary->take_focus();
}

void VelkGUI::editGroup_Done() {
    engine->closeGroupEditor(editSummary->value(), groupFromList);
    groupFromList = false;
    showMain(SCREEN_LIST);
    showList(editTopLine);
}
