#pragma once
#include "engine/content_view.h"
#include "engine/item_tree.h"

#include <string>

// Where the user is in the tree: the current group with its ID path, the
// current item, the group remembered while the calendar makes a new entry,
// and the group a search started from. Moving between groups, entering the
// search view and leaving it are rules of this part.
//
// Depends on ItemTree (groups are found by their ID paths) and on ContentView
// (the view type decides where "up" leads; rows name groups and items). The
// item operations and the item editing use it.
class Navigation {
  public:
    Navigation(ItemTree& tree, ContentView& view);

    ToDoListGroup* curGroup() const { return curGroup_; }
    const std::string& curGroupPath() const { return curGroupPath_; }
    ToDoListToDo* curItem() const { return curItem_; }

    void setGroup(ToDoListGroup* g);
    void setGroup2ViewItem(int row);
    void setItem(ToDoListToDo* t) { curItem_ = t; }
    void setItem2ViewItem(int row);
    // The root group, current.
    void enterRoot();
    // Sets the current group and its path as a data file recorded them,
    // without deriving one from the other.
    void setGroupPointer(ToDoListGroup* g) { curGroup_ = g; }
    void setGroupPath(const std::string& path) { curGroupPath_ = path; }

    // Goes up one level, or leaves the search view. -1 (nothing changed) in
    // the root or outside the normal view.
    int leaveCurGroup();
    void rememberGroup();
    void rememberGroupOfCurrentItem();
    void enterPrevGroup();
    bool inRootGroup() const;
    // The readable path above the list: group summaries, or "Active jobs".
    std::string getCurGroupPathText() const;

    // The group a search started from and its path: the search view's
    // results group is never written, so the file records this one instead.
    ToDoListGroup* savedGroup() const { return savedGroup_; }
    const std::string& savedPath() const { return savedPath_; }

    // Searches the current group's subtree (normal view) or narrows the hits
    // (search view) for text and shows them in the "search results" group.
    // Results: 0; -1 (nothing changed) in the calendar and only-active views.
    int search(const std::string& text);

    // Clears every pointer into the subtree of item, which is about to be
    // deleted from parent (the current group and the remembered ones move to
    // parent), and empties the list rows that show it (the rows themselves
    // stay, so that display positions keep their meaning until the list is
    // rebuilt).
    void forgetReferencesInto(ToDoListItem& item, bool isGroup, ToDoListGroup& parent);

  private:
    ItemTree& tree;
    ContentView& view;
    ToDoListToDo* curItem_ = nullptr;
    ToDoListGroup* curGroup_ = nullptr;
    std::string curGroupPath_;
    ToDoListGroup* rememberedGroup = nullptr;
    std::string rememberedPath;
    ToDoListGroup* savedGroup_ = nullptr;
    std::string savedPath_;
};
