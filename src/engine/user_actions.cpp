// The user actions of the window: each one call that does the whole rule of
// the action, written against the organizer's own operations.

#include "engine/user_actions.h"

#include "engine/occurrence_on_day.h"
#include "engine/plain_views.h"
#include "engine/velk.h"
#include "model/datetime.h"

void UserActions::stepCalendar(int step) {
    packedDT first = v.getCalFirstDay();
    switch (step) {
    case Velk::CAL_TODAY:
        first = getTodayDate(16384);
        break;
    case Velk::CAL_BACK_SPAN:
        moveDate(first, -v.getCalSpan());
        break;
    case Velk::CAL_FORWARD_SPAN:
        moveDate(first, v.getCalSpan());
        break;
    case Velk::CAL_BACK_DAY:
        moveDate(first, -1);
        break;
    case Velk::CAL_FORWARD_DAY:
        moveDate(first, 1);
        break;
    default:
        break;
    }
    v.setCalFirstDay(first);
}

void UserActions::setCalendarDay(int year, int month, int day) {
    // The low 15 bits of a packed date-time hold its time and no-time flag.
    v.setCalFirstDay(withDate(v.getCalFirstDay(), day, month, year));
}

int UserActions::toggleRowCompleted(unsigned row) {
    v.setItem2ViewItem(int(row));
    if (!v.getCurItem()) return -1;
    UndoStep step(v, (v.isItemCompleted() ? "mark not done " : "mark done ") + v.getItemSummary());
    v.noteBefore(*v.getCurItem(), false);
    const int result = v.isItemCompleted() ? v.clearItemCompleted() : v.setItemCompleted();
    if (result >= 0) v.incsave_saveCurItem();
    v.checkCompleted();
    return result;
}

int UserActions::newItemAtRow(unsigned row, bool leftHalf) {
    const uint32_t prio = v.getViewData()[row].prio;
    if (prio == PRIO_DAYHEADER) {
        if (v.newToDo(PRIO_APPOINTMENT, row) != 0) return -1;
        v.incsave_newItem();
        return 0;
    }
    if (prio != PRIO_SEPARATOR) return -1;
    // The left half makes a todo of the middle priority, the right half a note.
    if (v.newToDo(leftHalf ? 3 : PRIO_NOTE, row) != 0) return -1;
    v.incsave_newItem();
    return leftHalf ? 0 : 1;
}

int UserActions::newToDoForEditing() {
    if (v.newToDo(0, 0) != 0) return -1;
    v.incsave_newItem();
    return 0;
}

int UserActions::newGroupForEditing(int topLine, int selectedLine) {
    // Results as newGroup's: -1 refused, NEW_GROUP_TOO_DEEP (-2) too deep.
    const int made = v.newGroup();
    if (made != 0) return made;
    if (v.getOptViewtype() == VIEWTYPE_TREE) pushListPosition(topLine, selectedLine);
    v.incsave_newItem();
    return 0;
}

int UserActions::beginItemEdit() {
    const char* text = nullptr;
    if (v.getItemDescription(text) == 1) return 1;
    v.incsave_rememberTodo();
    return 0;
}

int UserActions::beginGroupEdit() {
    if (v.inRootGroup()) return -1;
    v.incsave_rememberGroup();
    return 0;
}

void UserActions::beginGroupEditAtRow(unsigned row) {
    v.rememberGroup();
    v.setGroup2ViewItem(int(row));
    v.incsave_rememberGroup();
}

void UserActions::storeItemText(const std::string& summary, const char* description) {
    v.setItemSummary(summary);
    if (description) v.setItemDescription(description);
}

void UserActions::closeItemEditor(const std::string& summary, const char* description) {
    storeItemText(summary, description);
    if (v.incsave_todoHasChanged()) {
        UndoStep step(v, (v.editedItemIsNew() ? "new " : "edit ") + v.getItemSummary());
        v.noteEditorsBefore();
        v.incsave_saveCurItem();
    }
    v.incsave_forgetTodo();
    v.checkCompleted();
}

