#include "model/calendar.h"
#include "model/group.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// The free ID by the plain walk over the children.
unsigned walkFreeID(const ToDoListGroup& g) {
    unsigned value = 0;
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        if (g.getToDo(i)->getID() >= value) value = g.getToDo(i)->getID() + 1;
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        if (g.getGroup(i)->getID() >= value) value = g.getGroup(i)->getID() + 1;
    return value;
}

bool inAnyList(const T_Calendar& cal, const ToDoListToDo* t) {
    return cal.recToDos.contains(t) || cal.datedToDos.contains(t) ||
           cal.recAppointments.contains(t) || cal.datedAppointments.contains(t) ||
           cal.recNotes.contains(t) || cal.datedNotes.contains(t);
}

std::size_t filedCount(const T_Calendar& cal) {
    return cal.recToDos.size() + cal.datedToDos.size() + cal.recAppointments.size() +
           cal.datedAppointments.size() + cal.recNotes.size() + cal.datedNotes.size();
}

// A dated todo in g; recurring when rec is set, running when run is set.
ToDoListToDo* datedToDo(ToDoListGroup& g, T_Calendar& cal, int day, int type = REC_NONE,
                        bool run = false, unsigned prio = 3) {
    ToDoListToDo* t = g.newToDo();
    t->setPriority(prio, cal);
    t->setDate(0, 2024, 7, day, cal);
    t->setDate(1, 2024, 7, day, cal);
    t->setRecData(T_recData{type, 1, DT_EMPTY, DT_EMPTY}, cal);
    if (run) t->setRunning(true);
    return t;
}

} // namespace

TEST(Group, NewRootAndChildren) {
    ToDoListGroup root(0, "/", 0);
    EXPECT_EQ(root.getSummary(), "<unnamed>");
    EXPECT_EQ(root.getPriority(), 3u);
    EXPECT_TRUE(root.getShowCompleted());
    EXPECT_TRUE(root.getCompletedLast());
    EXPECT_EQ(root.findFreeID(), 0u);

    ToDoListToDo* t = root.newToDo();
    EXPECT_EQ(t->getID(), 0u);
    EXPECT_EQ(t->getPath(), "/0/");
    ToDoListGroup* g = nullptr;
    for (int i = 1; i <= 5; ++i)
        g = root.newGroup();
    EXPECT_EQ(g->getID(), 5u);
    EXPECT_EQ(g->getPath(), "/0/");
    EXPECT_EQ(g->getLevel(), 1u);
    ToDoListGroup* inner = g->newGroup();
    EXPECT_EQ(inner->getPath(), "/0/5/");
    EXPECT_EQ(inner->getLevel(), 2u);
    EXPECT_EQ(inner->getID(), 0u);
}

TEST(Group, FreeIdIsOneMoreThanTheLargest) {
    ToDoListGroup g(0, "/", 0);
    g.newToDo();            // 0
    g.newGroup()->setID(3); // 3
    g.newToDo()->setID(1);  // 1
    EXPECT_EQ(g.findFreeID(), 4u);
    T_Calendar cal;
    unsigned running = 0;
    ToDoListGroup* top = g.getGroup(0);
    g.delGroup(top, running, cal);
    EXPECT_EQ(g.findFreeID(), 2u); // the largest is gone: its number is free again
}

TEST(Group, FreeIdFollowsRandomAddsDeletesAndRenumbering) {
    std::mt19937 rng(99);
    ToDoListGroup g(0, "/", 0);
    T_Calendar cal;
    unsigned running = 0;
    for (int step = 0; step < 3000; ++step) {
        switch (rng() % 6) {
        case 0:
        case 1:
            g.newToDo();
            break;
        case 2:
            g.newGroup();
            break;
        case 3:
            if (g.getNrToDos()) g.delToDo(g.getToDo(rng() % g.getNrToDos()), running, cal);
            break;
        case 4:
            if (g.getNrGroups()) g.delGroup(g.getGroup(rng() % g.getNrGroups()), running, cal);
            break;
        case 5:
            if (g.getNrToDos()) g.getToDo(rng() % g.getNrToDos())->setID(rng() % 5000);
            break;
        }
        ASSERT_EQ(g.findFreeID(), walkFreeID(g)) << "step " << step;
    }
    auto extra = std::make_unique<ToDoListToDo>(100000, "/0/");
    g.addToDo(std::move(extra));
    EXPECT_EQ(g.findFreeID(), 100001u);
}

