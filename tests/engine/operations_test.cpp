#include "engine/velk.h"
#include "model/clock.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// An organizer on a data file in a fresh directory: root { "A" { "B" } }.
struct Operations : testing::Test {
    void SetUp() override {
        path = dir.file("o.dat");
        org = std::make_unique<TestOrganizer>(path);
        Velk& v = **org;
        a = v.getRoot()->newGroup();
        a->setSummary("A");
        a->setSyncID(++v.itemTree().idmax());
        b = a->newGroup();
        b->setSummary("B");
        b->setSyncID(++v.itemTree().idmax());
    }
    Velk& v() { return **org; }
    // Shows the rows as the list would: one row per item, in the given order.
    void showRows(const std::vector<ToDoListItem*>& items) {
        std::vector<T_viewDataItem> rows(items.size(), T_viewDataItem());
        std::vector<unsigned> order;
        for (unsigned i = 0; i < items.size(); ++i) {
            order.push_back(i);
            if (auto* t = dynamic_cast<ToDoListToDo*>(items[i])) {
                rows[i].completed = t->isCompleted();
                rows[i].prio = t->getPriority();
            } else {
                rows[i].kind = 1;
            }
        }
        v().contentView().setRows(rows, items, order);
    }
    ToDoListToDo* todoIn(ToDoListGroup* g, const std::string& summary) {
        ToDoListToDo* t = g->newToDo();
        t->setSummary(summary);
        t->setSyncID(++v().itemTree().idmax());
        return t;
    }
    // A calendar row of the day.
    void showCalendarDay(packedDT day) {
        v().setMainViewType(MAINVIEW_CALENDAR);
        T_viewDataItem row;
        row.day = day;
        row.prio = PRIO_DAYHEADER;
        v().contentView().setRows({row}, {nullptr}, {0});
    }

    TempDir dir;
    std::string path;
    std::unique_ptr<TestOrganizer> org;
    ToDoListGroup *a, *b;
};

} // namespace

TEST_F(Operations, NewToDoInTheNormalViewIgnoresThePriority) {
    v().setGroup(a);
    const uint32_t before = v().getIdMax();
    ASSERT_EQ(v().newToDo(5, 0u), 0);
    EXPECT_EQ(v().getCurItem()->getPriority(), 3u);
    EXPECT_EQ(v().getCurItem()->getSyncID(), before + 1);
    EXPECT_EQ(v().getIdMax(), before + 1);
    EXPECT_EQ(a->getNrToDos(), 1u);
}

TEST_F(Operations, NewAppointmentOnACalendarDayGoesIntoTheCalendarGroup) {
    v().setGroup(b);
    showCalendarDay(packDate(7, 3, 2026) | DT_NOTIME);
    ASSERT_EQ(v().newToDo(PRIO_APPOINTMENT, 0u), 0);
    ToDoListToDo* t = v().getCurItem();
    EXPECT_EQ(t->getPriority(), PRIO_APPOINTMENT);
    EXPECT_EQ(t->getDateTime(16), packDate(7, 3, 2026) | packTime(8, 0));
    EXPECT_EQ(t->getDateTime(0), packDate(7, 3, 2026) | packTime(8, 30));
    EXPECT_EQ(t->getShowTimeAs(), 1);
    EXPECT_EQ(v().getCurGroup(), b) << "the group shown before stays current";
    EXPECT_EQ(v().calendar().datedAppointments.size(), 1u);
    ToDoListGroup* calendar = v().GetParentOfItem(t);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->getSummary(), "calendar");
    EXPECT_EQ(calendar->getPath(), "/0/");

    // A note and a todo on the same day share the group; the note has no summary.
    ASSERT_EQ(v().newToDo(PRIO_NOTE, 0u), 0);
    EXPECT_EQ(v().getCurItem()->getSummary(), "");
    EXPECT_EQ(v().getCurItem()->getDateTime(16), packDate(7, 3, 2026) | DT_NOTIME);
    ASSERT_EQ(v().newToDo(2, 0u), 0);
    EXPECT_EQ(v().getCurItem()->getPriority(), 2u);
    EXPECT_EQ(v().getCurItem()->getDateTime(0), packDate(7, 3, 2026) | DT_NOTIME);
    EXPECT_EQ(calendar->getNrToDos(), 3u);
    EXPECT_EQ(v().getRoot()->getNrGroups(), 2u);
}