int UserActions::showGroupOfCurrentItem(const std::string& summary, const char* description) {
    if (v.getMainViewType() == MAINVIEW_NORMAL) return -1;
    v.rememberGroupOfCurrentItem();
    // The stored edits are journalled as on closing, so that none is lost.
    closeItemEditor(summary, description);
    if (v.getMainViewType() == MAINVIEW_SEARCH)
        v.leaveCurGroup();
    else
        v.setMainViewType(MAINVIEW_NORMAL);
    v.enterPrevGroup();
    v.guiData().oldPosInList.clear();
    v.guiData().oldSelInList.clear();
    return 0;
}

int UserActions::turnCurrentItemIntoGroup(const std::string& summary, const char* description,
                                          int topLine) {
    storeItemText(summary, description);
    UndoStep step(v, "turn " + v.getItemSummary() + " into a group");
    if (v.turnCurItem2Group() != 0) return -1;
    // The operation journalled the deletion and the new group with the copy.
    v.incsave_forgetTodo();
    if (v.getOptViewtype() == VIEWTYPE_TREE) {
        v.guiData().oldPosInList.push_back(topLine);
        v.guiData().oldSelInList.push_back(0);
    }
    v.checkCompleted();
    return 0;
}

int UserActions::deleteCurrentItem() {
    UndoStep step(v, "delete " + v.getItemSummary());
    const int result = v.delToDo();
    if (result != 0) return result;
    v.incsave_forgetTodo();
    v.checkCompleted();
    return 0;
}

void UserActions::closeGroupEditor(const std::string& summary, bool backToRememberedGroup) {
    v.setGroupSummary(summary);
    if (v.incsave_groupHasChanged()) {
        UndoStep step(v, (v.editedItemIsNew() ? "new group " : "edit group ") + summary);
        v.noteEditorsBefore();
        v.incsave_saveCurGroup();
    }
    v.incsave_forgetGroup();
    v.checkCompleted();
    if (backToRememberedGroup) v.enterPrevGroup();
}

int UserActions::deleteCurrentGroup() {
    UndoStep step(v, "delete group " + v.getGroupSummary());
    v.incsave_forgetGroup();
    return v.delCurGroup();
}

void UserActions::deleteRows(const std::vector<unsigned>& rows) {
    UndoStep step(v, "delete " + std::to_string(rows.size()) + (rows.size() == 1 ? " item" : " items"));
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        v.DeleteItem(*it);
    v.checkCompleted();
}

bool UserActions::leaveIdleActiveView() {
    if (v.getNrActiveJobs() != 0 || v.getMainViewType() != MAINVIEW_ACTIVE) return false;
    v.setMainViewType(MAINVIEW_BACK);
    return true;
}

void UserActions::useFlatView() {
    v.guiData().oldPosInList.clear();
    v.guiData().oldSelInList.clear();
    v.setOptViewtype(VIEWTYPE_FLAT);
}

bool UserActions::toggleItemIsToDo() {
    const bool todo = v.getItemPriority() > PRIO_MAXTODO;
    v.setItemIsToDo(todo);
    return todo;
}

void UserActions::toggleItemRunning() {
    v.setItemRunning(!v.isItemRunning());
}

DateControls UserActions::refreshItemDates() {
    v.sanitizeTimeThings();
    const DateControls c =
        dateControlsShown(v.getItemPriority() <= PRIO_MAXTODO, v.getDateTime(16), v.getDateTime(0));
    // Only an item with both dates can be shown as busy.
    if (!c.busy && v.getShowTimeAs() != 0) v.setShowTimeAs(0);
    return c;
}

void UserActions::setPickedDate(int which, int year, int month, int day) {
    if (which != 0)
        v.setBeginDateMovingEnd(year, month, day);
    else
        v.setDate(which, year, month, day);
}

void UserActions::setPickedTime(int which, int hour, int minute) {
    if (which != 0)
        v.setBeginTimeMovingEnd(hour, minute);
    else
        v.setTime(which, hour, minute);
}

