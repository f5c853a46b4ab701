// New, turned and deleted items: a situation and an operation, its result, and
// the tree with the current group and item after it.

#include "engine/editor_text.h"
#include "engine/item_views.h"
#include "support/organizer.h"
#include "support/temp_dir.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// root { r1 A { a1 B { b1 } } } on a data file in a fresh directory, every
// item with a sync ID; b1 is due on 9 March 2011.
struct Tree {
    Tree() {
        (a = v.getRoot()->newGroup())->setSummary("A");
        (b = a->newGroup())->setSummary("B");
        r1 = entry(v, v.getRoot(), "r1", 3);
        a1 = entry(v, a, "a1", 3);
        b1 = entry(v, b, "b1", 3, DT_EMPTY, on(2011, 3, 9));
        for (ToDoListItem* i : std::initializer_list<ToDoListItem*>{a, b, r1, a1, b1})
            i->setSyncID(v.itemTree().newSyncID());
    }
    // The list shows these items in this order; null: a day header of 7 March 2026.
    Tree& show(const std::vector<ToDoListItem*>& items) {
        std::vector<T_viewDataItem> rows(items.size());
        std::vector<unsigned> order;
        for (unsigned i = 0; i < items.size(); ++i) {
            order.push_back(i);
            if (auto* t = dynamic_cast<ToDoListToDo*>(items[i])) setViewData(*t, rows[i], nullptr);
            if (auto* g = dynamic_cast<ToDoListGroup*>(items[i])) setViewData(*g, rows[i]);
            if (!items[i]) rows[i].prio = PRIO_DAYHEADER, rows[i].day = on(2026, 3, 7);
        }
        return v.contentView().setRows(rows, items, order), *this;
    }
    Tree& calendar() { return v.setMainViewType(MAINVIEW_CALENDAR), *this; }
    // The calendar of 9 March 2011 alone: 0 its header, 1 Ash Wednesday, 2 b1, 3 its blank line.
    Tree& march9() {
        return calendar(), v.setCalFirstDay(on(2011, 3, 9)), v.setCalSpan(1), v.buildView(), *this;
    }
    // A new item at the row in this place of the list, on its left or right half.
    int row(unsigned pos, bool left) { return v.newItemAtRow(v.getViewOrder()[pos], left); }
    int running(ToDoListToDo* t) { return v.setItem(t), v.setItemRunning(true); }
    TempDir dir;
    TestOrganizer org{dir.file("o.dat")};
    Velk& v = *org;
    ToDoListGroup *a, *b;
    ToDoListToDo *r1, *a1, *b1;
};

// The results of operations in the order they ran, as the digits of one number.
int codes(std::initializer_list<int> results) {
    int n = 0;
    for (int r : results)
        n = 10 * n + r;
    return n;
}

std::string shape(ToDoListGroup& g) {
    std::string s = "{";
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        s += " " + g.getToDo(i)->getSummary() + (g.getToDo(i)->isRunning() ? "*" : "");
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        s += " " + g.getGroup(i)->getSummary() + shape(*g.getGroup(i));
    return s + " }";
}

// The tree, the main view when not the normal one, the current group (empty
// for the root) and item with its priority and dates, the running count and
// the number of dated todos.
std::string state(Velk& v) {
    const ToDoListToDo* t = v.getCurItem();
    const int view = v.getMainViewType();
    std::string s = shape(*v.getRoot()) + (view ? " view " + std::to_string(view) : "") + " " +
                    (v.inRootGroup() ? "" : v.getCurGroup()->getSummary()) + "/" +
                    (t ? t->getSummary() + ":" + std::to_string(t->getPriority()) : "-") +
                    (t && t->isCompleted() ? " done" : "");
    if (t && (dtHasDate(t->getDateTime(16)) || dtHasDate(t->getDateTime(0))))
        s += " " + dateTime2str(t->getDateTime(16)) + ".." + dateTime2str(t->getDateTime(0));
    return s + " r" + std::to_string(v.getNrActiveJobs()) + " d" +
           std::to_string(v.calendar().datedToDos.size());
}

} // namespace