TEST_F(Operations, NewItemsAreRefusedWhereTheyDoNotApply) {
    showCalendarDay(DT_EMPTY); // a row without a day
    const std::string before = dumpTree(v());
    EXPECT_EQ(v().newToDo(3, 0u), -1);
    EXPECT_EQ(v().newToDo(3, 1u), -1) << "no such row";
    EXPECT_EQ(v().newGroup(), -1);
    v().setMainViewType(MAINVIEW_SEARCH);
    EXPECT_EQ(v().newToDo(3, 0u), -1);
    EXPECT_EQ(dumpTree(v()), before);
}

TEST_F(Operations, NewGroupBecomesCurrentWithTheNextSyncID) {
    v().setGroup(a);
    ASSERT_EQ(v().newGroup(), 0);
    EXPECT_EQ(v().getCurGroup()->getSyncID(), v().getIdMax());
    EXPECT_EQ(v().getCurGroupPath(), "/0/0/1/");
}

TEST_F(Operations, TodoTurnedIntoGroupKeepsEverythingAndTheRunningCount) {
    v().setGroup(a);
    ToDoListToDo* t = todoIn(a, "Report");
    t->addTime(100, 200);
    t->addTime(300, 400);
    v().setItem(t);
    ASSERT_EQ(v().setItemRunning(true), 0);
    t->setDescription("notes");
    t->setDate(0, 2011, 3, 9, v().calendar());
    ASSERT_EQ(v().getNrActiveJobs(), 1u);

    ASSERT_EQ(v().turnCurItem2Group(), 0);
    ToDoListGroup* g = v().getCurGroup();
    EXPECT_EQ(g->getSummary(), "Report");
    EXPECT_EQ(v().GetParentOfItem(g), a);
    ASSERT_EQ(g->getNrToDos(), 1u);
    ToDoListToDo* copy = g->getToDo(0);
    EXPECT_EQ(v().getCurItem(), copy);
    EXPECT_EQ(copy->getNrTimes(), 3);
    EXPECT_TRUE(copy->isRunning());
    EXPECT_EQ(copy->getDateTime(0), packDate(9, 3, 2011) | DT_NOTIME);
    const char* text = nullptr;
    copy->GetDescription(text, &v().getCrypt());
    EXPECT_STREQ(text, "notes");
    EXPECT_EQ(copy->getSyncID(), g->getSyncID() + 1);
    EXPECT_EQ(v().getNrActiveJobs(), 1u);
    EXPECT_EQ(a->getNrToDos(), 0u);
    EXPECT_EQ(v().calendar().datedToDos.size(), 1u);
    EXPECT_TRUE(v().calendar().datedToDos.contains(copy));

    ToDoListToDo* unnamed = todoIn(a, "");
    v().setItem(unnamed);
    ASSERT_EQ(v().turnCurItem2Group(), 0);
    EXPECT_EQ(v().getCurGroup()->getSummary(), "<unnamed>");
}

TEST_F(Operations, TodoOfASubgroupShownFlatIsTurnedIntoAGroupInItsOwnGroup) {
    ToDoListToDo* t = todoIn(b, "deep");
    v().setGroup(a); // the flat list of A shows the todos of B
    v().setItem(t);
    ASSERT_EQ(v().turnCurItem2Group(), 0);
    EXPECT_EQ(b->getNrToDos(), 0u);
    ASSERT_EQ(b->getNrGroups(), 1u);
    EXPECT_EQ(b->getGroup(0)->getToDo(0)->getSummary(), "deep");
    EXPECT_EQ(a->getNrGroups(), 1u);
}

TEST_F(Operations, DeletingTheCurrentGroupTakesItsRunningTodosAlong) {
    v().setGroup(b);
    for (const char* s : {"r1", "r2"}) {
        v().setItem(todoIn(b, s));
        ASSERT_EQ(v().setItemRunning(true), 0);
    }
    todoIn(a, "stays");
    EXPECT_EQ(v().getNrActiveJobs(), 2u);
    ASSERT_EQ(v().delCurGroup(), 0);
    EXPECT_EQ(v().getNrActiveJobs(), 0u);
    EXPECT_EQ(v().getCurGroup(), a);
    EXPECT_EQ(v().getCurItem(), nullptr) << "the current item went with its group";
    EXPECT_EQ(a->getNrGroups(), 0u);

    v().setGroup(v().getRoot());
    EXPECT_EQ(v().delCurGroup(), -1);
    v().setGroup(a);
    v().setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v().delCurGroup(), -1);
    EXPECT_EQ(v().getRoot()->getNrGroups(), 1u);
}