int UserActions::applyRecurrence(const T_recData& rec) {
    const int reset = v.setRecData(rec);
    v.sanitizeTimeThings();
    return reset;
}

void UserActions::recurrenceReference(int& day, int& month, int& weekday) const {
    const bool todo = v.getItemPriority() <= PRIO_MAXTODO;
    const packedDT ref = v.getDateTime(todo ? 0 : 16);
    day = dtDay(ref);
    month = dtMonth(ref);
    weekday = dtHasDate(ref) ? Wochentag(day, month, dtYear(ref)) : 0;
}

bool UserActions::canSkipDayAtRow(unsigned row) const {
    if (v.getMainViewType() != MAINVIEW_CALENDAR || row >= v.getViewItems().size()) return false;
    const ToDoListToDo* t = v.getCurItem();
    return t && v.getViewItems()[row] == t && t->repeatsInCalendar();
}

int UserActions::skipDayAtRow(unsigned row) {
    if (!canSkipDayAtRow(row)) return -1;
    // An overdue todo's row stands for its current occurrence, which leaving
    // out would not take from that row.
    const packedDT day = v.getViewData()[row].day;
    if ((day & DT_TIMEMASK) == DT_TIMEMASK) return -1;
    ToDoListToDo& t = *v.getCurItem();
    UndoStep step(v, "skip a day of " + t.getSummary());
    v.noteBefore(t, false);
    const packedDT anchor = occurrenceAnchorOn(t, day);
    if (!dtHasDate(anchor) || !t.skipDay(anchor)) return -1;
    v.incsave_saveCurItem();
    v.incsave_rememberTodo();
    return 0;
}

void UserActions::pushListPosition(int topLine, int selectedLine) {
    v.guiData().oldPosInList.push_back(topLine);
    v.guiData().oldSelInList.push_back(selectedLine);
}

int UserActions::popListPosition(int* selected) {
    T_GUIData& g = v.guiData();
    int top = 0, sel = 0;
    if (!g.oldPosInList.empty()) {
        top = g.oldPosInList.back();
        g.oldPosInList.pop_back();
    }
    if (!g.oldSelInList.empty()) {
        sel = g.oldSelInList.back();
        g.oldSelInList.pop_back();
    }
    if (selected) *selected = sel;
    return top;
}

void UserActions::enterGroupAtRow(unsigned row, int topLine, int selectedLine) {
    if (v.getOptViewtype() == VIEWTYPE_TREE) pushListPosition(topLine, selectedLine);
    v.setGroup2ViewItem(int(row));
}

int UserActions::leaveGroup(int& topLine, int& selectedLine) {
    if (v.leaveCurGroup() != 0) return -1;
    topLine = popListPosition(&selectedLine);
    return 0;
}

void UserActions::searchFor(const std::string& text, int topLine, int selectedLine) {
    if (v.getOptViewtype() == VIEWTYPE_TREE && v.getMainViewType() != MAINVIEW_SEARCH)
        pushListPosition(topLine, selectedLine);
    v.search(text);
}

int UserActions::switchMainView(int view, int topLine, int& jobsTopLine) {
    T_GUIData& g = v.guiData();
    switch (view) {
    case MAINVIEW_ACTIVE:
        if (v.getMainViewType() == MAINVIEW_ACTIVE) {
            v.setMainViewType(MAINVIEW_BACK);
            return jobsTopLine;
        }
        if (v.getMainViewType() == MAINVIEW_SEARCH) {
            jobsTopLine = popListPosition(nullptr);
            v.leaveCurGroup();
        } else {
            jobsTopLine = topLine;
        }
        v.setMainViewType(MAINVIEW_ACTIVE);
        return 0;
    case MAINVIEW_NORMAL:
        if (v.getMainViewType() == MAINVIEW_CALENDAR) g.nLineCal = topLine;
        v.setMainViewType(MAINVIEW_NORMAL);
        return g.nLineNormal;
    case MAINVIEW_CALENDAR:
        if (v.getMainViewType() == MAINVIEW_SEARCH) {
            v.leaveCurGroup();
            g.nLineNormal = popListPosition(nullptr);
        } else {
            g.nLineNormal = topLine;
        }
        v.setMainViewType(MAINVIEW_CALENDAR);
        return g.nLineCal;
    default:
        return 0;
    }
}

