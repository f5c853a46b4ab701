#pragma once
#include "engine/content_view.h"
#include "engine/edit_session.h"
#include "engine/item_tree.h"
#include "engine/navigation.h"

#include <functional>

// Where the structural operations report what a replay of the journal must
// repeat: an item (with its content) made in parent, and an item deleted.
// Each returns 0 when the entry was published, -1 when it waits in memory.
struct TreeJournal {
    std::function<int(ToDoListItem& item, ToDoListGroup& parent)> writeNew;
    std::function<int(const ToDoListItem& item)> writeDeleted;
};

// The structural operations of the organizer: creating, restructuring and
// deleting items. Each keeps the calendar lists, the running count and the
// sync IDs in step with the tree, and journals the deletions and
// restructurings itself; new and edited items are journaled when their editor
// closes.
//
// Depends on ItemTree, ContentView (the calendar row a new entry is made on,
// the rows a deletion names), Navigation (the current group and item),
// EditSession (the dates of a new calendar entry) and the journal it reports
// to. No other part uses it.
class ItemOperations {
  public:
    ItemOperations(ItemTree& tree, ContentView& view, Navigation& nav, EditSession& edit,
                   TreeJournal journal);

    // Results: 0 done; -1 refused, nothing changed (see item_operations.cpp).
    int newToDo(unsigned priority, unsigned row);
    // Results: 0 done; -1 refused, nothing changed; NEW_GROUP_TOO_DEEP (-2)
    // refused, the current group is at the deepest level.
    static constexpr int NEW_GROUP_TOO_DEEP = -2;
    int newGroup();
    int turnCurItem2Group();
    int delCurGroup();
    // True when delCurGroup would delete the current group, so that a cut can
    // leave the clipboard alone when the delete would be refused.
    bool canDeleteCurGroup() const;
    int DeleteItem(ToDoListItem* item);
    int DeleteItem(unsigned pos);
    int delToDo();
    int delCompleted();

  private:
    ToDoListGroup* parentOfDeletableCurGroup() const;

    ItemTree& tree;
    ContentView& view;
    Navigation& nav;
    EditSession& edit;
    TreeJournal journal;
};
