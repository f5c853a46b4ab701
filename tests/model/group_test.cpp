#include "model/calendar.h"
#include "model/group.h"
#include "support/dates.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::size_t filedCount(const T_Calendar& cal) {
    return cal.recToDos.size() + cal.datedToDos.size() + cal.recAppointments.size() +
           cal.datedAppointments.size() + cal.recNotes.size() + cal.datedNotes.size();
}

// A todo (or with prio an appointment or note) due on day in g, filed in cal.
ToDoListToDo* entry(ToDoListGroup& g, T_Calendar& cal, int day, int type = REC_NONE,
                    bool run = false, unsigned prio = 3) {
    ToDoListToDo* t = g.newToDo();
    t->setPriority(prio);
    t->setDateTimeDirect(WHICH_BEGIN, on(2024, 7, day));
    t->setDateTimeDirect(WHICH_END, on(2024, 7, day));
    t->setRecDataDirect(T_recData{type, 1, DT_EMPTY, DT_EMPTY});
    t->putIntoCalList(cal);
    if (run) t->setRunningDirect(true);
    return t;
}

} // namespace

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
        const unsigned op = rng() % 7;
        if (op < 2)
            g.newToDo();
        else if (op == 2)
            g.newGroup();
        else if (op == 3 && g.getNrToDos())
            g.delToDo(g.getToDo(rng() % g.getNrToDos()), running, cal);
        else if (op == 4 && g.getNrGroups())
            g.delGroup(g.getGroup(rng() % g.getNrGroups()), running, cal);
        else if (op == 5 && g.getNrToDos())
            g.getToDo(rng() % g.getNrToDos())->setID(rng() % 500);
        else if (op == 6)
            g.addToDo(std::make_unique<ToDoListToDo>(rng() % 500, "/0/"));
        unsigned largest = 0;
        for (std::size_t i = 0; i < g.getNrToDos(); ++i)
            largest = std::max(largest, g.getToDo(i)->getID() + 1);
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            largest = std::max(largest, g.getGroup(i)->getID() + 1);
        ASSERT_EQ(g.findFreeID(), largest) << "step " << step;
    }
}

TEST(Group, FindsGroupsAndItemsByPathsAndSyncIds) {
    ToDoListGroup root(0, "/", 0);
    for (int i = 0; i < 5; ++i)
        root.newToDo()->setSyncID(2 + i);
    ToDoListGroup* five = root.newGroup();
    for (int i = 0; i < 17; ++i)
        five->newToDo();
    ToDoListGroup* seventeen = five->newGroup();
    root.setSyncID(1), five->setSyncID(10), five->getToDo(3)->setSyncID(11),
        seventeen->setSyncID(12);
    five->setSummary("calendar"), seventeen->setSummary("work");
    EXPECT_EQ(seventeen->getPath() + std::to_string(seventeen->getLevel()), "/0/5/2");
    const std::pair<std::string, ToDoListGroup*> paths[] = {
        // clang-format off
        {"/0/", &root}, {"/0/5/", five}, {"/0/5/17/", seventeen}, {"/0/9/", nullptr},
        {"/0/5/1/", nullptr}, {"/1/", nullptr}, {"", nullptr}, {"/<unnamed>/", &root},
        {"/<unnamed>/calendar/", five}, {"/<unnamed>/calendar/work/", seventeen},
        {"/<unnamed>/work/", nullptr},
        // clang-format on
    };
    for (const auto& [path, want] : paths)
        EXPECT_EQ(path[1] == '<' ? root.getGroupPtrFromSumPath("/", path) : root.getGroupPtr(path),
                  want)
            << path;
    const std::pair<std::string, std::string> texts[] = {
        {"0", ""},   {"0/5", "calendar"}, {"0/5/17", "calendar\nwork"},
        {"0/6", ""}, {"1", ""},           {"05", ""}};
    for (const auto& [path, want] : texts)
        EXPECT_EQ(root.getPathText(path), want) << path;
    const struct {
        unsigned id;
        bool recursive;
        ToDoListItem* want;
        bool isGroup;
    } bySyncId[] = {
        // clang-format off
        {1, false, &root, true}, {3, false, root.getToDo(1), false}, {10, false, five, true},
        {11, false, nullptr, true}, {11, true, five->getToDo(3), false},
        {12, true, seventeen, true}, {13, true, nullptr, true},
        // clang-format on
    };
    for (const auto& r : bySyncId) {
        bool isGroup = true;
        EXPECT_EQ(root.getPtrToItemWithSyncID(r.id, isGroup, r.recursive), r.want) << r.id;
        EXPECT_EQ(isGroup, r.isGroup) << r.id;
    }
}

