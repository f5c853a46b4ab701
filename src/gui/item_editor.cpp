// The item editor's basics page: the done flag, start and stop, priority,
// the todo flag, the dates and times, the recurrence and the crypt flag.

#include "gui/item_editor.h"
#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/date_select.h"
#include "gui/editor_widgets.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui/velk_gui.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Menu_Button.H>

void ItemEditor::editToDo_updateTimeThings() {
    const DateControls c = engine->refreshItemDates();
    begText = dateTime2str(engine->getDateTime(DATE_BEGIN));
    endText = dateTime2str(engine->getDateTime(DATE_END));
    editBegBox_->label(begText.c_str());
    editEndBox_->label(endText.c_str());
    const bool basics = win.screen() == SCREEN_ITEM_BASICS;
    showIf(editBegDateMenu_, basics && c.begDate);
    showIf(editBegTimeMenu_, basics && c.begTime);
    showIf(editBegBox_, basics && c.begBox);
    showIf(editEndDateMenu_, basics && c.endDate);
    showIf(editEndTimeMenu_, basics && c.endTime);
    showIf(editEndBox_, basics && c.endBox);
    showIf(editShowAs_, basics && c.busy);
    showIf(editRecurring_, basics && c.recurrence);
    showIf(editRemind_, basics && c.reminder);
    remindText = reminderLabel(engine->getItemRemindBefore());
    editRemind_->label(remindText.c_str());
    // Only an item with both dates can be shown as busy.
    if (!c.busy) editShowAs_->value(0);
    editBegBox_->redraw();
    editEndBox_->redraw();
    editToDo_updateRecThings();
}

void ItemEditor::editToDo_updateRecThings() {
    T_recData rec;
    engine->getRecData(rec);
    recText = recurrenceLabel(rec.type);
    editRecurring_->label(recText.c_str());
    editRecurring_->redraw();
    updateSkipThings();
}

void ItemEditor::updateSkipThings() {
    if (openedRow >= 0 && engine->canSkipDayAtRow(unsigned(openedRow)))
        menu_EditToDoMenu[EM_SKIPDAY].show();
    else
        menu_EditToDoMenu[EM_SKIPDAY].hide();
    const std::size_t skipped = engine->getItemSkippedCount();
    skippedText = skippedDaysText(skipped);
    editSkippedBox_->label(skippedText.c_str());
    const bool shown = win.screen() == SCREEN_ITEM_BASICS && skipped != 0;
    showIf(editSkippedBox_, shown);
    showIf(editClearSkipped_, shown);
    editSkippedBox_->redraw();
}

void ItemEditor::CB_editToDo_clearSkipped() {
    engine->clearItemSkipped();
    updateSkipThings();
    win.redraw();
}

void ItemEditor::editToDo_updateTimeSum() {
    timeSum = timeSumText(engine->getItemTimeSum());
    editTimeSumBox_->label(timeSum.c_str());
    editTimeSumBox_->redraw();
}

void ItemEditor::setCompletedMessage(int result) {
    if (result == -1) GuiAsk::alert("Due to recurrence-settings, this ToDo is not active yet!");
    if (result == 1)
        GuiAsk::message("Recurrent ToDo:\nSet completed, activated for following date.");
}

void ItemEditor::editToDo_saveSettings() {
    const std::string description = GetDescrBuffer();
    engine->storeItemText(editSummary_->value(), descrReadable ? description.c_str() : nullptr);
}

void ItemEditor::editToDo_Done() {
    const std::string description = GetDescrBuffer();
    engine->closeItemEditor(editSummary_->value(), descrReadable ? description.c_str() : nullptr);
    const int top = win.showMain(SCREEN_LIST);
    win.showList(top ? top : win.editTopLine());
}

void ItemEditor::CB_editToDo_compl() {
    if (editDone_->value() && !engine->isItemCompleted()) {
        const int result = engine->setItemCompleted();
        setCompletedMessage(result);
        // A refused completion (a recurring todo that is not due yet) changes
        // nothing, the start/stop button included.
        if (result != -1) editStartStop_->hide();
        editToDo_updateTimeSum();
        editToDo_updateTimeThings();
    } else if (!editDone_->value()) {
        engine->clearItemCompleted();
        labelStartStop();
        if (win.screen() == SCREEN_ITEM_BASICS) editStartStop_->show();
    }
    showToDoState();
}