void UserActions::keepListTopLine(int topLine) {
    if (v.getMainViewType() == MAINVIEW_CALENDAR)
        v.guiData().nLineCal = topLine;
    else
        v.guiData().nLineNormal = topLine;
}

void UserActions::buildView() {
    v.clearViewData();
    if (v.getMainViewType() != MAINVIEW_CALENDAR) {
        v.setOptShowCompleted(v.getGroupShowCompleted());
        v.setOptCompletedLast(v.getGroupCompletedLast());
    }
    v.getContent();
    v.sortContent();
}

int UserActions::openDataFile(const char* name) {
    v.checkFile(name);
    v.createRoot();
    return v.readData(name);
}

int UserActions::mergeJournalAtStart(std::string& error, int& saveResult, T_SaveReport& report,
                                     std::vector<std::pair<std::string, std::string>>& strays) {
    const int merged = v.incsave_readFiles(error);
    if (merged != 0 && merged != 1) return merged;
    // The undo history, before the merge saves: it must find the journal it
    // was written beside.
    std::string told;
    v.loadUndoHistory(told);
    if (merged == 1) saveResult = v.saveData(report);
    // After a failed save the journal stays as it was for the next start:
    // nothing of it lies behind a gap yet.
    if (merged == 0 || saveResult != -1) strays = v.incsave_setAsideStrays();
    return merged;
}

int UserActions::saveChangesAtEnd(bool always, T_SaveReport& report) {
    if (v.incsave_getNrOfFiles() == 0 && !v.incsave_hasUnjournaledChanges() && !always &&
        !v.passwordsChanged())
        return 1;
    return v.saveData(report);
}

namespace {

// Sets the current item's begin or end to value as the date and time pickers
// would; a value without a date leaves it empty.
void setPickedDateTime(Velk& v, int which, packedDT value) {
    if (!dtHasDate(value)) return;
    v.setDate(which, dtYear(value), dtMonth(value), dtDay(value));
    if (dtHasTime(value)) v.setTime(which, dtHour(value), dtMinute(value));
}

} // namespace

int UserActions::addItem(const T_NewItem& item, uint32_t& syncID, std::string& error) {
    ToDoListGroup* group = nullptr;
    if (groupAtPath(*v.getRoot(), item.groupPath, group, error) != 0) return ADD_NO_GROUP;
    v.setMainViewType(MAINVIEW_NORMAL);
    v.setGroup(group);
    if (newToDoForEditing() != 0) {
        error = "no entry can be made in that group";
        return ADD_NO_GROUP;
    }
    v.incsave_rememberTodo();
    const bool todo = item.priority >= 1 && item.priority <= 6;
    if (!todo) v.setShowTimeAs(item.priority == PRIO_APPOINTMENT ? SHOW_TIME_BUSY : 0);
    v.setItemPriority(item.priority);
    // Each date is brought into order with the other as it is set: a todo's
    // begin needs its due date, an appointment's or note's end its begin.
    if (todo) setPickedDateTime(v, WHICH_END, item.due);
    setPickedDateTime(v, WHICH_BEGIN, item.begin);
    if (!todo) setPickedDateTime(v, WHICH_END, item.due);
    v.storeItemText(item.summary, nullptr);
    UndoStep step(v, "add " + item.summary);
    const int journaled = v.incsave_saveCurItem();
    syncID = v.getCurItem()->getSyncID();
    v.incsave_forgetTodo();
    v.checkCompleted();
    return journaled == 0 ? 0 : ADD_NOT_JOURNALED;
}
