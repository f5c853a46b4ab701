// The structural operations of the engine: creating, restructuring and deleting
// items. Each keeps the calendar lists, the running count and the sync IDs in
// step with the tree, and journals the deletions and restructurings itself;
// new and edited items are journaled when their editor closes.

#include "engine/item_operations.h"

#include <cstdio>

namespace {

bool isGroupItem(const ToDoListItem& item) {
    return dynamic_cast<const ToDoListGroup*>(&item) != nullptr;
}

bool isChild(const ToDoListGroup& parent, const ToDoListItem& item, bool isGroup) {
    if (isGroup) {
        for (std::size_t i = 0; i < parent.getNrGroups(); ++i)
            if (parent.getGroup(i) == &item) return true;
    } else {
        for (std::size_t i = 0; i < parent.getNrToDos(); ++i)
            if (parent.getToDo(i) == &item) return true;
    }
    return false;
}

} // namespace

ItemOperations::ItemOperations(ItemTree& tree, ContentView& view, Navigation& nav,
                               EditSession& edit, TreeJournal journal)
    : tree(tree), view(view), nav(nav), edit(edit), journal(std::move(journal)) {}

// Normal view: a new todo in the current group (the priority is not used).
// Calendar view: a new entry of that priority on the day of the row, in the
// group "calendar" below the root (made on first use); the current group stays.
// -1 in other views, or for a row that is not there or has no day.
int ItemOperations::newToDo(unsigned priority, unsigned row) {
    if (view.options().mainviewtype == MAINVIEW_NORMAL) {
        if (!nav.curGroup()) return -1;
        nav.setItem(nav.curGroup()->newToDo());
        nav.curItem()->setSyncID(tree.newSyncID());
        return 0;
    }
    if (view.options().mainviewtype != MAINVIEW_CALENDAR || row >= view.rows().size()) return -1;
    const packedDT day = view.rows()[row].day;
    if (day & DT_NODATE) return -1;

    nav.rememberGroup();
    ToDoListGroup* calGroup = tree.root()->getGroupPtrFromSumPath("/", "/<unnamed>/calendar/");
    if (!calGroup) {
        calGroup = tree.root()->newGroup();
        calGroup->setSyncID(tree.newSyncID());
        calGroup->setSummary("calendar");
    }
    nav.setGroup(calGroup);
    nav.setItem(calGroup->newToDo());
    nav.curItem()->setSyncID(tree.newSyncID());

    const int y = dtYear(day), m = dtMonth(day), d = dtDay(day);
    edit.setItemPriority(priority);
    if (priority == PRIO_APPOINTMENT) {
        edit.setDate(WHICH_BEGIN, y, m, d);
        edit.setDate(WHICH_END, y, m, d);
        edit.setTime(WHICH_BEGIN, 8, 0);
        edit.setTime(WHICH_END, 8, 30);
        edit.setShowTimeAs(SHOW_TIME_BUSY);
    } else if (priority == PRIO_NOTE) {
        edit.setDate(WHICH_BEGIN, y, m, d);
        edit.setDate(WHICH_END, y, m, d);
        nav.curItem()->setSummary("");
    } else {
        edit.setDate(WHICH_END, y, m, d);
        edit.setDate(WHICH_BEGIN, y, m, d);
    }
    nav.enterPrevGroup();
    return 0;
}

// A new group in the current group, made current. -1 outside the normal view
// and in a group at the deepest level.
int ItemOperations::newGroup() {
    ToDoListGroup* curGroup = nav.curGroup();
    if (view.options().mainviewtype != MAINVIEW_NORMAL || !curGroup) return -1;
    if (curGroup->getLevel() >= MAX_GROUP_LEVEL) {
        std::fprintf(stderr, "%s\n", GROUPS_TOO_DEEP);
        return NEW_GROUP_TOO_DEEP;
    }
    ToDoListGroup* g = curGroup->newGroup();
    g->setSyncID(tree.newSyncID());
    nav.setGroup(g);
    return 0;
}

