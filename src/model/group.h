#pragma once
#include "model/todo_item.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class T_Calendar;

// The deepest level a group may have (the root has level 0). Every walk of
// the tree recurses once per level, so the depth is bounded to keep the stack
// safe: the readers refuse a file that nests groups deeper, and the engine
// refuses to create a group below this level.
constexpr unsigned MAX_GROUP_LEVEL = 1000;
// What the user is told when a group would go below the deepest level.
constexpr const char* GROUPS_TOO_DEEP = "Groups cannot be nested deeper than 1000 levels.";

// An inner node of the item tree. A group owns its entries and child groups,
// hands out IDs (unique among its children) and paths to new children, finds
// groups and items, counts completed todos and running recordings, and deletes
// children while keeping the calendar lists and the running count in step.
//
// Paths: a child's path is its parent's path, the parent's ID and "/". The
// root has ID 0, path "/" and level 0, so its own ID path is "/0/".
class ToDoListGroup : public ToDoListItem {
  public:
    ToDoListGroup(unsigned id, std::string path, unsigned level);
    ToDoListGroup(unsigned id, SharedPath path, unsigned level);
    // A group with the same path, ID, sync ID, summary and priority and no
    // children: the snapshot by which an edit of the group is recognised.
    ToDoListGroup(const ToDoListGroup& src);
    // Copies path, ID, sync ID, summary and priority.
    ToDoListGroup& operator=(const ToDoListGroup& src);
    // Equal when path, ID, sync ID, summary and priority are equal.
    bool operator==(const ToDoListGroup& other) const;
    bool operator!=(const ToDoListGroup& other) const { return !(*this == other); }
    ~ToDoListGroup() override;
    void dump() override;

    unsigned getLevel() const { return level; }

    // New children get ID findFreeID() and the child path, and are appended.
    ToDoListToDo* newToDo();
    ToDoListGroup* newGroup();
    // One more than the largest ID among the children, 0 without children.
    unsigned findFreeID() const;
    // Appends a child made elsewhere (for instance by a record reader); every
    // child enters the group through these or newToDo/newGroup, which keep the
    // next free ID without recounting.
    ToDoListToDo* addToDo(std::unique_ptr<ToDoListToDo> todo);
    ToDoListGroup* addGroup(std::unique_ptr<ToDoListGroup> group);
    // Appends an entry made outside the tree, giving it ID findFreeID() and
    // the child path as newToDo does: many entries join in linear time.
    ToDoListToDo* adoptToDo(std::unique_ptr<ToDoListToDo> todo);

    // Unfiles and deletes a direct child, lowering running by its running
    // recordings. delToDo returns 0, or -1 (nothing changed) when the todo is
    // not a direct child; delGroup changes nothing for a group that is not one.
    int delToDo(ToDoListToDo* todo, unsigned& running, T_Calendar& cal);
    void delGroup(ToDoListGroup* group, unsigned& running, T_Calendar& cal);
    // Counts the children removed by delToDo and delGroup in this process:
    // whoever holds items across a wait knows by it whether they may be gone.
    static unsigned long removals() { return removalCount; }

    // Unfiles every entry of the subtree from the calendar lists.
    void removeFromCalLists(T_Calendar& cal);

    // The group of this subtree whose ID path (path + ID + "/") is idPath.
    ToDoListGroup* getGroupPtr(const std::string& idPath);
    // The group whose summary path (prefix, then each summary and "/") is target.
    ToDoListGroup* getGroupPtrFromSumPath(const std::string& prefix, const std::string& target);
    // The summaries of the groups below the root along a relative ID path such
    // as "0/5/17", joined by "\n"; empty when the path leads nowhere.
    std::string getPathText(const std::string& relPath) const;
    // The summaries of the groups below this one along an ID path that begins
    // with this group's own ID, such as "/0/5/17/" (the path of the entries of
    // group 17 in group 5), from the top down; as far as the path leads.
    std::vector<std::string> getPathNames(const std::string& idPath) const;
    // The group itself, an entry or a group of this group (isGroup tells which),
    // or with recursive one of the subtree, whose sync ID is id; else null.
    ToDoListItem* getPtrToItemWithSyncID(unsigned id, bool& isGroup, bool recursive);

    // Recounts the subtree's todos (appointments and notes do not count);
    // returns whether every one is completed.
    bool checkCompleted();
    // The same count of this group alone, taking its groups' counts as they
    // stand: a reader counts each group when its record ends, while its
    // entries are still in the processor's cache.
    bool checkCompletedHere();
    bool isCompleted() const { return completed; }
    // Completed todos and all todos, as last counted by checkCompleted.
    void getCompletedNr(unsigned& nrCompleted, unsigned& nrToDos) const;
    unsigned getNrActiveJobs() const;
    double getTimeSum() const;

    bool getShowCompleted() const { return showCompleted; }
    void setShowCompleted(bool b) { showCompleted = b; }
    bool getCompletedLast() const { return completedLast; }
    void setCompletedLast(bool b) { completedLast = b; }

    std::size_t getNrToDos() const { return todos.size(); }
    ToDoListToDo* getToDo(std::size_t i) const { return todos[i].get(); }
    std::size_t getNrGroups() const { return groups.size(); }
    ToDoListGroup* getGroup(std::size_t i) const { return groups[i].get(); }

    // The path of the children: the group's path, its ID and "/".
    std::string childPath() const;
    // The same, one text shared by every child made with it.
    SharedPath sharedChildPath() const;

  private:
    void noteChildID(unsigned id) const;
    static unsigned long removalCount;

    uint32_t level;
    std::vector<std::unique_ptr<ToDoListToDo>> todos;
    std::vector<std::unique_ptr<ToDoListGroup>> groups;
    bool completed = true; // an empty group counts as completed
    bool showCompleted = true;
    bool completedLast = true;
    uint32_t nrToDos = 0;
    uint32_t nrCompleted = 0;

    // The next free child ID, valid while the children are those it was
    // counted for and no ID has been changed since.
    mutable uint32_t freeID = 0;
    mutable std::size_t freeIDChildren = 0;
    mutable unsigned long freeIDChanges = 0;

    // The shared path of the children, valid while the group's own path and
    // ID are those it was made from.
    mutable SharedPath childPathMade;
    mutable SharedPath childPathFrom;
    mutable uint32_t childPathID = 0;
};

// Calls f on every item of the subtree of item, the item itself first, then
// its todos, then its groups' subtrees. Trees are at most MAX_GROUP_LEVEL deep.
template <class F> void forEachInSubtree(ToDoListItem& item, bool isGroup, F f) {
    f(item);
    if (!isGroup) return;
    auto& g = static_cast<ToDoListGroup&>(item);
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        f(*g.getToDo(i));
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        forEachInSubtree(*g.getGroup(i), true, f);
}
