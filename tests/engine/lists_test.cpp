// The rows of the normal, only-active and search lists.

#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

// A stand-in cipher for descriptions: bytes XOR 0x5a; "logged in" is a switch.
bool loggedIn = false;
bool fakeTransform(DescriptionCipher*, const std::vector<unsigned char>& in, bool,
                   std::vector<unsigned char>& out) {
    out = in;
    for (auto& b : out)
        b ^= 0x5a;
    return true;
}
const T_DescrCipher fakeCipher = {[](DescriptionCipher* c) { return c && loggedIn; }, fakeTransform,
                                  fakeTransform};

void encipher(ToDoListToDo* t, const std::string& text) {
    std::vector<unsigned char> stored;
    fakeTransform(nullptr, {text.begin(), text.end() + 1}, true, stored);
    t->getDescrData().SetStoredForm(stored, DescrData::DESCR_ENCIPHERED | DescrData::DESCR_CBC |
                                                DescrData::DESCR_SAVECRYPT);
}

// The rows in display order as they stand, each followed by "|".
std::string rows(const Velk& v) {
    std::string s;
    for (unsigned i : v.getViewOrder())
        s += v.getViewData()[i].text.str() + "|";
    return s;
}

// root { Home { "Buy milk" "call Mum" Garden { "MILK the cow" Shed { "milky way" } } }
//        Work { "milk at work" "Café order" "CAFÉ ORDER" "plain" "zero" "secret" }
//        Notes { five todos without summary } }
struct Lists : testing::Test {
    void SetUp() override { setDescrCipherForTesting(&fakeCipher); }
    void TearDown() override { setDescrCipherForTesting(nullptr), loggedIn = false; }
    struct Tree {
        Tree() {
            v.createRoot();
            (home = v.getRoot()->newGroup())->setSummary("Home");
            (work = v.getRoot()->newGroup())->setSummary("Work");
            (notes = v.getRoot()->newGroup())->setSummary("Notes");
            (garden = home->newGroup())->setSummary("Garden");
            (shed = garden->newGroup())->setSummary("Shed");
            entry(v, home, "Buy milk", 3);
            mum = entry(v, home, "call Mum", 2);
            entry(v, garden, "MILK the cow", 4);
            way = entry(v, shed, "milky way", 5);
            atWork = entry(v, work, "milk at work", 1);
            entry(v, work, "Caf\xc3\xa9 order", 3);
            entry(v, work, "CAF\xc3\x89 ORDER", 3);
            entry(v, work, "plain", 3)->setDescription("Bring the Ladder\nand rope");
            const std::string zero("before\0ladder after", 20);
            entry(v, work, "zero", 3)->getDescrData().SetStoredForm({zero.begin(), zero.end()}, 0);
            encipher(entry(v, work, "secret", 3), "the safe code");
            for (const char* text : {"  First line\nand\ta long second line", " \t\n",
                                     "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrstuvwx"})
                entry(v, notes, "", 3)->setDescription(text);
            encipher(entry(v, notes, "", 3), "hidden");
        }
        PinnedClock clock;
        Velk v;
        ToDoListGroup *home, *work, *notes, *garden, *shed;
        ToDoListToDo *mum, *way, *atWork;
    };
};

} // namespace

