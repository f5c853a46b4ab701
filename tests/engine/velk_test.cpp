// Navigation between groups and views and the window's actions that carry
// rules of their own, and the journal snapshots of the editors.

#include "engine/editor_text.h"
#include "support/organizer.h"
#include "support/temp_dir.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// root { A { B a1 } r1 (due 7 March) } on a data file, the list of A shown;
// in the calendar: 7 March only, rows 0 header, 1 r1, 2 blank line.
struct Org {
    Org() {
        (a = v.getRoot()->newGroup())->setSummary("A");
        (b = a->newGroup())->setSummary("B");
        a1 = entry(v, a, "a1", 2);
        r1 = entry(v, v.getRoot(), "r1", 3, DT_EMPTY, on(2011, 3, 7));
        v.setGroup(a);
        v.buildView();
    }
    Org& calendar() {
        int jobsTopLine = 0;
        v.switchMainView(MAINVIEW_CALENDAR, 0, jobsTopLine);
        v.setCalendarDay(2011, 3, 7);
        v.setCalSpan(1);
        return v.buildView(), *this;
    }
    unsigned row(unsigned pos) { return v.getViewOrder()[pos]; }
    int running() { return v.setItem(a1), v.setItemRunning(true); }
    TempDir dir;
    TestOrganizer org{dir.file("u.dat")};
    Velk& v = *org;
    ToDoListGroup *a, *b;
    ToDoListToDo *a1, *r1;
};

std::string state(Velk& v) {
    std::string s = "view " + std::to_string(v.getMainViewType()) + " in " +
                    (v.inRootGroup() ? "/" : v.getCurGroup()->getSummary());
    if (ToDoListToDo* t = v.getCurItem())
        s += " item " + t->getSummary() + ":" + std::to_string(t->getPriority()) +
             (t->isCompleted() ? " done" : "");
    return s + " first " + dateTime2str(v.getCalFirstDay()) + " run " +
           std::to_string(v.getNrActiveJobs());
}

} // namespace

TEST(UserActions, ActionsDoTheirWholeRule) {
    struct Case {
        const char* rule;
        int (*op)(Org&);
        int result;
        const char* after;
    } cases[] = {
        // clang-format off
        {"leaving a group goes up one level and gives the list position kept for it",
         [](Org& o) { int top = 0, sel = 0; o.v.setOptViewtype(VIEWTYPE_TREE);
                      o.v.enterGroupAtRow(o.row(0), 3, 4);
                      return 100 * o.v.leaveGroup(top, sel) + 10 * top + sel; },
         34, "view 0 in A first 05.03.2011 xx:xx run 0"},
        {"the root is not left", [](Org& o) { return 10 * o.v.leaveCurGroup() + o.v.leaveCurGroup(); },
         -1, "view 0 in / first 05.03.2011 xx:xx run 0"},
        {"only the normal view walks the tree", [](Org& o) { return o.calendar().v.leaveCurGroup(); },
         -1, "view 3 in A first 07.03.2011 xx:xx run 0"},
        {"the only-active view is not entered while nothing runs",
         [](Org& o) { return o.v.setMainViewType(MAINVIEW_ACTIVE); }, 0,
         "view 0 in A first 05.03.2011 xx:xx run 0"},
        {"the only-active view while a todo runs shows the whole tree",
         [](Org& o) { return o.running() + o.v.setMainViewType(MAINVIEW_ACTIVE); }, 0,
         "view 1 in / item a1:2 first 05.03.2011 xx:xx run 1"},
        {"back from the only-active view to the view before",
         [](Org& o) { return o.running(), o.calendar().v.setMainViewType(MAINVIEW_ACTIVE),
                             o.v.setMainViewType(MAINVIEW_BACK); },
         0, "view 3 in A item a1:2 first 07.03.2011 xx:xx run 1"},
        {"the idle only-active view is left",
         [](Org& o) { return o.running(), o.v.setMainViewType(MAINVIEW_ACTIVE),
                             o.v.setItemRunning(false), int(o.v.leaveIdleActiveView()); },
         1, "view 0 in A item a1:2 first 05.03.2011 xx:xx run 0"},
        {"the only-active view stays while a todo runs",
         [](Org& o) { return o.running(), o.v.setMainViewType(MAINVIEW_ACTIVE),
                             int(o.v.leaveIdleActiveView()); },
         0, "view 1 in / item a1:2 first 05.03.2011 xx:xx run 1"},
        {"no other view is left as idle", [](Org& o) { return int(o.v.leaveIdleActiveView()); }, 0,
         "view 0 in A first 05.03.2011 xx:xx run 0"},
        {"a day header makes an appointment",
         [](Org& o) { return o.calendar().v.newItemAtRow(o.row(0), true); },
         0, "view 3 in A item <unnamed>:100 first 07.03.2011 xx:xx run 0"},
        {"the left half of a blank line makes a todo",
         [](Org& o) { return o.calendar().v.newItemAtRow(o.row(2), true); },
         0, "view 3 in A item <unnamed>:3 first 07.03.2011 xx:xx run 0"},
        {"the right half of a blank line makes a note",
         [](Org& o) { return o.calendar().v.newItemAtRow(o.row(2), false); },
         1, "view 3 in A item :200 first 07.03.2011 xx:xx run 0"},
        {"an entry row makes nothing", [](Org& o) { return o.calendar().v.newItemAtRow(o.row(1), true); },
         -1, "view 3 in A first 07.03.2011 xx:xx run 0"},
        {"a row completed, and taken back",
         [](Org& o) { return 10 * o.calendar().v.toggleRowCompleted(o.row(1)) +
                             o.v.toggleRowCompleted(o.row(1)); },
         0, "view 3 in A item r1:3 first 07.03.2011 xx:xx run 0"},
        {"the calendar steps back by its span",
         [](Org& o) { return o.calendar().v.setCalSpan(7), o.v.stepCalendar(Velk::CAL_BACK_SPAN), 0; },
         0, "view 3 in A first 28.02.2011 xx:xx run 0"},
        {"the calendar steps forward by a day over a month's end",
         [](Org& o) { return o.v.setCalendarDay(2011, 2, 28), o.v.stepCalendar(Velk::CAL_FORWARD_DAY), 0; },
         0, "view 0 in A first 01.03.2011 xx:xx run 0"},
        {"the calendar goes to today",
         [](Org& o) { return o.calendar().v.stepCalendar(Velk::CAL_TODAY), 0; },
         0, "view 3 in A first 05.03.2011 xx:xx run 0"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Org o;
        EXPECT_EQ(k.op(o), k.result);
        EXPECT_EQ(state(o.v), k.after);
    }
}

TEST(EditSession, SnapshotsTellWhetherAnEditMustBeJournalled) {
    Org o;
    Velk& v = o.v;
    v.setItem(o.r1);
    v.setDate(16, 2011, 3, 5);
    v.incsave_rememberTodo();
    v.setItemSummary("r1");
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
    v.incsave_rememberGroup();
    v.setGroupSummary("A2");
    v.incsave_rememberGroup(); // a snapshot exists: it is kept
    EXPECT_TRUE(v.incsave_groupHasChanged());
    v.incsave_forgetGroup();
    EXPECT_FALSE(v.incsave_groupHasChanged());
}
