// Changes the item editor makes to the current item that touch more than one
// field: begin and end move together, and the kind follows the busy state.

#include "engine/velk.h"

namespace {

// Files the entry again after several fields were written without checks, so
// that begin, end and recurrence are repaired once, on the final values.
void refile(ToDoListToDo& t, T_Calendar& cal) {
    t.removeFromCalLists(cal);
    t.sanitizeTimeThings();
    t.putIntoCalList(cal);
}

} // namespace

void Velk::setEndToBeginPlus30() {
    if (!curItem) return;
    const packedDT begin = curItem->getDateTime(16);
    if (!dtHasDate(begin)) return;
    if (!dtHasTime(begin)) {
        curItem->setDateDontCheck(0, dtYear(begin), dtMonth(begin), dtDay(begin), cal);
        curItem->clearTime(0, cal);
        return;
    }
    packedDT end = begin;
    moveDateTime(end, 30);
    curItem->setDateDontCheck(0, dtYear(end), dtMonth(end), dtDay(end), cal);
    curItem->setTimeDontCheck(0, dtHour(end), dtMinute(end), cal);
    refile(*curItem, cal);
}

void Velk::setBeginDateMovingEnd(int year, int month, int day) {
    if (!curItem || !isValidDate(day, month, year)) return;
    const packedDT begin = curItem->getDateTime(16);
    packedDT end = curItem->getDateTime(0);
    if (!dtHasDate(begin) || !dtHasDate(end)) {
        setDate(16, year, month, day);
        return;
    }
    const int span = getDateDiff(end, begin);
    packedDT newEnd = packDate(day, month, year) | (end & 0x7fff);
    moveDate(newEnd, span);
    // Both dates are written first and checked once, so the pair is never
    // seen in the wrong order (which would swap begin and end).
    curItem->setDateDontCheck(16, year, month, day, cal);
    curItem->setDateDontCheck(0, dtYear(newEnd), dtMonth(newEnd), dtDay(newEnd), cal);
    refile(*curItem, cal);
}

void Velk::setBeginTimeMovingEnd(int hour, int minute) {
    if (!curItem) return;
    const packedDT begin = curItem->getDateTime(16);
    packedDT end = curItem->getDateTime(0);
    if (!dtHasDate(begin) || !dtHasTime(begin) || !dtHasDate(end) || !dtHasTime(end)) {
        setTime(16, hour, minute);
        return;
    }
    const int delta = (hour * 60 + minute) - (dtHour(begin) * 60 + dtMinute(begin));
    moveDateTime(end, delta);
    curItem->setTimeDontCheck(16, hour, minute, cal);
    curItem->setDateDontCheck(0, dtYear(end), dtMonth(end), dtDay(end), cal);
    curItem->setTimeDontCheck(0, dtHour(end), dtMinute(end), cal);
    refile(*curItem, cal);
}

void Velk::setItemIsToDo(bool todo) {
    if (!curItem || todo == curItem->isToDo()) return;
    if (todo)
        setItemPriority(3);
    else
        setItemPriority(curItem->getShowTimeAs() == 1 ? PRIO_APPOINTMENT : PRIO_NOTE);
}

bool Velk::getItemSaveCrypt() const {
    return curItem && (curItem->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT) != 0;
}

void Velk::setItemSaveCrypt(bool on) { if (curItem) curItem->SetSaveCrypt(on); }
