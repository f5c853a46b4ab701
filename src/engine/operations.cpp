// The structural operations of the engine: creating, restructuring and deleting
// items. Each keeps the calendar lists, the running count and the sync IDs in
// step with the tree, and journals the deletions and restructurings itself;
// new and edited items are journaled when their editor closes.

#include "engine/velk.h"
#include "model/sync_ids.h"

#include <cstdio>
#include <unordered_set>

namespace {

std::string ownPath(const ToDoListGroup& g) {
    return g.getPath() + std::to_string(g.getID()) + "/";
}

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

void Velk::forgetReferencesInto(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) {
    if (isGroup) {
        const std::string own = ownPath(static_cast<ToDoListGroup&>(item));
        auto inside = [&own](const std::string& path) {
            return path.compare(0, own.size(), own) == 0;
        };
        const std::string parentPath = ownPath(parent);
        if (curGroup && inside(curGroupPath)) setGroup(&parent);
        if (curItem && inside(curItem->getPath())) curItem = nullptr;
        if (rememberedGroup && inside(rememberedPath)) {
            rememberedGroup = &parent;
            rememberedPath = parentPath;
        }
        if (savedGroup && inside(savedPath)) {
            savedGroup = &parent;
            savedPath = parentPath;
        }
    } else if (curItem == &item) {
        curItem = nullptr;
    }
    if (viewItems.empty()) return;
    std::unordered_set<const ToDoListItem*> gone;
    forEachInSubtree(item, isGroup, [&gone](ToDoListItem& i) { gone.insert(&i); });
    for (ToDoListItem*& shown : viewItems)
        if (shown && gone.count(shown)) shown = nullptr;
}

// Normal view: a new todo in the current group (the priority is not used).
// Calendar view: a new entry of that priority on the day of the row, in the
// group "calendar" below the root (made on first use); the current group stays.
// -1 in other views, or for a row that is not there or has no day.
int Velk::newToDo(unsigned priority, unsigned row) {
    if (opts.mainviewtype == MAINVIEW_NORMAL) {
        if (!curGroup) return -1;
        curItem = curGroup->newToDo();
        curItem->setSyncID(newSyncID(idmax, root.get()));
        return 0;
    }
    if (opts.mainviewtype != MAINVIEW_CALENDAR || row >= viewData.size()) return -1;
    const packedDT day = viewData[row].day;
    if (day & DT_NODATE) return -1;

    rememberGroup();
    ToDoListGroup* calGroup = root->getGroupPtrFromSumPath("/", "/<unnamed>/calendar/");
    if (!calGroup) {
        calGroup = root->newGroup();
        calGroup->setSyncID(newSyncID(idmax, root.get()));
        calGroup->setSummary("calendar");
    }
    setGroup(calGroup);
    curItem = calGroup->newToDo();
    curItem->setSyncID(newSyncID(idmax, root.get()));

    const int y = int((day >> 24) & 127) + 2000, m = int((day >> 20) & 15),
              d = int((day >> 15) & 31);
    setItemPriority(priority);
    if (priority == PRIO_APPOINTMENT) {
        setDate(16, y, m, d);
        setDate(0, y, m, d);
        setTime(16, 8, 0);
        setTime(0, 8, 30);
        setShowTimeAs(1);
    } else if (priority == PRIO_NOTE) {
        setDate(16, y, m, d);
        setDate(0, y, m, d);
        setItemSummary("");
    } else {
        setDate(0, y, m, d);
        setDate(16, y, m, d);
    }
    enterPrevGroup();
    return 0;
}

// A new group in the current group, made current. -1 outside the normal view
// and in a group at the deepest level.
int Velk::newGroup() {
    if (opts.mainviewtype != MAINVIEW_NORMAL || !curGroup) return -1;
    if (curGroup->getLevel() >= MAX_GROUP_LEVEL) {
        std::fprintf(stderr, "%s\n", GROUPS_TOO_DEEP);
        return -1;
    }
    ToDoListGroup* g = curGroup->newGroup();
    g->setSyncID(newSyncID(idmax, root.get()));
    setGroup(g);
    return 0;
}

// Replaces the current todo by a new group, in the group that holds the todo,
// containing a copy of the todo; both get new sync IDs. The new group becomes
// current and the copy the current item. -1 outside the normal view or
// without a current todo in the tree, and for a todo at the deepest level.
int Velk::turnCurItem2Group() {
    if (opts.mainviewtype != MAINVIEW_NORMAL || !curItem) return -1;
    ToDoListToDo* source = curItem;
    ToDoListGroup* parent = GetParentOfItem(source);
    if (!parent || !isChild(*parent, *source, false)) return -1;
    if (parent->getLevel() >= MAX_GROUP_LEVEL) {
        std::fprintf(stderr, "%s\n", GROUPS_TOO_DEEP);
        return -1;
    }

    ToDoListGroup* g = parent->newGroup();
    g->setSummary(source->getSummary().empty() ? "<unnamed>" : source->getSummary());
    g->setSyncID(newSyncID(idmax, root.get()));
    ToDoListToDo* t = g->newToDo();
    const unsigned id = t->getID();
    const std::string path = t->getPath();
    *t = *source; // every field: times, running state, completion, dates, recurrence, description
    t->setID(id);
    t->setPath(path);
    t->setSyncID(newSyncID(idmax, root.get()));
    t->putIntoCalList(cal);
    if (t->isRunning()) ++nrActiveJobs;

    // First the deletion of the todo, then the new group with the copy.
    incsave_writeDeleted(*source);
    incsave_writeNew(*g, *parent);

    forgetReferencesInto(*source, false, *parent);
    parent->delToDo(source, nrActiveJobs, cal);
    setGroup(g);
    curItem = t;
    return 0;
}

// The group that holds the current group when delCurGroup may delete it: in
// the normal view, and never the root. Null otherwise.
ToDoListGroup* Velk::parentOfDeletableCurGroup() const {
    if (opts.mainviewtype != MAINVIEW_NORMAL || !curGroup || curGroup == root.get()) return nullptr;
    ToDoListGroup* parent = root->getGroupPtr(curGroup->getPath());
    return parent && isChild(*parent, *curGroup, true) ? parent : nullptr;
}

bool Velk::canDeleteCurGroup() const {
    return parentOfDeletableCurGroup() != nullptr;
}

// Deletes the current group with everything in it; its parent becomes current.
// -1 in the root or outside the normal view.
int Velk::delCurGroup() {
    ToDoListGroup* parent = parentOfDeletableCurGroup();
    if (!parent) return -1;
    ToDoListGroup* g = curGroup;
    incsave_writeDeleted(*g);
    leaveCurGroup();
    forgetReferencesInto(*g, true, *parent);
    parent->delGroup(g, nrActiveJobs, cal);
    root->checkCompleted();
    return 0;
}

// Deletes a todo or a group (with its subtree) from the group that holds it.
// -1, nothing changed, when the item is not in the tree.
int Velk::DeleteItem(ToDoListItem* item) {
    if (!item || item == root.get()) return -1;
    const bool isGroup = isGroupItem(*item);
    ToDoListGroup* parent = GetParentOfItem(item);
    if (!parent || !isChild(*parent, *item, isGroup)) return -1;
    incsave_writeDeleted(*item);
    forgetReferencesInto(*item, isGroup, *parent);
    if (isGroup) {
        if (item == searchGroup) searchGroup = nullptr;
        parent->delGroup(static_cast<ToDoListGroup*>(item), nrActiveJobs, cal);
        return 0;
    }
    return parent->delToDo(static_cast<ToDoListToDo*>(item), nrActiveJobs, cal);
}

// Deletes the item shown at display position pos. The rows are not removed
// (only emptied), so the positions of a multi-row deletion keep naming the
// rows the user selected, in any order. -1 for a position that shows no item
// (a calendar marker, or an item already deleted with its group).
int Velk::DeleteItem(unsigned pos) {
    if (pos >= viewOrder.size()) return -1;
    const unsigned row = viewOrder[pos];
    if (row >= viewItems.size() || !viewItems[row]) return -1;
    return DeleteItem(viewItems[row]);
}

// Deletes the current item. -1 outside the normal and the calendar view.
int Velk::delToDo() {
    if (opts.mainviewtype != MAINVIEW_NORMAL && opts.mainviewtype != MAINVIEW_CALENDAR) return -1;
    if (!curItem) return -1;
    DeleteItem(curItem);
    return 0;
}

// Deletes every completed todo that the current list shows (appointments and
// notes stay), each once. -1 when a deletion failed; the walk stops there.
int Velk::delCompleted() {
    for (std::size_t row = 0; row < viewData.size() && row < viewItems.size(); ++row) {
        const T_viewDataItem& d = viewData[row];
        ToDoListItem* item = viewItems[row];
        // An item already deleted (shown on several days) has an empty row now.
        if (d.kind != 0 || !d.completed || d.prio > PRIO_MAXTODO || !item) continue;
        if (DeleteItem(item) != 0) return -1;
    }
    return 0;
}
