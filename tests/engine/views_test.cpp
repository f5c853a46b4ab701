// The rows of the normal and only-active lists, in the order the walk makes
// them (before sorting).

#include "crypt/crypt_man.h"
#include "engine/item_views.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// root { A { B { b1 (completed) b2 } a1 } r1 r2 (appointment) }
struct Lists {
    Lists() {
        v.createRoot();
        a = v.getRoot()->newGroup();
        a->setSummary("A");
        b = a->newGroup();
        b->setSummary("B");
        b1 = entry(v, b, "b1", 3, DT_EMPTY, on(2011, 3, 1));
        b1->setCompleted(v.calendar());
        b2 = entry(v, b, "b2", 3);
        entry(v, a, "a1", 2);
        r1 = entry(v, v.getRoot(), "r1", 1);
        entry(v, v.getRoot(), "r2", PRIO_APPOINTMENT, at(2011, 3, 7, 9, 0));
        v.checkCompleted();
    }
    PinnedClock clock;
    Velk v;
    ToDoListGroup *a, *b;
    ToDoListToDo *b1, *b2, *r1;
};

} // namespace

TEST(Lists, TreeFlatAndOnlyActiveRows) {
    struct Case {
        const char* rule;
        void (*setup)(Lists&);
        t_viewtype viewtype;
        bool showCompleted;
        const char* rows;
    } cases[] = {
        {"tree view: the group's own children", [](Lists&) {}, VIEWTYPE_TREE, true, "A|r1|r2|"},
        {"tree view of a subgroup", [](Lists& l) { l.v.setGroup(l.a); }, VIEWTYPE_TREE, true, "B|a1|"},
        {"flat view: the whole subtree, group by group", [](Lists&) {}, VIEWTYPE_FLAT, true,
         "A|r1|r2|B|a1|b1|b2|"},
        {"flat view of a subgroup", [](Lists& l) { l.v.setGroup(l.a); }, VIEWTYPE_FLAT, true,
         "B|a1|b1|b2|"},
        {"completed todos hidden, open groups shown", [](Lists&) {}, VIEWTYPE_FLAT, false,
         "A|r1|r2|B|a1|b2|"},
        {"a completed group is shown when completed items are",
         [](Lists& l) { l.b2->setCompleted(l.v.calendar()), l.v.checkCompleted(); }, VIEWTYPE_FLAT, true,
         "A|r1|r2|B|a1|b1|b2|"},
        {"a hidden completed group is still walked in the flat view",
         [](Lists& l) { l.b2->setCompleted(l.v.calendar()), l.v.checkCompleted(), l.b2->clearCompleted(); },
         VIEWTYPE_FLAT, false, "A|r1|r2|a1|b2|"},
        {"only active: running todos of the whole tree, no groups",
         [](Lists& l) { l.b2->setRunning(true), l.r1->setRunning(true), l.v.itemTree().activeJobs() = 2;
                        l.v.setGroup(l.b), l.v.setMainViewType(MAINVIEW_ACTIVE); },
         VIEWTYPE_TREE, true, "r1|b2|"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Lists l;
        k.setup(l);
        l.v.setOptViewtype(k.viewtype);
        l.v.setOptShowCompleted(k.showCompleted);
        l.v.clearViewData();
        l.v.getContent();
        std::string rows, items;
        for (std::size_t i = 0; i < l.v.getViewData().size(); ++i) {
            rows += l.v.getViewData()[i].text.str() + "|";
            items += l.v.getViewItems()[i]->getSummary() + "|";
        }
        EXPECT_EQ(rows, k.rows);
        EXPECT_EQ(items, k.rows) << "each row shows its item";
    }
}

// A todo without summary shows its description: on one line, without
// leading blanks, cut after 25 characters; an enciphered one unread.
TEST(Lists, RowOfATodoWithoutSummaryShowsItsDescription) {
    struct Case {
        const char* summary;
        const char* description;
        const char* shown;
    } cases[] = {
        {"", "  First line\nand a long second line that goes on", "First line and a long sec..."},
        {"", "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrstuvwxy..."},
        {"", "abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvwx"},
        {"", " \t\n  \n\t", ""},
        {"", "tab\there", "tab here"},
        {"", "", ""},
        {"Summary", "not shown", "Summary"},
    };
    for (const Case& k : cases) {
        ToDoListToDo t(0, "/0/");
        t.setSummary(k.summary);
        t.setDescription(k.description);
        T_viewDataItem row;
        setViewData(t, row, nullptr);
        EXPECT_EQ(row.text, k.shown) << '"' << k.description << '"';
    }
    ToDoListToDo t(0, "/0/");
    t.setSummary("");
    t.getDescrData().SetStoredForm(std::vector<unsigned char>(16, 7),
                                   DescrData::DESCR_ENCIPHERED | DescrData::DESCR_SAVECRYPT);
    CryptMan crypt; // no password entered
    T_viewDataItem row;
    setViewData(t, row, &crypt);
    EXPECT_EQ(row.text, "<encrypted>");
}
