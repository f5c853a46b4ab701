#include "model/calendar.h"

#include "model/todo_item.h"

void T_DatedCalList::file(ToDoListToDo* item, packedDT key) {
    // A new entry sorts before every older entry with the same key.
    orderedValid = false;
    const_iterator pos = index->entries.insert(T_DatedCalListItem{item, key, nextFiled++}).first;
    index->byItem.emplace(item, pos);
}

void T_DatedCalList::unfile(ToDoListToDo* item) {
    auto range = index->byItem.equal_range(item);
    if (range.first == range.second) return;
    orderedValid = false;
    // An item filed more than once is unfiled at its first entry from the front.
    auto first = range.first;
    for (auto it = std::next(range.first); it != range.second; ++it)
        if (Order()(*it->second, *first->second)) first = it;
    index->entries.erase(first->second);
    index->byItem.erase(first);
}

bool T_DatedCalList::contains(const ToDoListToDo* item) const {
    return index->byItem.count(item) != 0;
}

void T_DatedCalList::clear() {
    index.reset();
    ordered.clear();
    orderedValid = false;
}

const std::vector<T_DatedCalListItem>& T_DatedCalList::inOrder() const {
    if (!orderedValid) {
        ordered.assign(index->entries.begin(), index->entries.end());
        orderedValid = true;
    }
    return ordered;
}

void T_RecCalList::file(ToDoListToDo* item) {
    index->items.push_back(item);
    index->byItem.emplace(item, Place{nextFiled++, std::prev(index->items.end())});
}

void T_RecCalList::unfile(ToDoListToDo* item) {
    auto range = index->byItem.equal_range(item);
    if (range.first == range.second) return;
    auto first = range.first;
    for (auto it = std::next(range.first); it != range.second; ++it)
        if (it->second.filed < first->second.filed) first = it;
    index->items.erase(first->second.pos);
    index->byItem.erase(first);
}

void T_RecCalList::clear() {
    index.reset();
}

T_Calendar::T_Calendar() : date(getTodayDate(DT_NOTIME)) {}

void T_Calendar::clearLists() {
    recToDos.clear();
    datedToDos.clear();
    recAppointments.clear();
    datedAppointments.clear();
    recNotes.clear();
    datedNotes.clear();
}

namespace {

bool isFiledAsRecurring(const T_recData& rec) {
    return rec.type != REC_NONE && rec.type != REC_DAILY_RESETABLE;
}

} // namespace

void ToDoListToDo::putIntoCalList(T_Calendar& cal) {
    if (!dtHasDate(begin) && !dtHasDate(end)) return;
    const bool recurring = isFiledAsRecurring(recData);
    switch (priority) {
    case PRIO_APPOINTMENT:
        recurring ? cal.recAppointments.file(this) : cal.datedAppointments.file(this, begin);
        break;
    case PRIO_NOTE:
        recurring ? cal.recNotes.file(this) : cal.datedNotes.file(this, begin);
        break;
    default:
        recurring ? cal.recToDos.file(this) : cal.datedToDos.file(this, end);
        break;
    }
}

void ToDoListToDo::removeFromCalLists(T_Calendar& cal) {
    // The entry is taken out of whichever list holds it, not the list its
    // fields select now: a field changed while the entry was filed (a record
    // tidied when it was written, for instance) must not leave it behind in
    // the list it was filed in, pointing at a deleted entry later.
    cal.recAppointments.unfile(this);
    cal.datedAppointments.unfile(this);
    cal.recNotes.unfile(this);
    cal.datedNotes.unfile(this);
    cal.recToDos.unfile(this);
    cal.datedToDos.unfile(this);
}