TEST(Group, FindsGroupsByIdPathAndSummaryPath) {
    ToDoListGroup root(0, "/", 0);
    for (int i = 0; i < 5; ++i)
        root.newToDo();
    ToDoListGroup* five = root.newGroup();
    five->setSummary("calendar");
    for (int i = 0; i < 17; ++i)
        five->newToDo();
    ToDoListGroup* seventeen = five->newGroup();
    seventeen->setSummary("work");

    EXPECT_EQ(root.getGroupPtr("/0/"), &root);
    EXPECT_EQ(root.getGroupPtr("/0/5/"), five);
    EXPECT_EQ(root.getGroupPtr("/0/5/17/"), seventeen);
    EXPECT_EQ(root.getGroupPtr("/0/9/"), nullptr);
    EXPECT_EQ(root.getGroupPtr("/0/5/1/"), nullptr);
    EXPECT_EQ(root.getGroupPtr("/1/"), nullptr);
    EXPECT_EQ(root.getGroupPtr(""), nullptr);

    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/"), &root);
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/calendar/"), five);
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/calendar/work/"), seventeen);
    EXPECT_EQ(root.getGroupPtrFromSumPath("/", "/<unnamed>/work/"), nullptr);

    EXPECT_EQ(root.getPathText("0"), "");
    EXPECT_EQ(root.getPathText("0/5"), "calendar");
    EXPECT_EQ(root.getPathText("0/5/17"), "calendar\nwork");
    EXPECT_EQ(root.getPathText("0/6"), "");
    EXPECT_EQ(root.getPathText("1"), "");
    EXPECT_EQ(root.getPathText("05"), "");
}

TEST(Group, FindsItemsBySyncId) {
    ToDoListGroup root(0, "/", 0);
    root.setSyncID(1);
    ToDoListToDo* t = root.newToDo();
    t->setSyncID(2);
    ToDoListGroup* g = root.newGroup();
    g->setSyncID(3);
    ToDoListToDo* deep = g->newToDo();
    deep->setSyncID(4);
    ToDoListGroup* deepGroup = g->newGroup();
    deepGroup->setSyncID(5);

    struct Case {
        unsigned id;
        bool recursive;
        ToDoListItem* want;
        bool wantIsGroup;
    } cases[] = {
        {1, false, &root, true}, // the group itself: isGroup unchanged
        {2, false, t, false},    {3, false, g, true},        {4, false, nullptr, true},
        {4, true, deep, false},  {5, true, deepGroup, true}, {6, true, nullptr, true},
    };
    for (const auto& c : cases) {
        bool isGroup = true;
        EXPECT_EQ(root.getPtrToItemWithSyncID(c.id, isGroup, c.recursive), c.want) << c.id;
        EXPECT_EQ(isGroup, c.wantIsGroup) << c.id;
    }
    bool isGroup = false;
    EXPECT_EQ(root.getPtrToItemWithSyncID(1, isGroup, true), &root);
    EXPECT_FALSE(isGroup);
}

TEST(Group, CountsCompletedTodosRunningJobsAndTime) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    EXPECT_TRUE(root.checkCompleted()); // an empty group counts as completed
    ToDoListGroup* g = root.newGroup();
    datedToDo(*g, cal, 1)->setCompleted(cal);
    datedToDo(*g, cal, 2);
    datedToDo(*g, cal, 3, REC_NONE, false, 100); // appointments do not count
    unsigned c = 9, n = 9;
    EXPECT_FALSE(root.checkCompleted());
    g->getCompletedNr(c, n);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(n, 2u);
    root.getCompletedNr(c, n);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(n, 2u);
    EXPECT_FALSE(g->isCompleted());

    g->getToDo(1)->setCompleted(cal);
    ToDoListGroup* empty = root.newGroup();
    EXPECT_TRUE(root.checkCompleted());
    EXPECT_TRUE(empty->isCompleted());

    root.newToDo()->addTime(0, 30);
    g->getToDo(2)->addTime(100, 190);
    datedToDo(*empty, cal, 4, REC_NONE, true);
    datedToDo(*g, cal, 5, REC_NONE, true);
    EXPECT_EQ(root.getNrActiveJobs(), 2u);
    EXPECT_EQ(empty->getNrActiveJobs(), 1u);
    EXPECT_EQ(root.getTimeSum(), 120.0);
}

