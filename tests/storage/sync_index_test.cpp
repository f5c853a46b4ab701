// The sync ID index answers as a walk of the tree does, through additions and
// deletions, also when many items share an ID as in a damaged file.

#include "model/calendar.h"
#include "model/group.h"
#include "storage/sync_index.h"

#include <gtest/gtest.h>
#include <random>

TEST(SyncIDIndex, AnswersExactlyAsTheWalkThroughAdditionsAndDeletions) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        ToDoListGroup root(0, "/", 0);
        std::vector<ToDoListGroup*> groups{&root};
        auto grow = [&](ToDoListGroup& parent) -> std::pair<ToDoListItem*, bool> {
            if (rng() % 3 != 0) return {parent.newToDo(), false};
            return {groups.emplace_back(parent.newGroup()), true};
        };
        for (int i = 0; i < 60; ++i)
            grow(*groups[rng() % groups.size()]).first->setSyncID(rng() % 40 + 1);
        root.setSyncID(1);
        SyncIDIndex index;
        index.build(root);
        T_Calendar cal;
        unsigned running = 0;
        for (int step = 0; step < 30; ++step) {
            ToDoListGroup& parent = *groups[rng() % groups.size()];
            if (rng() % 2) {
                auto [item, isGroup] = grow(parent);
                item->setSyncID(rng() % 40 + 1);
                index.addSubtree(*item, isGroup, &parent);
            } else if (parent.getNrToDos() > 0) {
                ToDoListToDo* gone = parent.getToDo(rng() % parent.getNrToDos());
                index.removeSubtree(*gone, false);
                parent.delToDo(gone, running, cal);
            } else if (parent.getNrGroups() > 0) {
                ToDoListGroup* gone = parent.getGroup(rng() % parent.getNrGroups());
                const std::string own = gone->getPath() + std::to_string(gone->getID()) + "/";
                std::erase_if(groups, [&](ToDoListGroup* g) {
                    return (g->getPath() + std::to_string(g->getID()) + "/").rfind(own, 0) == 0;
                });
                index.removeSubtree(*gone, true);
                parent.delGroup(gone, running, cal);
            }
            for (uint32_t id = 0; id <= 41; ++id) {
                bool isGroup = true;
                ToDoListItem* walked = root.getPtrToItemWithSyncID(id, isGroup, true);
                SyncIDIndex::Entry e;
                ASSERT_EQ(index.find(root, id, e), walked != nullptr) << id;
                if (!walked) continue;
                ToDoListGroup* parent =
                    walked == &root ? nullptr : root.getGroupPtr(walked->getPath());
                EXPECT_TRUE(e.item == walked && e.isGroup == isGroup && e.parent == parent) << id;
            }
        }
    }
}
