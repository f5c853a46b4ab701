#include "engine/velk.h"
#include "model/clock.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// root / "A" (id 0) / "B" (id 0) / "C" (id 0), and a todo in the root.
struct Tree : testing::Test {
    void SetUp() override {
        setVelkNowForTesting(1299326400);
        v.createRoot();
        a = v.getRoot()->newGroup();
        a->setSummary("A");
        b = a->newGroup();
        b->setSummary("B");
        c = b->newGroup();
        c->setSummary("C");
        todo = v.getRoot()->newToDo();
        todo->setSummary("T");
    }
    void TearDown() override { setVelkNowForTesting(-1); }
    Velk v;
    ToDoListGroup *a, *b, *c;
    ToDoListToDo* todo;
};

} // namespace

TEST_F(Tree, LeavingGroupsWalksUpOneLevelUntilTheRoot) {
    v.setGroup(c);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/0/0/");
    EXPECT_EQ(v.getCurGroupPathText(), "A\nB\nC");
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/0/");
    EXPECT_EQ(v.getCurGroup(), b);
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroup(), v.getRoot());
    EXPECT_EQ(v.leaveCurGroup(), -1);
    EXPECT_EQ(v.getCurGroupPath(), "/0/");

    v.setGroup(b);
    v.setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v.leaveCurGroup(), -1) << "only the normal view walks the tree";
    EXPECT_EQ(v.getCurGroup(), b);
}

TEST_F(Tree, LeavingTheSearchViewDropsTheResultsGroup) {
    v.setGroup(b);
    ASSERT_EQ(v.search(""), 0);
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getSearchGroup(), nullptr);
    EXPECT_EQ(v.getRoot()->getNrGroups(), 1u);
    EXPECT_EQ(v.getCurGroup(), b);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/0/");
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
}

TEST_F(Tree, MainViewTypeTransitions) {
    EXPECT_EQ(v.setMainViewType(MAINVIEW_NORMAL), -1);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_CALENDAR), 0);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_CALENDAR) << "nothing runs: the view stays";
    v.setItem(todo);
    EXPECT_EQ(v.setItemRunning(true), 0);
    EXPECT_EQ(v.getNrActiveJobs(), 1u);
    v.setMainViewType(MAINVIEW_NORMAL);
    EXPECT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_ACTIVE);
    v.setGroup(c);
    EXPECT_TRUE(v.inRootGroup());
    EXPECT_EQ(v.getCurGroupPathText(), "Active jobs");
    EXPECT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), -1);
    EXPECT_EQ(v.getOptions().lastMainViewType, MAINVIEW_ACTIVE);
    v.contentView().options().lastMainViewType = MAINVIEW_NORMAL;
    EXPECT_EQ(v.setMainViewType(MAINVIEW_BACK), 0);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_FALSE(v.inRootGroup());
}

TEST_F(Tree, RunningCountFollowsRecordingAndCompletion) {
    v.setItem(todo);
    v.setDate(0, 2011, 3, 10);
    EXPECT_EQ(v.setItemRunning(false), -1);
    EXPECT_EQ(v.getNrActiveJobs(), 0u);
    EXPECT_EQ(v.setItemRunning(true), 0);
    EXPECT_EQ(v.setItemRunning(true), -1);
    EXPECT_EQ(v.getNrActiveJobs(), 1u);
    EXPECT_EQ(v.setItemCompleted(), 0);
    EXPECT_FALSE(v.isItemRunning());
    EXPECT_EQ(v.getNrActiveJobs(), 0u);
    EXPECT_EQ(v.setItemCompleted(), -2) << "already completed";
    v.setItem(nullptr);
    EXPECT_EQ(v.setItemCompleted(), -1);
    EXPECT_EQ(v.setItemRunning(true), -1);
}

TEST_F(Tree, WindowSizeIsStoredOnlyWhenGiven) {
    unsigned w = 0, h = 0;
    v.windowSize(w, h);
    EXPECT_EQ(w, 320u);
    EXPECT_EQ(h, 320u);
    w = 400, h = 300;
    v.windowSize(w, h);
    w = 0;
    v.windowSize(w, h);
    EXPECT_EQ(w, 400u);
    EXPECT_EQ(h, 300u);
}

TEST_F(Tree, SnapshotsTellWhetherAnEditMustBeJournalled) {
    v.setItem(todo);
    v.incsave_rememberTodo();
    EXPECT_FALSE(v.incsave_todoHasChanged());
    v.setItemSummary("T");
    EXPECT_FALSE(v.incsave_todoHasChanged());
    v.setItemSummary("changed");
    EXPECT_TRUE(v.incsave_todoHasChanged());
    v.incsave_forgetTodo();
    EXPECT_FALSE(v.incsave_todoHasChanged());
    v.incsave_newItem();
    EXPECT_TRUE(v.incsave_todoHasChanged());

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

TEST_F(Tree, RememberedGroupsAndParents) {
    v.setGroup(c);
    v.rememberGroup();
    v.setGroup(a);
    v.enterPrevGroup();
    EXPECT_EQ(v.getCurGroup(), c);
    ToDoListToDo* deep = b->newToDo();
    v.setItem(deep);
    v.rememberGroupOfCurrentItem();
    v.enterPrevGroup();
    EXPECT_EQ(v.getCurGroup(), b);
    EXPECT_EQ(v.GetParentOfItem(deep), b);
    EXPECT_EQ(v.GetParentOfItem(todo), v.getRoot());
    EXPECT_FALSE(v.toggleGroupShowCompleted());
    EXPECT_FALSE(b->getShowCompleted());
}

TEST(Teardown, DeletingAnEngineWithEntriesInEveryCalendarListFreesThemAll) {
    // Under the sanitizers: no entry is touched after it is freed and no list
    // node is leaked.
    auto w = std::make_unique<Velk>();
    w->createRoot();
    ToDoListGroup* g = w->getRoot()->newGroup()->newGroup();
    for (ToDoListGroup* in : {w->getRoot(), g})
        for (unsigned prio : {3u, PRIO_APPOINTMENT, PRIO_NOTE})
            for (int type : {REC_NONE, REC_WEEKLY}) {
                ToDoListToDo* t = in->newToDo();
                t->setDate(0, 2024, 6, 20, w->calendar());
                t->setDate(1, 2024, 6, 19, w->calendar());
                t->setPriority(prio, w->calendar());
                t->setRecData(T_recData{type, 1, DT_EMPTY, DT_EMPTY}, w->calendar());
            }
    const T_Calendar& cal = w->calendar();
    for (std::size_t n : {cal.recToDos.size(), cal.datedToDos.size(), cal.recAppointments.size(),
                          cal.datedAppointments.size(), cal.recNotes.size(), cal.datedNotes.size()})
        ASSERT_EQ(n, 2u);
    w.reset();
}
