#include "model/calendar.h"
#include "model/group.h"
#include "support/dates.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

// A new child gets one more than the largest ID among the children, whatever
// was added, deleted or renumbered before.
TEST(Group, FreeIdIsOneMoreThanTheLargestChildId) {
    std::mt19937 rng(99);
    SCOPED_TRACE("seed 99");
    ToDoListGroup g(0, "/", 0);
    T_Calendar cal;
    unsigned running = 0;
    for (int step = 0; step < 600; ++step) {
        const unsigned op = rng() % 7, todos = g.getNrToDos(), groups = g.getNrGroups();
        // clang-format off
        if (op < 2) g.newToDo();
        else if (op == 2) g.newGroup();
        else if (op == 3 && todos) g.delToDo(g.getToDo(rng() % todos), running, cal);
        else if (op == 4 && groups) g.delGroup(g.getGroup(rng() % groups), running, cal);
        else if (op == 5 && todos) g.getToDo(rng() % todos)->setID(rng() % 500);
        else if (op == 6) g.addToDo(std::make_unique<ToDoListToDo>(rng() % 500, "/0/"));
        // clang-format on
        unsigned largest = 0;
        for (std::size_t i = 0; i < g.getNrToDos(); ++i)
            largest = std::max(largest, g.getToDo(i)->getID() + 1);
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            largest = std::max(largest, g.getGroup(i)->getID() + 1);
        ASSERT_EQ(g.findFreeID(), largest) << "step " << step;
    }
}

// Groups by ID path ("/0/5/" is child 5 of the root) and by summary path,
// items by sync ID, and the counts and deletions that keep the calendar lists
// and the running count in step.
TEST(Group, FindsCountsAndDeletesInTheTree) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    EXPECT_TRUE(root.checkCompleted()) << "an empty group counts as completed";
    const packedDT july = on(2024, 7, 1);
    auto entry = [&](ToDoListGroup& g, unsigned prio, int type, bool running) {
        ToDoListToDo* t = g.newToDo();
        t->setPriority(prio), t->setRunningDirect(running), t->setSyncID(prio + type);
        t->setDateTimeDirect(WHICH_BEGIN, july), t->setDateTimeDirect(WHICH_END, july);
        return t->setRecDataDirect({type, 1, DT_EMPTY, DT_EMPTY}), t->putIntoCalList(cal), t;
    };
    ToDoListToDo* keep = entry(root, 3, REC_NONE, false);
    ToDoListGroup* one = root.newGroup();
    one->setSummary("calendar");
    entry(*one, 3, REC_NONE, true)->setCompletedDirect({true, 0});
    entry(*one, 4, REC_WEEKLY, false)->addTime(100, 190);
    ToDoListGroup* inner = one->newGroup()->newGroup();
    inner->setSummary("work");
    entry(*inner, 100, REC_NONE, true), entry(*inner, 200, REC_MONTHLY_BY_DATE, false);
    ToDoListToDo* other = entry(*root.newGroup(), 5, REC_NONE, true);
    EXPECT_EQ(inner->getPath() + std::to_string(inner->getLevel()), "/0/1/2/3");
    EXPECT_EQ(root.getGroupPtr("/0/1/2/0/"), inner);
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/calendar/<unnamed>/work/"), inner);
    for (const char* nowhere : {"/0/9/", "/0/1/1/", "/1/", ""})
        EXPECT_EQ(root.getGroupPtr(nowhere), nullptr) << nowhere;
    bool isGroup = true;
    EXPECT_EQ(root.getPtrToItemWithSyncID(7, isGroup, false), nullptr) << "not a direct child";
    EXPECT_EQ(root.getPtrToItemWithSyncID(7, isGroup, true), one->getToDo(1));
    EXPECT_FALSE(isGroup);
    EXPECT_FALSE(root.checkCompleted());
    unsigned completed = 9, todos = 9, running = root.getNrActiveJobs();
    one->getCompletedNr(completed, todos);
    EXPECT_EQ(completed * 10 + todos, 12u) << "appointments and notes do not count";
    EXPECT_EQ(root.getTimeSum() * 10 + running, 903);
    root.delGroup(inner, running, cal); // not root's to delete
    root.delGroup(one, running, cal);
    EXPECT_EQ(running * 10 + cal.datedToDos.size() + cal.recToDos.size() +
                  cal.datedAppointments.size() + cal.recNotes.size(),
              12u);
    EXPECT_EQ(root.delToDo(other, running, cal), -1) << "not a direct child";
    EXPECT_EQ(root.delToDo(keep, running, cal) + root.getGroup(0)->delToDo(other, running, cal), 0);
    EXPECT_EQ(running * 10 + cal.datedToDos.size(), 0u);
}