TEST(Operations, ChangeTheTreeAndTheViewAsTheirRulesSay) {
    const std::string same = "{ r1 A{ a1 B{ b1 } } } /- r0 d1", b1Due = " none..09.03.2011 xx:xx";
    // clang-format off
    struct Case { const char* rule; int (*op)(Tree&); int result; std::string after; };
    const Case cases[] = {
        {"normal view: a new todo in the current group, the priority unused",
         [](Tree& t) { return t.v.setGroup(t.a), t.v.newToDo(5, 0u); }, 0,
         "{ r1 A{ a1 <unnamed> B{ b1 } } } A/<unnamed>:3 r0 d1"},
        {"calendar day: an appointment 8:00-8:30 in the group 'calendar', the group stays",
         [](Tree& t) { return t.calendar().show({nullptr}).v.setGroup(t.b), t.v.newToDo(100, 0u); },
         0, "{ r1 A{ a1 B{ b1 } } calendar{ <unnamed> } } view 3 B/<unnamed>:100 07.03.2026 8:00.."
            "07.03.2026 8:30 r0 d1"},
        {"calendar from today, a 1st: a todo from the overdue blank line is due the day before",
         [](Tree& t) { PinnedClock clock(1330603200); // 1 March 2012, 13:00
                       t.calendar().v.setCalFirstDay(on(2012, 3, 1)), t.v.setCalSpan(1);
                       EXPECT_EQ(shownRows(t.v), "overdue b1|--|@i@rThursday 01.03.2012  9|--|");
                       return t.v.newToDo(2, t.v.getViewOrder()[1]); }, 0, "{ r1 A{ a1 B{ b1 } } "
         "calendar{ <unnamed> } } view 3 /<unnamed>:2 29.02.2012 xx:xx..29.02.2012 xx:xx r0 d2"},
        {"in the calendar no new item on a row without a day or not there, no new group, turned "
         "todo or deleted group; in a search nothing new", [](Tree& t) {
             t.v.setGroup(t.a), t.v.setItem(t.a1), t.calendar().show({t.a1});
             return codes({t.v.newToDo(3, 0u), t.v.newToDo(3, 1u), t.v.newGroup(),
                           t.v.turnCurItem2Group(), t.v.delCurGroup(),
                           (t.v.setMainViewType(MAINVIEW_NORMAL), t.v.search("zzz")),
                           t.v.newToDo(3, 0u), t.v.delToDo()}); },
         -11111011, "{ r1 A{ a1 B{ b1 } } search results{ } } view 2 search results/a1:3 r0 d1"},
        {"a running todo turned into a group: the copy runs, is dated and current", [](Tree& t) {
             return t.v.setGroup(t.b), t.running(t.b1), t.v.turnCurItem2Group(); },
         0, "{ r1 A{ a1 B{ b1{ b1* } } } } b1/b1:3" + b1Due + " r1 d1"},
        {"a todo of a subgroup shown flat becomes a group in its own group", [](Tree& t) {
             return t.v.setGroup(t.a), t.v.setItem(t.b1), t.v.turnCurItem2Group(); },
         0, "{ r1 A{ a1 B{ b1{ b1 } } } } b1/b1:3" + b1Due + " r0 d1"},
        {"the current group deleted with its running todo; its parent becomes current",
         [](Tree& t) { return t.running(t.b1), t.v.setGroup(t.b), t.v.delCurGroup(); },
         0, "{ r1 A{ a1 } } A/- r0 d0"},
        {"a deleted group takes the current group and item inside it to its parent", [](Tree& t) {
             return t.v.setGroup(t.b), t.v.setItem(t.b1), t.v.DeleteItem(t.a); },
         0, "{ r1 } /- r0 d0"},
        {"an item outside the tree, or the root, is not deleted", [](Tree& t) {
             ToDoListToDo x(7, "/0/");
             return codes({t.v.DeleteItem(&x), t.v.DeleteItem(t.v.getRoot()),
                           t.v.delCurGroup()}); }, -111, same},
        {"rows deleted by position from the first: a todo gone with its group shows nothing",
         [](Tree& t) { return t.show({t.b, t.b1, t.a1, t.r1}),
                       codes({t.v.DeleteItem(0u), t.v.DeleteItem(1u), t.v.DeleteItem(2u)}); },
         -10, "{ r1 A{ } } /- r0 d0"},
        {"a position just past the rows, or of a marker, deletes nothing", [](Tree& t) {
             std::vector<unsigned> order = {0, 1, 0}; // a row number left past the end
             order.pop_back();
             t.show({t.r1, nullptr}).v.contentView().setRows(t.v.getViewData(), t.v.getViewItems(),
                                                             std::move(order));
             return codes({t.v.DeleteItem(2u), t.v.DeleteItem(1u)}); }, -11, same},
        {"completed todos shown (once or twice, priority 6 too) go; open todos, completed "
         "appointments and groups stay", [](Tree& t) {
             ToDoListToDo* appt = entry(t.v, t.a, "appt", 3, DT_EMPTY, on(2011, 3, 1));
             for (ToDoListToDo* d : {t.a1, t.b1, appt}) d->setCompleted(t.v.calendar());
             appt->setPriority(PRIO_APPOINTMENT, t.v.calendar()); // a completed todo made one
             t.b1->setPriority(6, t.v.calendar()), t.v.checkCompleted();
             return t.show({t.a1, t.r1, appt, t.b, t.a1, t.b1, nullptr}).v.delCompleted(); },
         0, "{ r1 A{ appt B{ } } } /- r0 d0"},
        {"recording started twice counts once; completing stops it; stopping again does nothing",
         [](Tree& t) { return codes({t.running(t.a1), t.v.setItemRunning(true),
                                     t.v.setItemCompleted(), t.v.setItemRunning(false)}); },
         -101, "{ r1 A{ a1 B{ b1 } } } /a1:3 done r0 d1"},
        {"the only-active view is not entered while nothing runs, nor another view left as idle",
         [](Tree& t) { return codes({t.v.setMainViewType(MAINVIEW_ACTIVE),
                                     t.v.leaveIdleActiveView()}); }, 0, same},
        {"a calendar day header makes an appointment, a blank line's left half a todo, its right "
         "half a note; an entry or special day row nothing", [](Tree& t) {
             return codes({t.march9().row(0, true), t.row(3, true), t.row(3, false), t.row(2, true),
                           t.row(1, true)}); }, 89, "{ r1 A{ a1 B{ b1 } } calendar{ <unnamed> "
         "<unnamed>  } } view 3 /:200 09.03.2011 xx:xx..09.03.2011 xx:xx r0 d2"},
        {"closing the editor journals nothing unchanged, but an item whose rule's interval changed",
         [](Tree& t) { t.v.setItem(t.b1), t.v.setDate(16, 2011, 3, 9);
             t.v.setRecData({REC_DAILY, 1, DT_EMPTY, DT_EMPTY}), t.v.beginItemEdit();
             t.v.closeItemEditor("b1", nullptr);
             const int unchanged = t.v.incsave_getNrOfFiles();
             t.v.beginItemEdit(), t.v.setRecData({REC_DAILY, 3, DT_EMPTY, DT_EMPTY});
             t.v.closeItemEditor("b1", nullptr);
             return codes({unchanged, t.v.incsave_getNrOfFiles()}); },
         1, "{ r1 A{ a1 B{ b1 } } } /b1:3 09.03.2011 xx:xx..09.03.2011 xx:xx r0 d0"},
        {"closing the group editor journals a group the data file holds as changed", [](Tree& t) {
             t.a->hasBeenSaved(true), t.v.setGroup(t.a), t.v.incsave_rememberGroup();
             t.v.closeGroupEditor("A2", false);
             const std::string journal = readWholeFile(journalFile(t.dir.file("o.dat"), 0));
             return int(journal.find("<changed>") != std::string::npos); },
         1, "{ r1 A2{ a1 B{ b1 } } } A2/- r0 d1"},
        {"the window size is stored only when given", [](Tree& t) { unsigned w = 400, h = 300;
             return t.v.windowSize(w, h), w = 0, t.v.windowSize(w, h), int(w * 1000 + h); },
         400300, same},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Tree t;
        EXPECT_EQ(k.op(t), k.result);
        EXPECT_EQ(state(t.v), k.after);
    }
}