// Replaces the current todo by a new group, in the group that holds the todo,
// containing a copy of the todo; both get new sync IDs. The new group becomes
// current and the copy the current item. -1 outside the normal view or
// without a current todo in the tree, and for a todo at the deepest level.
int ItemOperations::turnCurItem2Group() {
    ToDoListToDo* source = nav.curItem();
    if (view.options().mainviewtype != MAINVIEW_NORMAL || !source) return -1;
    ToDoListGroup* parent = tree.parentOf(*source);
    if (!parent || !isChild(*parent, *source, false)) return -1;
    if (parent->getLevel() >= MAX_GROUP_LEVEL) {
        std::fprintf(stderr, "%s\n", GROUPS_TOO_DEEP);
        return -1;
    }

    ToDoListGroup* g = parent->newGroup();
    g->setSummary(source->getSummary().empty() ? "<unnamed>" : source->getSummary());
    g->setSyncID(tree.newSyncID());
    ToDoListToDo* t = g->newToDo();
    const unsigned id = t->getID();
    const std::string path = t->getPath();
    *t = *source; // every field: times, running state, completion, dates, recurrence, description
    t->setID(id);
    t->setPath(path);
    t->setSyncID(tree.newSyncID());
    t->putIntoCalList(tree.calendar());
    if (t->isRunning()) ++tree.activeJobs();

    // First the deletion of the todo, then the new group with the copy.
    journal.writeDeleted(*source);
    journal.writeNew(*g, *parent);

    nav.forgetReferencesInto(*source, false, *parent);
    parent->delToDo(source, tree.activeJobs(), tree.calendar());
    nav.setGroup(g);
    nav.setItem(t);
    return 0;
}

// The group that holds the current group when delCurGroup may delete it: in
// the normal view, and never the root. Null otherwise.
ToDoListGroup* ItemOperations::parentOfDeletableCurGroup() const {
    const ToDoListGroup* curGroup = nav.curGroup();
    if (view.options().mainviewtype != MAINVIEW_NORMAL || !curGroup || curGroup == tree.root())
        return nullptr;
    ToDoListGroup* parent = tree.parentOf(*curGroup);
    return parent && isChild(*parent, *curGroup, true) ? parent : nullptr;
}

bool ItemOperations::canDeleteCurGroup() const {
    return parentOfDeletableCurGroup() != nullptr;
}

// Deletes the current group with everything in it; its parent becomes current.
// -1 in the root or outside the normal view.
int ItemOperations::delCurGroup() {
    ToDoListGroup* parent = parentOfDeletableCurGroup();
    if (!parent) return -1;
    ToDoListGroup* g = nav.curGroup();
    journal.writeDeleted(*g);
    nav.leaveCurGroup();
    nav.forgetReferencesInto(*g, true, *parent);
    parent->delGroup(g, tree.activeJobs(), tree.calendar());
    tree.root()->checkCompleted();
    return 0;
}

// Deletes a todo or a group (with its subtree) from the group that holds it.
// -1, nothing changed, when the item is not in the tree.
int ItemOperations::DeleteItem(ToDoListItem* item) {
    if (!item || item == tree.root()) return -1;
    const bool isGroup = isGroupItem(*item);
    ToDoListGroup* parent = tree.parentOf(*item);
    if (!parent || !isChild(*parent, *item, isGroup)) return -1;
    journal.writeDeleted(*item);
    nav.forgetReferencesInto(*item, isGroup, *parent);
    if (isGroup) {
        tree.forgetSearchGroup(item);
        parent->delGroup(static_cast<ToDoListGroup*>(item), tree.activeJobs(), tree.calendar());
        return 0;
    }
    return parent->delToDo(static_cast<ToDoListToDo*>(item), tree.activeJobs(), tree.calendar());
}

// Deletes the item shown at display position pos. The rows are not removed
// (only emptied), so the positions of a multi-row deletion keep naming the
// rows the user selected, in any order. -1 for a position that shows no item
// (a calendar marker, or an item already deleted with its group).
int ItemOperations::DeleteItem(unsigned pos) {
    const std::vector<unsigned>& viewOrder = view.order();
    const std::vector<ToDoListItem*>& viewItems = view.items();
    if (pos >= viewOrder.size()) return -1;
    const unsigned row = viewOrder[pos];
    if (row >= viewItems.size() || !viewItems[row]) return -1;
    return DeleteItem(viewItems[row]);
}

// Deletes the current item. -1 outside the normal and the calendar view.
int ItemOperations::delToDo() {
    if (view.options().mainviewtype != MAINVIEW_NORMAL &&
        view.options().mainviewtype != MAINVIEW_CALENDAR)
        return -1;
    if (!nav.curItem()) return -1;
    DeleteItem(nav.curItem());
    return 0;
}

// Deletes every completed todo that the current list shows (appointments and
// notes stay), each once. -1 when a deletion failed; the walk stops there.
int ItemOperations::delCompleted() {
    // The rows stay while items are deleted (only emptied), so the walk
    // reads them anew at every step.
    const std::vector<T_viewDataItem>& viewData = view.rows();
    const std::vector<ToDoListItem*>& viewItems = view.items();
    for (std::size_t row = 0; row < viewData.size() && row < viewItems.size(); ++row) {
        const T_viewDataItem& d = viewData[row];
        ToDoListItem* item = viewItems[row];
        // An item already deleted (shown on several days) has an empty row now.
        if (d.kind != 0 || !d.completed || d.prio > PRIO_MAXTODO || !item) continue;
        if (DeleteItem(item) != 0) return -1;
    }
    return 0;
}