TEST_F(Operations, SelectedRowsKeepTheirMeaningInAnyDeletionOrder) {
    // The flat list of A: group B, a todo inside B, a todo of A.
    ToDoListToDo* inB = todoIn(b, "inB");
    ToDoListToDo* inA = todoIn(a, "inA");
    ToDoListToDo* other = todoIn(a, "other");
    v().setGroup(a);
    for (bool highestFirst : {true, false}) {
        SCOPED_TRACE(highestFirst);
        if (!highestFirst) {
            b = a->newGroup();
            inB = todoIn(b, "inB");
            inA = todoIn(a, "inA");
        }
        showRows({inA, b, other, inB});
        v().contentView().setRows(v().getViewData(), v().getViewItems(),
                                  {1, 3, 0, 2}); // shown: B, inB, inA, other
        const std::vector<unsigned> selected = {0, 1, 2};
        std::vector<int> results;
        if (highestFirst)
            for (auto it = selected.rbegin(); it != selected.rend(); ++it)
                results.push_back(v().DeleteItem(*it));
        else
            for (unsigned pos : selected)
                results.push_back(v().DeleteItem(pos));
        // Deleting B took inB with it: its row shows nothing any more.
        EXPECT_EQ(results,
                  highestFirst ? (std::vector<int>{0, 0, 0}) : (std::vector<int>{0, -1, 0}));
        EXPECT_EQ(a->getNrGroups(), 0u);
        ASSERT_EQ(a->getNrToDos(), 1u);
        EXPECT_EQ(a->getToDo(0), other);
    }
}

TEST_F(Operations, DeleteItemRefusesItemsOutsideTheTree) {
    ToDoListToDo stray(7, "/0/");
    EXPECT_EQ(v().DeleteItem(&stray), -1);
    EXPECT_EQ(v().DeleteItem(v().getRoot()), -1);
    EXPECT_EQ(v().DeleteItem(static_cast<ToDoListItem*>(nullptr)), -1);
    showRows({nullptr});
    EXPECT_EQ(v().DeleteItem(0u), -1);
    EXPECT_EQ(v().DeleteItem(5u), -1);
}

TEST_F(Operations, DeleteCompletedTakesVisibleFinishedTodosOnlyAndEachOnce) {
    ToDoListToDo* done = todoIn(a, "done");
    ToDoListToDo* open = todoIn(a, "open");
    ToDoListToDo* appointment = todoIn(a, "meeting");
    appointment->setPriority(PRIO_APPOINTMENT);
    ToDoListToDo* lowest = todoIn(a, "done, lowest priority");
    lowest->setPriority(6);
    for (ToDoListToDo* t : {done, lowest}) {
        v().setItem(t);
        ASSERT_EQ(v().setItemCompleted(), 0);
    }
    showRows({done, open, appointment, done, lowest}); // done shown on two days
    std::vector<T_viewDataItem> rows = v().getViewData();
    rows[2].completed = true;
    v().contentView().setRows(rows, v().getViewItems(), v().getViewOrder());
    ASSERT_EQ(v().delCompleted(), 0);
    ASSERT_EQ(a->getNrToDos(), 2u);
    EXPECT_EQ(a->getToDo(0), open);
    EXPECT_EQ(a->getToDo(1), appointment);
}

TEST_F(Operations, DelToDoWorksInTheNormalAndCalendarViewOnly) {
    v().setItem(todoIn(a, "x"));
    v().setMainViewType(MAINVIEW_SEARCH);
    EXPECT_EQ(v().delToDo(), -1);
    EXPECT_EQ(a->getNrToDos(), 1u);
    v().setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v().delToDo(), 0);
    EXPECT_EQ(a->getNrToDos(), 0u);
    EXPECT_EQ(v().getCurItem(), nullptr);
}

TEST_F(Operations, RunningCountFollowsOnlyRealChanges) {
    v().setItem(todoIn(a, "job"));
    ASSERT_EQ(v().setItemRunning(true), 0);
    EXPECT_EQ(v().setItemRunning(true), -1);
    EXPECT_EQ(v().getNrActiveJobs(), 1u);
    EXPECT_EQ(v().setItemCompleted(), 0);
    EXPECT_FALSE(v().isItemRunning());
    EXPECT_EQ(v().getNrActiveJobs(), 0u);
    EXPECT_EQ(v().setItemRunning(false), -1);
    EXPECT_EQ(v().getNrActiveJobs(), 0u);
}
