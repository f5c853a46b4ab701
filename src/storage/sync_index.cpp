#include "storage/sync_index.h"

#include "model/group.h"

void SyncIDIndex::add(ToDoListItem& item, bool isGroup, ToDoListGroup* parent) {
    const uint32_t id = item.getSyncID();
    if (shared.count(id)) return;
    auto placed = entries.emplace(id, Entry{&item, parent, isGroup});
    if (!placed.second) {
        shared.insert(id);
        entries.erase(placed.first);
    }
}

void SyncIDIndex::addSubtree(ToDoListItem& item, bool isGroup, ToDoListGroup* parent) {
    add(item, isGroup, parent);
    if (!isGroup) return;
    auto& g = static_cast<ToDoListGroup&>(item);
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        add(*g.getToDo(i), false, &g);
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        addSubtree(*g.getGroup(i), true, &g);
}

void SyncIDIndex::build(ToDoListGroup& root) {
    entries.clear();
    shared.clear();
    addSubtree(root, true, nullptr);
}

void SyncIDIndex::removeSubtree(ToDoListItem& item, bool isGroup) {
    // A shared sync ID stays shared: the walk keeps answering for it.
    forEachInSubtree(item, isGroup, [this](ToDoListItem& i) {
        auto it = entries.find(i.getSyncID());
        if (it != entries.end() && it->second.item == &i) entries.erase(it);
    });
}

bool SyncIDIndex::find(ToDoListGroup& root, uint32_t id, Entry& out) const {
    out = Entry();
    if (shared.count(id)) {
        bool isGroup = true; // the walk leaves it unset when the root itself matches
        ToDoListItem* item = root.getPtrToItemWithSyncID(id, isGroup, true);
        if (!item) return false;
        out.item = item;
        out.isGroup = isGroup;
        out.parent = item == &root ? nullptr : root.getGroupPtr(item->getPath());
        return true;
    }
    auto it = entries.find(id);
    if (it == entries.end()) return false;
    out = it->second;
    return true;
}
