#include "engine/item_views.h"
#include "engine/velk.h"
#include "view_test_util.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace viewtest;

namespace {

// root: group "A" { group "B" { todo "b1" (completed), todo "b2" }, todo "a1" },
//       todo "r1", appointment "r2".
struct Lists : testing::Test {
    void SetUp() override {
        setVelkNowForTesting(SATURDAY_5_MARCH_2011);
        v.createRoot();
        a = v.getRoot()->newGroup();
        a->setSummary("A");
        b = a->newGroup();
        b->setSummary("B");
        b1 = entry(v, b, "b1", 3, {}, on(2011, 3, 1));
        b1->setCompleted(v.calendar());
        b2 = entry(v, b, "b2", 3);
        a1 = entry(v, a, "a1", 2);
        r1 = entry(v, v.getRoot(), "r1", 1);
        r2 = entry(v, v.getRoot(), "r2", PRIO_APPOINTMENT, on(2011, 3, 7, 9));
        v.checkCompleted();
    }
    void TearDown() override { setVelkNowForTesting(-1); }

    // Texts of the rows in row order, which is the walk's order.
    std::vector<std::string> rowTexts() {
        std::vector<std::string> r;
        for (auto& row : v.getViewData())
            r.push_back(row.text);
        return r;
    }

    Velk v;
    ToDoListGroup *a, *b;
    ToDoListToDo *b1, *b2, *a1, *r1, *r2;
};

using Texts = std::vector<std::string>;

} // namespace

TEST_F(Lists, TreeViewListsTheGroupsOwnChildrenOnly) {
    v.setOptViewtype(VIEWTYPE_TREE);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"A", "r1", "r2"}));
    EXPECT_EQ(v.getViewItems(), (std::vector<ToDoListItem*>{a, r1, r2}));
    EXPECT_EQ(v.getViewData()[0].kind, 1);
    EXPECT_EQ(v.getViewData()[0].primaryDate, DT_EMPTY);
    EXPECT_EQ(v.getViewData()[1].kind, 0);

    v.setGroup(a);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"B", "a1"}));
}

TEST_F(Lists, FlatViewListsTheWholeSubtreeGroupByGroup) {
    v.setOptViewtype(VIEWTYPE_FLAT);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"A", "r1", "r2", "B", "a1", "b1", "b2"}));
    v.setGroup(a);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"B", "a1", "b1", "b2"}));
    ASSERT_EQ(v.getViewOrder().size(), v.getViewData().size());
    ASSERT_EQ(v.getViewItems().size(), v.getViewData().size());
}

TEST_F(Lists, HiddenCompletedGroupIsStillWalkedInTheFlatView) {
    b2->setCompleted(v.calendar());
    v.checkCompleted();
    ASSERT_TRUE(b->isCompleted());
    v.setOptViewtype(VIEWTYPE_FLAT);
    v.setOptShowCompleted(false);
    b2->clearCompleted(); // uncompleted again, but the flag is as checkCompleted left it
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"A", "r1", "r2", "a1", "b2"}));
    v.setOptShowCompleted(true);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"A", "r1", "r2", "B", "a1", "b1", "b2"}));
    EXPECT_TRUE(v.getViewData()[3].completed);
}

TEST_F(Lists, OnlyActiveListHoldsRunningEntriesOfTheWholeTreeAndNoGroups) {
    b2->setRunning(true);
    r1->setRunning(true);
    v.itemTree().activeJobs() = 2;
    v.setGroup(b);
    v.setOptViewtype(VIEWTYPE_FLAT);
    ASSERT_EQ(v.setMainViewType(MAINVIEW_ACTIVE), 0);
    rebuild(v);
    EXPECT_EQ(rowTexts(), (Texts{"r1", "b2"}));
    for (auto& row : v.getViewData())
        EXPECT_EQ(row.kind, 0);
}

