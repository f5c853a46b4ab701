#include "engine/edit_session.h"

#include "crypt/crypt_man.h"

#include "model/clock.h"

#include <ctime>

EditSession::EditSession(ItemTree& tree, Navigation& nav, CryptMan& crypt)
    : tree(tree), nav(nav), crypt(crypt) {}

void EditSession::setItemPriority(unsigned prio) {
    nav.curItem()->setPriority(prio, tree.calendar());
}

int EditSession::getItemDescription(const char*& text) {
    text = nullptr;
    int r = nav.curItem()->GetDescription(text, &crypt);
    if (r != 0) return r;
    return text ? 0 : -1;
}

void EditSession::setShowTimeAs(int value) {
    nav.curItem()->setShowTimeAs(value, tree.calendar());
}

int EditSession::setItemCompleted() {
    if (!nav.curItem()) return -1;
    return tree.setCompleted(*nav.curItem());
}

int EditSession::setItemRunning(bool on) {
    if (!nav.curItem()) return -1;
    return tree.setRunning(*nav.curItem(), on);
}

void EditSession::setDate(int which, int year, int month, int day) {
    if (nav.curItem()) nav.curItem()->setDate(which, year, month, day, tree.calendar());
}

void EditSession::setDateToday(int which) {
    std::tm t{};
    if (velkLocalTime(t)) setDate(which, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

void EditSession::clearDate(int which) {
    if (nav.curItem()) nav.curItem()->clearDate(which, tree.calendar());
}

void EditSession::setTime(int which, int hour, int minute) {
    if (nav.curItem()) nav.curItem()->setTime(which, hour, minute, tree.calendar());
}

void EditSession::clearTime(int which) {
    if (nav.curItem()) nav.curItem()->clearTime(which, tree.calendar());
}

int EditSession::setRecData(T_recData rec) {
    ToDoListToDo* item = nav.curItem();
    if (!item) return REC_KEPT;
    T_recData before;
    item->getRecData(before);
    const int reset = item->setRecData(rec, tree.calendar());
    T_recData after;
    item->getRecData(after);
    if (todoSnapshot && after != before) todoRecurrenceEdited = true;
    return reset;
}

void EditSession::clearRecData() {
    setRecData(T_recData());
}

bool EditSession::toggleGroupShowCompleted() {
    ToDoListGroup* g = nav.curGroup();
    g->setShowCompleted(!g->getShowCompleted());
    return g->getShowCompleted();
}

bool EditSession::toggleGroupCompletedLast() {
    ToDoListGroup* g = nav.curGroup();
    g->setCompletedLast(!g->getCompletedLast());
    return g->getCompletedLast();
}

void EditSession::rememberTodo() {
    todoSnapshot.reset();
    if (nav.curItem()) todoSnapshot = std::make_unique<ToDoListToDo>(*nav.curItem());
    newItemFlag = false;
    todoRecurrenceEdited = false;
}

bool EditSession::todoHasChanged() const {
    if (todoSnapshot && nav.curItem() && *todoSnapshot != *nav.curItem()) return true;
    return newItemFlag || todoRecurrenceEdited;
}

void EditSession::rememberGroup() {
    if (!groupSnapshot && nav.curGroup())
        groupSnapshot = std::make_unique<ToDoListGroup>(*nav.curGroup());
    newItemFlag = false;
}

bool EditSession::groupHasChanged() const {
    if (groupSnapshot && nav.curGroup() && *groupSnapshot != *nav.curGroup()) return true;
    return newItemFlag;
}