void ItemEditor::CB_editToDo_StrtStp() {
    engine->toggleItemRunning();
    if (!engine->isItemRunning()) editToDo_updateTimeSum();
    labelStartStop();
}

void ItemEditor::CB_edit_Pr(int p) {
    if (p >= 1 && p <= 6) {
        editPrio_[p - 1]->setonly();
        if (win.screen() == SCREEN_ITEM_BASICS) engine->setItemPriority(unsigned(p));
        if (win.screen() == SCREEN_GROUP) engine->setGroupPriority(unsigned(p));
        return;
    }
    if (p != -1) return;
    const bool todo = engine->toggleItemIsToDo();
    if (todo) editPrio_[2]->setonly();
    showIf(editPrioGroup_, todo);
    showIf(editDone_, todo);
    showIf(editComplBox_, todo);
    editIsToDo_->value(todo ? 1 : 0);
    showToDoState();
    win.redraw();
}

void ItemEditor::CB_edit_isToDo() {
    CB_edit_Pr(-1);
    editToDo_updateTimeThings();
}

void ItemEditor::CB_editToDo_remind(int minutes) {
    engine->setItemRemindBefore(minutes);
    remindText = reminderLabel(minutes);
    editRemind_->label(remindText.c_str());
    editRemind_->redraw();
}

void ItemEditor::CB_editToDo_showAs(int value) {
    engine->setShowTimeAs(value);
    editShowAs_->value(value);
}

void ItemEditor::CB_editToDo_Date(int u) {
    const int side = u & DATE_SIDE_BITS;
    switch (u & DATE_ACTION_BITS) {
    case DATE_NONE:
        engine->clearDate(side);
        break;
    case DATE_TODAY:
        engine->setDateToday(side);
        break;
    case DATE_BEGIN_PLUS_30:
        if (side == DATE_END) engine->setEndToBeginPlus30();
        break;
    case DATE_SELECT: {
        const packedDT v = engine->getDateTime(side);
        int year = dtYear(v), month = dtMonth(v), day = dtHasDate(v) ? dtDay(v) : -1;
        DateSelect picker(&year, &month, &day);
        picker.run();
        if (day == -1) break; // cancelled: nothing changes
        engine->setPickedDate(side, year, month, day);
        break;
    }
    default:
        break;
    }
    editToDo_updateTimeThings();
}

void ItemEditor::CB_editToDo_Time(int u) {
    const int side = u & DATE_SIDE_BITS;
    switch (u & DATE_ACTION_BITS) {
    case DATE_NONE:
        engine->clearTime(side);
        break;
    case DATE_SELECT: {
        const packedDT v = engine->getDateTime(side);
        int hour = dtHasTime(v) ? dtHour(v) : 8, minute = dtHasTime(v) ? dtMinute(v) : 0;
        TimeSelect picker(&hour, &minute);
        picker.run();
        if (minute == -1) break; // cancelled: nothing changes
        engine->setPickedTime(side, hour, minute);
        break;
    }
    default:
        break;
    }
    editToDo_updateTimeThings();
}

void ItemEditor::CB_editToDo_recurring() {
    T_recData rec;
    engine->getRecData(rec);
    const bool todo = engine->getItemPriority() <= PRIO_MAXTODO;
    int day = 0, month = 0, weekday = 0;
    engine->recurrenceReference(day, month, weekday);
    RecurrenceSelect dialog(&rec, day, month, weekday, todo);
    dialog.run();
    // A cancelled selector leaves the type at -1: nothing changes.
    const int reset = rec.type != -1 ? engine->applyRecurrence(rec) : int(REC_KEPT);
    editToDo_updateTimeThings();
    // A rule the item's dates cannot carry was dropped: say why, in the window.
    if (reset != REC_KEPT) GuiAsk::alert(recurrenceResetText(reset));
}

void ItemEditor::CB_editToDo_crypt() {
    engine->setItemSaveCrypt(editCrypt_->value() != 0);
}