TEST(Group, CountsAndDeletionsKeepCalendarAndRunningCountInStep) {
    T_Calendar cal;
    ToDoListGroup root(0, "/", 0);
    EXPECT_TRUE(root.checkCompleted()) << "an empty group counts as completed";
    ToDoListToDo* keep = entry(root, cal, 1);
    ToDoListGroup* g = root.newGroup();
    ToDoListGroup* inner = g->newGroup()->newGroup();
    entry(*g, cal, 2, REC_NONE, true)->setCompletedDirect({true, 0});
    entry(*g, cal, 3, REC_WEEKLY)->addTime(100, 190);
    entry(*inner, cal, 4, REC_NONE, true, 100);
    entry(*inner, cal, 5, REC_MONTHLY_BY_DATE, false, 200);
    ToDoListToDo* other = entry(*root.newGroup(), cal, 7, REC_NONE, true);
    EXPECT_FALSE(root.checkCompleted());
    unsigned completed = 9, todos = 9;
    g->getCompletedNr(completed, todos);
    EXPECT_EQ(completed * 10 + todos, 12u) << "appointments and notes do not count";
    EXPECT_EQ(root.getTimeSum(), 90.0);
    unsigned running = root.getNrActiveJobs();
    ASSERT_EQ(running, 3u);
    ASSERT_EQ(filedCount(cal), 6u);
    root.delGroup(inner, running, cal); // a grandchild: not root's to delete
    EXPECT_EQ(filedCount(cal), 6u);
    root.delGroup(g, running, cal);
    EXPECT_EQ(running * 10 + filedCount(cal), 12u) << "the subtree is unfiled and stops";
    EXPECT_EQ(root.getGroupPtr("/0/1/"), nullptr);
    EXPECT_EQ(root.delToDo(other, running, cal), -1) << "not a direct child";
    EXPECT_EQ(root.delToDo(keep, running, cal), 0);
    EXPECT_EQ(root.getGroup(0)->delToDo(other, running, cal), 0);
    EXPECT_EQ(running * 10 + filedCount(cal), 0u);
    EXPECT_TRUE(root.checkCompleted());
}

TEST(Group, EqualityConcernsOnlyTheGroupsOwnFields) {
    ToDoListGroup root(0, "/", 0);
    ToDoListGroup* g = root.newGroup();
    g->setSummary("projects");
    g->newToDo();
    const ToDoListGroup snapshot(*g);
    EXPECT_EQ(snapshot.getNrToDos(), 0u);
    using Change = void (*)(ToDoListGroup&);
    const std::pair<Change, bool> rows[] = {
        // clang-format off
        {[](ToDoListGroup& x) { x.newGroup(); }, true},
        {[](ToDoListGroup& x) { x.setShowCompleted(false); }, true},
        {[](ToDoListGroup& x) { x.setSummary("other"); }, false},
        {[](ToDoListGroup& x) { x.setSyncID(13); }, false},
        {[](ToDoListGroup& x) { x.setPriority(1); }, false},
        {[](ToDoListGroup& x) { x.setID(4); }, false},
        {[](ToDoListGroup& x) { x.setPath("/0/1/"); }, false},
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        ToDoListGroup changed(*g);
        ToDoListGroup& target = i < 2 ? *g : changed; // children and flags change the group itself
        rows[i].first(target);
        EXPECT_EQ(target == snapshot, rows[i].second) << "row " << i;
        changed = snapshot;
        EXPECT_TRUE(changed == snapshot);
    }
}
