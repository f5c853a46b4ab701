#pragma once
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

class ToDoListGroup;
class ToDoListItem;

// Finds groups and entries of a tree by sync ID without walking the tree, for
// replaying many journal entries onto a large tree.
//
// Every look-up gives exactly what the walk (ToDoListGroup::getPtrToItemWithSyncID
// on the root, and the containing group resolved from the item's path) gives:
// a sync ID that more than one item carries is never answered from the index
// but by the walk itself, so that even a damaged tree yields the same item.
class SyncIDIndex {
  public:
    struct Entry {
        ToDoListItem* item = nullptr;
        ToDoListGroup* parent = nullptr; // null for the root
        bool isGroup = false;
    };

    // Indexes every item of the tree below (and including) root.
    void build(ToDoListGroup& root);
    // The item with the sync ID, its containing group and its kind. Result:
    // false when no item carries it (out is then cleared).
    bool find(ToDoListGroup& root, uint32_t id, Entry& out) const;
    // Takes in a subtree that was just added to parent.
    void addSubtree(ToDoListItem& item, bool isGroup, ToDoListGroup* parent);
    // Forgets a subtree that is about to be deleted.
    void removeSubtree(ToDoListItem& item, bool isGroup);

  private:
    void add(ToDoListItem& item, bool isGroup, ToDoListGroup* parent);
    std::unordered_map<uint32_t, Entry> entries;
    std::unordered_set<uint32_t> shared; // carried by several items: answered by the walk
};
