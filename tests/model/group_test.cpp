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
    const unsigned seed = 99;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    ToDoListGroup g(0, "/", 0);
    T_Calendar cal;
    unsigned running = 0;
    for (int step = 0; step < 600; ++step) {
        const unsigned op = rng() % 7, todos = unsigned(g.getNrToDos());
        // clang-format off
        if (op < 2) g.newToDo();
        else if (op == 2) g.newGroup();
        else if (op == 3 && todos) g.delToDo(g.getToDo(rng() % todos), running, cal);
        else if (op == 4 && g.getNrGroups()) g.delGroup(g.getGroup(rng() % g.getNrGroups()), running, cal);
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

// Groups by ID path ("/0/5/" is group 5 of the root) and by summary path,
// items by sync ID, and the counts and deletions that keep the calendar lists
// and the running count in step.
TEST(Group, FindsCountsAndDeletesInTheTree) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    EXPECT_TRUE(root.checkCompleted()) << "an empty group counts as completed";
    auto entry = [&](ToDoListGroup& g, unsigned prio, int type, bool running) {
        ToDoListToDo* t = g.newToDo();
        t->setPriority(prio), t->setRunningDirect(running);
        t->setDateTimeDirect(WHICH_END, on(2024, 7, 1)),
            t->setDateTimeDirect(WHICH_BEGIN, on(2024, 7, 1));
        t->setRecDataDirect(T_recData{type, 1, DT_EMPTY, DT_EMPTY});
        t->putIntoCalList(cal);
        return t;
    };
    ToDoListToDo* keep = entry(root, 3, REC_NONE, false);
    for (int i = 0; i < 4; ++i)
        root.newToDo();
    ToDoListGroup* five = root.newGroup();
    five->setSummary("calendar");
    entry(*five, 3, REC_NONE, true)->setCompletedDirect({true, 0});
    entry(*five, 3, REC_WEEKLY, false)->addTime(100, 190);
    five->getToDo(1)->setSyncID(11);
    ToDoListGroup* inner = five->newGroup()->newGroup();
    inner->setSummary("work");
    entry(*inner, 100, REC_NONE, true);
    entry(*inner, 200, REC_MONTHLY_BY_DATE, false);
    ToDoListToDo* other = entry(*root.newGroup(), 3, REC_NONE, true);
    EXPECT_EQ(root.getGroupPtr("/0/5/2/0/"), inner);
    EXPECT_EQ(inner->getPath() + std::to_string(inner->getLevel()), "/0/5/2/3");
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/calendar/<unnamed>/work/"), inner);
    EXPECT_EQ(root.getPathText("0/5/2/0"), "calendar\n<unnamed>\nwork");
    for (const char* nowhere : {"/0/9/", "/0/5/1/", "/1/", ""})
        EXPECT_EQ(root.getGroupPtr(nowhere), nullptr) << nowhere;
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/work/"), nullptr);
    bool isGroup = true;
    EXPECT_EQ(root.getPtrToItemWithSyncID(11, isGroup, false), nullptr) << "not a direct child";
    EXPECT_EQ(root.getPtrToItemWithSyncID(11, isGroup, true), five->getToDo(1));
    EXPECT_FALSE(isGroup);
    EXPECT_FALSE(root.checkCompleted());
    unsigned completed = 9, todos = 9;
    five->getCompletedNr(completed, todos);
    EXPECT_EQ(completed * 10 + todos, 12u) << "appointments and notes do not count";
    EXPECT_EQ(root.getTimeSum(), 90.0);
    unsigned running = root.getNrActiveJobs();
    ASSERT_EQ(running, 3u);
    root.delGroup(inner, running, cal); // not root's to delete
    root.delGroup(five, running, cal);
    EXPECT_EQ(running, 1u);
    EXPECT_EQ(cal.datedToDos.size() + cal.recToDos.size() + cal.datedAppointments.size() +
                  cal.recNotes.size(),
              2u)
        << "the subtree is unfiled";
    EXPECT_EQ(root.delToDo(other, running, cal), -1) << "not a direct child";
    EXPECT_EQ(root.delToDo(keep, running, cal), 0);
    EXPECT_EQ(root.getGroup(0)->delToDo(other, running, cal), 0);
    EXPECT_EQ(running * 10 + cal.datedToDos.size(), 0u);
}