TEST_F(Lists, RowsOfAppointmentsCarryTheirBeginFirst) {
    v.setOptViewtype(VIEWTYPE_TREE);
    T_viewDataItem todoRow;
    setViewData(*b1, todoRow, &v.getCrypt());
    EXPECT_EQ(todoRow.primaryDate, packDate(1, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(todoRow.secondaryDate, DT_EMPTY);
    EXPECT_TRUE(todoRow.completed);
    T_viewDataItem appointmentRow;
    setViewData(*r2, appointmentRow, &v.getCrypt());
    EXPECT_EQ(appointmentRow.primaryDate, packDate(7, 3, 2011) | packTime(9, 0));
    EXPECT_EQ(appointmentRow.prio, PRIO_APPOINTMENT);
}

TEST(TodoRow, EmptySummaryShowsTheDescriptionsFirstCharacters) {
    struct Case {
        const char* description;
        const char* shown;
    } cases[] = {
        {"  First line\nand a long second line that goes on", "First line and a long sec..."},
        {"abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrstuvwxy..."}, // 25 characters
        {"abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvwx"},      // 24 characters
        {" \t\n  \n\t", ""},
        {"tab\there", "tab here"},
        {"", ""},
    };
    for (const auto& c : cases) {
        ToDoListToDo t(0, "/0/");
        t.setSummary("");
        t.setDescription(c.description);
        T_viewDataItem row;
        setViewData(t, row, nullptr);
        EXPECT_EQ(row.text, c.shown) << '"' << c.description << '"';
    }
    ToDoListToDo t(0, "/0/");
    t.setSummary("Summary");
    t.setDescription("ignored");
    T_viewDataItem row;
    setViewData(t, row, nullptr);
    EXPECT_EQ(row.text, "Summary");
}

TEST(TodoRow, EncipheredDescriptionWithoutPasswordShowsEncrypted) {
    ToDoListToDo t(0, "/0/");
    t.setSummary("");
    t.getDescrData().SetStoredForm({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                                   DescrData::DESCR_ENCIPHERED | DescrData::DESCR_SAVECRYPT);
    CryptMan crypt; // no password entered
    T_viewDataItem row;
    setViewData(t, row, &crypt);
    EXPECT_EQ(row.text, "<encrypted>");
}

namespace {

// Rows built directly, to test the comparators' rules one by one.
struct Sorting : testing::Test {
    void SetUp() override { v.createRoot(); }
    void add(const char* text, uint32_t prio, packedDT date, bool completed = false,
             uint8_t kind = 0) {
        T_viewDataItem row;
        row.text = text;
        row.prio = prio;
        row.primaryDate = date;
        row.completed = completed;
        row.kind = kind;
        v.contentView().addRow(row, nullptr);
    }
    Velk v;
};

const packedDT MARCH_1 = packDate(1, 3, 2011) | DT_NOTIME;
const packedDT MARCH_2 = packDate(2, 3, 2011) | DT_NOTIME;

} // namespace

TEST_F(Sorting, CompletedRowsComeLastOnlyWhenAsked) {
    add("done", 1, MARCH_1, true);
    add("open", 5, MARCH_2);
    v.setOptsSort(SORT_PRIORITY);
    v.setOptCompletedLast(true);
    v.sortContent();
    EXPECT_EQ(texts(v), (Texts{"open", "done"}));
    v.setOptCompletedLast(false);
    v.sortContent();
    EXPECT_EQ(texts(v), (Texts{"done", "open"}));
}

TEST_F(Sorting, ByDateGroupsAndUndatedTodosFollowDatedOnes) {
    add("group", 0, DT_EMPTY, false, 1);
    add("undated", 1, DT_EMPTY);
    add("late", 6, MARCH_2);
    add("early", 6, MARCH_1);
    add("early urgent", 1, MARCH_1);
    v.setOptsSort(SORT_DATE);
    v.sortContent();
    EXPECT_EQ(texts(v), (Texts{"early urgent", "early", "late", "group", "undated"}));
    v.setOptsSort(SORT_PRIORITY);
    v.sortContent();
    EXPECT_EQ(texts(v), (Texts{"group", "early urgent", "undated", "early", "late"}));
}

TEST_F(Sorting, TextBreaksTiesBytewiseAndPrefixesComeFirst) {
    add("b", 3, MARCH_1);
    add("ab", 3, MARCH_1);
    add("\xc3\xa9", 3, MARCH_1); // bytes above 127 sort after the letters
    add("a", 3, MARCH_1);
    add("B", 3, MARCH_1);
    add("a", 3, MARCH_1);
    v.sortContent();
    EXPECT_EQ(texts(v), (Texts{"B", "a", "a", "ab", "b", "\xc3\xa9"}));
    EXPECT_EQ(v.getViewOrder()[1], 3u) << "equal rows keep their order";
    EXPECT_EQ(v.getViewOrder()[2], 5u);
}
