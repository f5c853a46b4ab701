// Changes the item editor makes to the current item that touch more than one
// field: begin and end move together, and the kind follows the busy state.

#include "engine/edit_session.h"

namespace {

// The priority an appointment or note takes when it becomes a todo.
constexpr unsigned NEW_TODO_PRIORITY = 3;

// Files the entry again after several fields were written without checks, so
// that begin, end and recurrence are repaired once, on the final values.
void refile(ToDoListToDo& t, T_Calendar& cal) {
    t.removeFromCalLists(cal);
    t.sanitizeTimeThings();
    t.putIntoCalList(cal);
}

} // namespace

void EditSession::setEndToBeginPlus30() {
    ToDoListToDo* curItem = nav.curItem();
    T_Calendar& cal = tree.calendar();
    if (!curItem) return;
    const packedDT begin = curItem->getDateTime(WHICH_BEGIN);
    if (!dtHasDate(begin)) return;
    if (!dtHasTime(begin)) {
        curItem->setDateDontCheck(WHICH_END, dtYear(begin), dtMonth(begin), dtDay(begin), cal);
        curItem->clearTime(WHICH_END, cal);
        return;
    }
    packedDT end = begin;
    moveDateTime(end, 30);
    curItem->setDateDontCheck(WHICH_END, dtYear(end), dtMonth(end), dtDay(end), cal);
    curItem->setTimeDontCheck(WHICH_END, dtHour(end), dtMinute(end), cal);
    refile(*curItem, cal);
}

void EditSession::setBeginDateMovingEnd(int year, int month, int day) {
    ToDoListToDo* curItem = nav.curItem();
    T_Calendar& cal = tree.calendar();
    if (!curItem || !isValidDate(day, month, year)) return;
    const packedDT begin = curItem->getDateTime(WHICH_BEGIN);
    packedDT end = curItem->getDateTime(WHICH_END);
    if (!dtHasDate(begin) || !dtHasDate(end)) {
        setDate(WHICH_BEGIN, year, month, day);
        return;
    }
    const int span = getDateDiff(end, begin);
    packedDT newEnd = withDate(end, day, month, year);
    moveDate(newEnd, span);
    // Both dates are written first and checked once, so the pair is never
    // seen in the wrong order (which would swap begin and end).
    curItem->setDateDontCheck(WHICH_BEGIN, year, month, day, cal);
    curItem->setDateDontCheck(WHICH_END, dtYear(newEnd), dtMonth(newEnd), dtDay(newEnd), cal);
    refile(*curItem, cal);
}

void EditSession::setBeginTimeMovingEnd(int hour, int minute) {
    ToDoListToDo* curItem = nav.curItem();
    T_Calendar& cal = tree.calendar();
    if (!curItem) return;
    const packedDT begin = curItem->getDateTime(WHICH_BEGIN);
    packedDT end = curItem->getDateTime(WHICH_END);
    if (!dtHasDate(begin) || !dtHasTime(begin) || !dtHasDate(end) || !dtHasTime(end)) {
        setTime(WHICH_BEGIN, hour, minute);
        return;
    }
    const int delta = (hour * 60 + minute) - (dtHour(begin) * 60 + dtMinute(begin));
    moveDateTime(end, delta);
    curItem->setTimeDontCheck(WHICH_BEGIN, hour, minute, cal);
    curItem->setDateDontCheck(WHICH_END, dtYear(end), dtMonth(end), dtDay(end), cal);
    curItem->setTimeDontCheck(WHICH_END, dtHour(end), dtMinute(end), cal);
    refile(*curItem, cal);
}

void EditSession::setItemIsToDo(bool todo) {
    ToDoListToDo* curItem = nav.curItem();
    if (!curItem || todo == curItem->isToDo()) return;
    if (todo)
        setItemPriority(NEW_TODO_PRIORITY);
    else
        setItemPriority(curItem->getShowTimeAs() == SHOW_TIME_BUSY ? PRIO_APPOINTMENT : PRIO_NOTE);
}

bool EditSession::getItemSaveCrypt() const {
    const ToDoListToDo* curItem = nav.curItem();
    return curItem && (curItem->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT) != 0;
}

void EditSession::setItemSaveCrypt(bool on) {
    if (nav.curItem()) nav.curItem()->SetSaveCrypt(on);
}
