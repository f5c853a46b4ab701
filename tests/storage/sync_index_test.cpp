#include "model/calendar.h"
#include "model/group.h"
#include "storage/sync_index.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Random trees whose sync IDs come from a small range, so that many are
// carried by several items, as in a damaged file.
struct RandomTree {
    explicit RandomTree(uint32_t seed) : rng(seed), root(0, "/", 0) {
        root.setSyncID(id());
        groups.push_back(&root);
        bool isGroup;
        for (int i = 0; i < 60; ++i)
            grow(*groups[pick(groups.size())], isGroup);
    }
    uint32_t id() { return uint32_t(rng() % 40) + 1; }
    std::size_t pick(std::size_t n) { return std::size_t(rng() % n); }
    // A new group (isGroup set) or todo in parent.
    ToDoListItem& grow(ToDoListGroup& parent, bool& isGroup) {
        isGroup = rng() % 3 == 0;
        if (isGroup) {
            ToDoListGroup* g = parent.newGroup();
            g->setSyncID(id());
            groups.push_back(g);
            return *g;
        }
        ToDoListToDo* t = parent.newToDo();
        t->setSyncID(id());
        return *t;
    }
    std::mt19937 rng;
    ToDoListGroup root;
    std::vector<ToDoListGroup*> groups;
};

void expectSameAsWalk(SyncIDIndex& index, ToDoListGroup& root) {
    for (uint32_t id = 0; id <= 42; ++id) {
        bool isGroup = true;
        ToDoListItem* walked = root.getPtrToItemWithSyncID(id, isGroup, true);
        SyncIDIndex::Entry e;
        ASSERT_EQ(index.find(root, id, e), walked != nullptr) << id;
        if (!walked) continue;
        EXPECT_EQ(e.item, walked) << id;
        EXPECT_EQ(e.isGroup, isGroup) << id;
        EXPECT_EQ(e.parent, walked == &root ? nullptr : root.getGroupPtr(walked->getPath()));
    }
}

} // namespace

TEST(SyncIDIndex, AnswersExactlyAsTheWalkThroughAdditionsAndDeletions) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        RandomTree t(seed);
        SyncIDIndex index;
        index.build(t.root);
        expectSameAsWalk(index, t.root);
        T_Calendar cal;
        unsigned running = 0;
        for (int step = 0; step < 30; ++step) {
            ToDoListGroup& parent = *t.groups[t.pick(t.groups.size())];
            if (t.rng() % 2) {
                bool isGroup;
                ToDoListItem& added = t.grow(parent, isGroup);
                index.addSubtree(added, isGroup, &parent);
            } else if (parent.getNrToDos() > 0) {
                ToDoListToDo* gone = parent.getToDo(t.pick(parent.getNrToDos()));
                index.removeSubtree(*gone, false);
                parent.delToDo(gone, running, cal);
            } else if (parent.getNrGroups() > 0) {
                ToDoListGroup* gone = parent.getGroup(t.pick(parent.getNrGroups()));
                // Its groups leave the pool of parents with it.
                std::string own = gone->getPath() + std::to_string(gone->getID()) + "/";
                std::erase_if(t.groups, [&](ToDoListGroup* g) {
                    return (g->getPath() + std::to_string(g->getID()) + "/").rfind(own, 0) == 0;
                });
                index.removeSubtree(*gone, true);
                parent.delGroup(gone, running, cal);
            }
            expectSameAsWalk(index, t.root);
        }
    }
}
