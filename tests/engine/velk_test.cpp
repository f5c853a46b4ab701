// Navigation between groups and views, the journal snapshots of the editors,
// and the window's actions that carry rules of their own.

#include "engine/editor_text.h"
#include "support/organizer.h"
#include "support/temp_dir.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// root { A { B { C } } T }, current group the root.
struct Tree : testing::Test {
    void SetUp() override {
        v.createRoot();
        a = v.getRoot()->newGroup();
        a->setSummary("A");
        b = a->newGroup();
        b->setSummary("B");
        c = b->newGroup();
        c->setSummary("C");
        todo = entry(v, v.getRoot(), "T", 3);
    }
    PinnedClock clock;
    Velk v;
    ToDoListGroup *a, *b, *c;
    ToDoListToDo* todo;
};

} // namespace

TEST_F(Tree, LeavingGroupsWalksUpOneLevelUntilTheRoot) {
    v.setGroup(c);
    EXPECT_EQ(v.getCurGroupPathText(), "A\nB\nC");
    for (const char* path : {"/0/0/0/", "/0/0/", "/0/"}) {
        EXPECT_EQ(v.leaveCurGroup(), 0);
        EXPECT_EQ(v.getCurGroupPath(), path);
    }
    EXPECT_EQ(v.getCurGroup(), v.getRoot());
    EXPECT_EQ(v.leaveCurGroup(), -1);
    v.setGroup(b);
    v.setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v.leaveCurGroup(), -1) << "only the normal view walks the tree";
    EXPECT_EQ(v.getCurGroup(), b);
}

TEST_F(Tree, TheOnlyActiveViewIsEnteredOnlyWhileATodoRuns) {
    EXPECT_EQ(v.setMainViewType(MAINVIEW_NORMAL), -1);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_CALENDAR), 0);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_CALENDAR) << "nothing runs: the view stays";
    v.setItem(todo);
    ASSERT_EQ(v.setItemRunning(true), 0);
    v.setMainViewType(MAINVIEW_NORMAL);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_ACTIVE);
    v.setGroup(c);
    EXPECT_TRUE(v.inRootGroup());
    EXPECT_EQ(v.getCurGroupPathText(), "Active jobs");
    EXPECT_EQ(v.setMainViewType(MAINVIEW_BACK), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_FALSE(v.inRootGroup());
}

TEST_F(Tree, SnapshotsTellWhetherAnEditMustBeJournalled) {
    v.setItem(todo);
    v.setDate(0, 2011, 3, 5);
    v.setDate(16, 2011, 3, 5);
    v.incsave_rememberTodo();
    v.setItemSummary("T");
    EXPECT_FALSE(v.incsave_todoHasChanged()) << "the same summary";
    v.setRecData(T_recData{REC_DAILY, 1, DT_EMPTY, DT_EMPTY});
    EXPECT_TRUE(v.incsave_todoHasChanged()) << "a rule";
    v.incsave_forgetTodo();
    v.incsave_rememberTodo();
    v.setRecData(T_recData{REC_DAILY, 3, DT_EMPTY, DT_EMPTY});
    EXPECT_TRUE(v.incsave_todoHasChanged()) << "only the interval";
    v.incsave_forgetTodo();
    EXPECT_FALSE(v.incsave_todoHasChanged());
    v.incsave_newItem();
    EXPECT_TRUE(v.incsave_todoHasChanged()) << "a new item";

    v.setGroup(a);
    v.incsave_rememberGroup();
    EXPECT_FALSE(v.incsave_groupHasChanged());
    v.setGroupSummary("A2");
    EXPECT_TRUE(v.incsave_groupHasChanged());
    v.incsave_rememberGroup(); // a snapshot exists: it is kept
    EXPECT_TRUE(v.incsave_groupHasChanged());
    v.incsave_forgetGroup();
    EXPECT_FALSE(v.incsave_groupHasChanged());
}