TEST_F(Lists, TreeFlatAndOnlyActiveRowsInTheOrderOfTheWalk) {
    // clang-format off
    struct Case { const char* rule; void (*setup)(Tree&); t_viewtype type; bool showCompleted;
                  const char* rows; };
    const Case cases[] = {
        {"tree view: the group's own children", [](Tree& t) { t.v.setGroup(t.home); },
         VIEWTYPE_TREE, true, "Garden|Buy milk|call Mum|"},
        {"flat view: the whole subtree, group by group", [](Tree& t) { t.v.setGroup(t.home); },
         VIEWTYPE_FLAT, true, "Garden|Buy milk|call Mum|Shed|MILK the cow|milky way|"},
        {"completed todos hidden, open groups shown", [](Tree& t) {
             t.v.setGroup(t.home), t.mum->setCompleted(t.v.calendar()), t.v.checkCompleted(); },
         VIEWTYPE_FLAT, false, "Garden|Buy milk|Shed|MILK the cow|milky way|"},
        {"a completed group shown when completed items are", [](Tree& t) {
             t.v.setGroup(t.garden), t.way->setCompleted(t.v.calendar()), t.v.checkCompleted(); },
         VIEWTYPE_FLAT, true, "Shed|MILK the cow|milky way|"},
        {"a hidden completed group is still walked in the flat view", [](Tree& t) {
             t.v.setGroup(t.garden), t.way->setCompleted(t.v.calendar()), t.v.checkCompleted();
             t.way->clearCompleted(); },
         VIEWTYPE_FLAT, false, "MILK the cow|milky way|"},
        {"only active: running todos of the whole tree, no groups", [](Tree& t) {
             t.mum->setRunning(true), t.atWork->setRunning(true), t.v.itemTree().activeJobs() = 2;
             t.v.setGroup(t.shed), t.v.setMainViewType(MAINVIEW_ACTIVE); },
         VIEWTYPE_TREE, true, "call Mum|milk at work|"},
        {"no summary: the description on one line without leading blanks, cut after 25 "
         "characters; an enciphered one unread", [](Tree& t) { t.v.setGroup(t.notes); },
         VIEWTYPE_TREE, true, "First line and a long sec...||abcdefghijklmnopqrstuvwxy...|"
         "abcdefghijklmnopqrstuvwx|<encrypted>|"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Tree t;
        k.setup(t), t.v.setOptViewtype(k.type), t.v.setOptShowCompleted(k.showCompleted);
        t.v.clearViewData(), t.v.getContent();
        EXPECT_EQ(rows(t.v), k.rows);
    }
}

TEST_F(Lists, SearchFindsEntriesBelowTheCurrentGroupInHitOrder) {
    Tree t;
    // clang-format off
    struct Case { const char* rule; ToDoListGroup* from; const char* text; bool loggedIn; int view;
                  const char* hits; };
    const Case cases[] = {
        {"summaries in any case, the whole subtree of the group only", t.home, "Milk", false, 0,
         "Buy milk|MILK the cow|milky way|"},
        {"a group's own entries first, then each child group depth first", t.v.getRoot(), "milk",
         false, 0, "Buy milk|MILK the cow|milky way|milk at work|"},
        {"only A to Z fold their case", t.work, "caf\xc3\xa9", false, 0, "Caf\xc3\xa9 order|"},
        {"descriptions up to their first zero byte", t.work, "LADDER", false, 0, "plain|"},
        {"an enciphered description is not read without a password", t.work, "SAFE", false, 0, ""},
        {"an enciphered description is read while logged in", t.work, "SAFE", true, 0, "secret|"},
        {"refused outside the normal list", t.home, "milk", false, MAINVIEW_CALENDAR, ""},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        loggedIn = k.loggedIn, t.v.setGroup(k.from), t.v.contentView().clearRows();
        t.v.contentView().options().mainviewtype = k.view;
        const int result = k.view == MAINVIEW_NORMAL ? 0 : -1;
        ASSERT_EQ(t.v.search(k.text), result);
        EXPECT_EQ(rows(t.v), k.hits);
        EXPECT_EQ(t.v.getMainViewType(), result == 0 ? MAINVIEW_SEARCH : k.view);
        EXPECT_EQ(t.v.getRoot()->getNrGroups(), unsigned(4 + result)) << "the results group";
        t.v.leaveCurGroup();
    }
}

// Searching again searches the hits, keeping their order; a deleted hit
// leaves the list when it is rebuilt; leaving returns to the group the search
// started from, and the results group goes.
TEST_F(Lists, SearchNarrowingWalk) {
    Tree t;
    Velk& v = t.v;
    v.setGroup(t.home), v.setOptsSort(SORT_DATE); // all undated: then by priority
    ASSERT_EQ(v.search("m"), 0);
    EXPECT_EQ(shownRows(v), "call Mum|Buy milk|MILK the cow|milky way|") << "sorted";
    ASSERT_EQ(v.search("MILK"), 0);
    EXPECT_EQ(rows(v), "Buy milk|MILK the cow|milky way|");
    ASSERT_EQ(v.DeleteItem(1u), 0);
    EXPECT_EQ(shownRows(v), "Buy milk|milky way|");
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroupPath() + " view " + std::to_string(v.getMainViewType()), "/0/0/ view 0");
    EXPECT_EQ(v.getRoot()->getNrGroups(), 3u) << "the results group is gone";
}
