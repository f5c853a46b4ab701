// The rows of the normal and only-active lists, in the order the walk makes
// them (before sorting).

#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// root { A { B { b1 (completed) b2 } a1 } D { four todos without summary }
// r1 r2 (appointment) }
struct Lists {
    Lists() {
        v.createRoot();
        (a = v.getRoot()->newGroup())->setSummary("A");
        (b = a->newGroup())->setSummary("B");
        (d = v.getRoot()->newGroup())->setSummary("D");
        entry(v, b, "b1", 3, DT_EMPTY, on(2011, 3, 1))->setCompleted(v.calendar());
        b2 = entry(v, b, "b2", 3);
        entry(v, a, "a1", 2);
        r1 = entry(v, v.getRoot(), "r1", 1);
        entry(v, v.getRoot(), "r2", PRIO_APPOINTMENT, at(2011, 3, 7, 9, 0));
        for (const char* text : {"  First line\nand\ta long second line",
                                 "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrstuvwx", " \t\n"})
            entry(v, d, "", 3)->setDescription(text);
        entry(v, d, "", 3)
            ->getDescrData()
            .SetStoredForm(std::vector<unsigned char>(16, 7),
                           DescrData::DESCR_ENCIPHERED | DescrData::DESCR_SAVECRYPT);
        v.checkCompleted();
    }
    PinnedClock clock;
    Velk v;
    ToDoListGroup *a, *b, *d;
    ToDoListToDo *b2, *r1;
};

} // namespace

TEST(Lists, TreeFlatAndOnlyActiveRows) {
    struct Case {
        const char* rule;
        void (*setup)(Lists&);
        t_viewtype type;
        bool showCompleted;
        const char* rows;
    } cases[] = {
        // clang-format off
        {"tree view: the group's own children", [](Lists&) {}, VIEWTYPE_TREE, true, "A|D|r1|r2|"},
        {"tree view of a subgroup", [](Lists& l) { l.v.setGroup(l.a); }, VIEWTYPE_TREE, true, "B|a1|"},
        {"flat view: the whole subtree, group by group", [](Lists& l) { l.v.setGroup(l.a); },
         VIEWTYPE_FLAT, true, "B|a1|b1|b2|"},
        {"completed todos hidden, open groups shown", [](Lists& l) { l.v.setGroup(l.a); },
         VIEWTYPE_FLAT, false, "B|a1|b2|"},
        {"a completed group is shown when completed items are",
         [](Lists& l) { l.v.setGroup(l.a), l.b2->setCompleted(l.v.calendar()), l.v.checkCompleted(); },
         VIEWTYPE_FLAT, true, "B|a1|b1|b2|"},
        {"a hidden completed group is still walked in the flat view",
         [](Lists& l) { l.v.setGroup(l.a), l.b2->setCompleted(l.v.calendar()), l.v.checkCompleted(),
                        l.b2->clearCompleted(); },
         VIEWTYPE_FLAT, false, "a1|b2|"},
        {"only active: running todos of the whole tree, no groups",
         [](Lists& l) { l.b2->setRunning(true), l.r1->setRunning(true), l.v.itemTree().activeJobs() = 2;
                        l.v.setGroup(l.b), l.v.setMainViewType(MAINVIEW_ACTIVE); },
         VIEWTYPE_TREE, true, "r1|b2|"},
        {"no summary: the description on one line without leading blanks, cut after 25 characters; "
         "an enciphered one unread", [](Lists& l) { l.v.setGroup(l.d); }, VIEWTYPE_TREE, true,
         "First line and a long sec...|abcdefghijklmnopqrstuvwxy...|abcdefghijklmnopqrstuvwx||"
         "<encrypted>|"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Lists l;
        k.setup(l);
        l.v.setOptViewtype(k.type);
        l.v.setOptShowCompleted(k.showCompleted);
        l.v.clearViewData();
        l.v.getContent();
        std::string rows, items;
        for (std::size_t i = 0; i < l.v.getViewData().size(); ++i) {
            const std::string text = l.v.getViewData()[i].text.str(),
                              summary = l.v.getViewItems()[i]->getSummary();
            rows += text + "|";
            items += (summary.empty() ? text : summary) + "|";
        }
        EXPECT_EQ(rows, k.rows);
        EXPECT_EQ(items, k.rows) << "each row shows its item";
    }
}