TEST(Group, DeletingNestedGroupUnfilesSubtreeAndLowersRunningCount) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    ToDoListToDo* keep = datedToDo(root, cal, 1);
    ToDoListGroup* g = root.newGroup();
    ToDoListGroup* inner = g->newGroup();
    ToDoListGroup* innermost = inner->newGroup();
    std::vector<const ToDoListToDo*> doomed = {
        datedToDo(*g, cal, 2, REC_NONE, true),
        datedToDo(*g, cal, 3, REC_WEEKLY),
        datedToDo(*inner, cal, 4, REC_NONE, true, 100),
        datedToDo(*innermost, cal, 5, REC_MONTHLY_BY_DATE, false, 200),
        datedToDo(*innermost, cal, 6, REC_NONE, true, 200),
    };
    ToDoListToDo* keepRunning = datedToDo(*root.newGroup(), cal, 7, REC_NONE, true);
    unsigned running = root.getNrActiveJobs();
    ASSERT_EQ(running, 4u);
    ASSERT_EQ(filedCount(cal), 7u);

    root.delGroup(g, running, cal);
    EXPECT_EQ(running, 1u);
    EXPECT_EQ(filedCount(cal), 2u);
    EXPECT_TRUE(inAnyList(cal, keep));
    EXPECT_TRUE(inAnyList(cal, keepRunning));
    EXPECT_EQ(root.getNrGroups(), 1u);
    EXPECT_EQ(root.getGroupPtr("/0/1/"), nullptr);

    EXPECT_EQ(root.delToDo(keep, running, cal), 0);
    EXPECT_EQ(filedCount(cal), 1u);
    EXPECT_EQ(root.getNrToDos(), 0u);
    ToDoListGroup* other = root.getGroup(0);
    EXPECT_EQ(root.delToDo(keepRunning, running, cal), -1); // not a direct child
    EXPECT_EQ(running, 1u);
    EXPECT_EQ(other->delToDo(keepRunning, running, cal), 0);
    EXPECT_EQ(running, 0u);
    EXPECT_EQ(filedCount(cal), 0u);
}

TEST(Group, DeletingAGroupThatIsNotAChildChangesNothing) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    ToDoListGroup* g = root.newGroup();
    ToDoListGroup* inner = g->newGroup();
    datedToDo(*inner, cal, 3, REC_NONE, true);
    unsigned running = 1;
    root.delGroup(inner, running, cal); // a grandchild: not root's to delete
    EXPECT_EQ(running, 1u);
    EXPECT_EQ(filedCount(cal), 1u);
    EXPECT_EQ(root.getGroupPtr("/0/0/0/"), inner);
}

TEST(Group, EqualityAndCopyConcernOnlyTheGroupsOwnFields) {
    ToDoListGroup root(0, "/", 0);
    ToDoListGroup* g = root.newGroup();
    g->setSummary("projects");
    g->setSyncID(12);
    g->setPriority(5);
    g->newToDo();
    g->setShowCompleted(false);

    ToDoListGroup snapshot(*g);
    EXPECT_TRUE(snapshot == *g);
    EXPECT_EQ(snapshot.getNrToDos(), 0u);
    EXPECT_EQ(snapshot.getSummary(), "projects");
    EXPECT_EQ(snapshot.getPath(), "/0/");

    using Change = void (*)(ToDoListGroup&);
    const Change changes[] = {
        [](ToDoListGroup& x) { x.setSummary("other"); }, [](ToDoListGroup& x) { x.setSyncID(13); },
        [](ToDoListGroup& x) { x.setPriority(1); },      [](ToDoListGroup& x) { x.setID(4); },
        [](ToDoListGroup& x) { x.setPath("/0/1/"); },
    };
    for (Change change : changes) {
        ToDoListGroup changed(*g);
        change(changed);
        EXPECT_TRUE(changed != *g);
        changed = *g;
        EXPECT_TRUE(changed == *g);
    }
    g->newGroup();
    g->setCompletedLast(false);
    EXPECT_TRUE(snapshot == *g); // children and flags do not take part
}