// Actions of the window on root { A { a1 } r1 (due 7 March) }, with the list
// of A shown: the result and what follows, with the calendar's first day.
TEST(UserActions, ActionsDoTheirWholeRule) {
    struct Org {
        Org() {
            a = v.getRoot()->newGroup();
            a->setSummary("A");
            a1 = entry(v, a, "a1", 2);
            r1 = entry(v, v.getRoot(), "r1", 3, DT_EMPTY, on(2011, 3, 7));
            v.setGroup(a);
            v.buildView();
        }
        TempDir dir;
        TestOrganizer org{dir.file("u.dat")};
        Velk& v = *org;
        ToDoListGroup* a;
        ToDoListToDo *a1, *r1;
    };
    auto state = [](Velk& v) {
        std::string s = "view " + std::to_string(v.getMainViewType()) + " in " + v.getCurGroup()->getSummary();
        if (ToDoListToDo* t = v.getCurItem())
            s += " item " + t->getSummary() + ":" + std::to_string(t->getPriority()) + (t->isCompleted() ? " done" : "");
        return s + " first " + dateTime2str(v.getCalFirstDay()) + " run " + std::to_string(v.getNrActiveJobs());
    };
    auto calendar = [](Velk& v) {
        int jobsTopLine = 0;
        v.switchMainView(MAINVIEW_CALENDAR, 0, jobsTopLine);
        v.setCalendarDay(2011, 3, 7);
        v.setCalSpan(1);
        v.buildView(); // shown: 0 header, 1 r1, 2 blank line
    };
    struct Case {
        const char* rule;
        int (*op)(Org&);
        int result;
        const char* after;
    } cases[] = {
        {"the idle only-active view is left",
         [](Org& o) { o.v.setItem(o.a1), o.v.setItemRunning(true), o.v.setMainViewType(MAINVIEW_ACTIVE);
                      o.v.setItemRunning(false); return int(o.v.leaveIdleActiveView()); },
         1, "view 0 in A item a1:2 first 05.03.2011 xx:xx run 0"},
        {"the only-active view stays while a todo runs",
         [](Org& o) { o.v.setItem(o.a1), o.v.setItemRunning(true), o.v.setMainViewType(MAINVIEW_ACTIVE);
                      return int(o.v.leaveIdleActiveView()); },
         0, "view 1 in A item a1:2 first 05.03.2011 xx:xx run 1"},
        {"no other view is left", [](Org& o) { return int(o.v.leaveIdleActiveView()); }, 0,
         "view 0 in A first 05.03.2011 xx:xx run 0"},
        {"a day header makes an appointment", [](Org& o) { return o.v.newItemAtRow(o.v.getViewOrder()[0], true); },
         0, "view 3 in A item <unnamed>:100 first 07.03.2011 xx:xx run 0"},
        {"the left half of a blank line makes a todo",
         [](Org& o) { return o.v.newItemAtRow(o.v.getViewOrder()[2], true); }, 0,
         "view 3 in A item <unnamed>:3 first 07.03.2011 xx:xx run 0"},
        {"the right half of a blank line makes a note",
         [](Org& o) { return o.v.newItemAtRow(o.v.getViewOrder()[2], false); }, 1,
         "view 3 in A item :200 first 07.03.2011 xx:xx run 0"},
        {"an entry row makes nothing", [](Org& o) { return o.v.newItemAtRow(o.v.getViewOrder()[1], true); }, -1,
         "view 3 in A first 07.03.2011 xx:xx run 0"},
        {"a row completed", [](Org& o) { return o.v.toggleRowCompleted(o.v.getViewOrder()[1]); }, 0,
         "view 3 in A item r1:3 done first 07.03.2011 xx:xx run 0"},
        {"a completion taken back",
         [](Org& o) { o.v.toggleRowCompleted(o.v.getViewOrder()[1]); return o.v.toggleRowCompleted(o.v.getViewOrder()[1]); },
         0, "view 3 in A item r1:3 first 07.03.2011 xx:xx run 0"},
        {"the calendar steps back by its span", [](Org& o) { o.v.setCalSpan(7); o.v.stepCalendar(Velk::CAL_BACK_SPAN); return 0; },
         0, "view 3 in A first 28.02.2011 xx:xx run 0"},
        {"the calendar steps forward by a day over a month's end",
         [](Org& o) { o.v.setCalendarDay(2011, 2, 28), o.v.stepCalendar(Velk::CAL_FORWARD_DAY); return 0; }, 0,
         "view 3 in A first 01.03.2011 xx:xx run 0"},
        {"the calendar goes to today", [](Org& o) { o.v.stepCalendar(Velk::CAL_TODAY); return 0; }, 0,
         "view 3 in A first 05.03.2011 xx:xx run 0"},
        {"the todo flag turns an appointment into a todo",
         [](Org& o) { o.v.setItem(o.r1), o.v.setItemPriority(PRIO_APPOINTMENT); return int(o.v.toggleItemIsToDo()); },
         1, "view 3 in A item r1:3 first 07.03.2011 xx:xx run 0"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Org o;
        if (std::string(k.after).rfind("view 3", 0) == 0) calendar(o.v);
        EXPECT_EQ(k.op(o), k.result);
        EXPECT_EQ(state(o.v), k.after);
    }
}
