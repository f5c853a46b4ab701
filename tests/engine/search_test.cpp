#include "engine/velk.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

using namespace viewtest;

namespace {

using Texts = std::vector<std::string>;

// A stand-in cipher for descriptions: bytes XOR 0x5a; "logged in" is a switch.
struct FakeCipher {
    static inline bool loggedIn = false;
    static bool isLoggedIn(DescriptionCipher* crypt) { return crypt && loggedIn; }
    static bool transform(DescriptionCipher*, const std::vector<unsigned char>& in, bool,
                          std::vector<unsigned char>& out) {
        out = in;
        for (auto& b : out)
            b ^= 0x5a;
        return true;
    }
};
const T_DescrCipher fakeCipher = {FakeCipher::isLoggedIn, FakeCipher::transform,
                                  FakeCipher::transform};

// root { "Home" { "Garden" { "Shed" { "Deep" } } }, "Work" }, each with todos.
struct Search : testing::Test {
    void SetUp() override {
        setVelkNowForTesting(SATURDAY_5_MARCH_2011);
        v.createRoot();
        home = group(v.getRoot(), "Home");
        garden = group(home, "Garden");
        shed = group(garden, "Shed");
        deep = group(shed, "Deep");
        work = group(v.getRoot(), "Work");
        entry(v, home, "Buy milk", 3);
        entry(v, home, "call Mum", 2);
        entry(v, garden, "MILK the cow", 4);
        entry(v, deep, "milky way", 5);
        entry(v, work, "milk at work", 1);
        v.setOptsSort(SORT_PRIORITY);
        v.setOptCompletedLast(false);
    }
    void TearDown() override {
        setDescrCipherForTesting(nullptr);
        setVelkNowForTesting(-1);
    }
    ToDoListGroup* group(ToDoListGroup* parent, const char* name) {
        ToDoListGroup* g = parent->newGroup();
        g->setSummary(name);
        return g;
    }
    Texts found(const std::string& text) {
        EXPECT_EQ(v.search(text), 0);
        rebuild(v);
        return texts(v);
    }

    Velk v;
    ToDoListGroup *home, *garden, *shed, *deep, *work;
};

} // namespace

TEST_F(Search, FindsSummariesInAnyCaseBelowTheCurrentGroupOnly) {
    v.setGroup(home);
    EXPECT_EQ(found("Milk"), (Texts{"Buy milk", "MILK the cow", "milky way"}))
        << "the sibling group Work is not searched; Deep, three levels down, is";
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_SEARCH);
    ASSERT_NE(v.getSearchGroup(), nullptr);
    EXPECT_EQ(v.getCurGroup(), v.getSearchGroup());
    EXPECT_EQ(v.getSearchGroup()->getSummary(), "search results");
    EXPECT_EQ(v.getRoot()->getGroup(v.getRoot()->getNrGroups() - 1), v.getSearchGroup());
}

TEST_F(Search, RowsOfTheSearchAreInHitOrderBeforeTheRebuild) {
    v.setGroup(home);
    ASSERT_EQ(v.search("milk"), 0);
    EXPECT_EQ(texts(v), (Texts{"Buy milk", "MILK the cow", "milky way"}));
    ASSERT_EQ(v.getViewItems().size(), 3u);
    EXPECT_EQ(v.getViewData()[0].text, "milky way") << "rows are made from the last hit";
}

TEST_F(Search, OnlyTheLettersAToZFoldTheirCase) {
    entry(v, work, "Caf\xc3\xa9 order", 3); // é
    entry(v, work, "CAF\xc3\x89 ORDER", 3); // É
    v.setGroup(work);
    EXPECT_EQ(found("caf\xc3\xa9"), (Texts{"Caf\xc3\xa9 order"}));
}

TEST_F(Search, FindsDescriptionsUpToTheirFirstZeroByte) {
    ToDoListToDo* t = entry(v, work, "plain", 3);
    t->setDescription("Bring the Ladder\nand rope");
    ToDoListToDo* z = entry(v, work, "zero", 3);
    const char bytes[] = "before\0ladder after";
    z->getDescrData().SetStoredForm(std::vector<unsigned char>(bytes, bytes + sizeof bytes), 0);
    v.setGroup(work);
    EXPECT_EQ(found("LADDER"), (Texts{"plain"}));
}

TEST_F(Search, EncipheredDescriptionIsFoundOnlyWhilePasswordIsEntered) {
    setDescrCipherForTesting(&fakeCipher);
    ToDoListToDo* t = entry(v, work, "secret", 3);
    std::vector<unsigned char> cipher;
    const std::string text = "the safe code";
    FakeCipher::transform(nullptr, std::vector<unsigned char>(text.begin(), text.end() + 1), true,
                          cipher);
    t->getDescrData().SetStoredForm(cipher, DescrData::DESCR_ENCIPHERED | DescrData::DESCR_CBC |
                                                DescrData::DESCR_SAVECRYPT);
    v.setGroup(work);
    FakeCipher::loggedIn = false;
    EXPECT_EQ(found("SAFE"), Texts{});
    v.leaveCurGroup();
    FakeCipher::loggedIn = true;
    EXPECT_EQ(found("SAFE"), (Texts{"secret"}));
    FakeCipher::loggedIn = false;
}

TEST_F(Search, SecondSearchNarrowsAndLeavingReturnsToTheStart) {
    v.setGroup(home);
    v.setOptsSort(SORT_DATE); // all undated: then by priority
    EXPECT_EQ(found("m"), (Texts{"call Mum", "Buy milk", "MILK the cow", "milky way"}));
    EXPECT_EQ(found("MU"), (Texts{"call Mum"}));
    EXPECT_EQ(found("zzz"), Texts{});
    EXPECT_EQ(v.getSavedGroup(), home);
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroup(), home);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/");
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_EQ(v.getSearchGroup(), nullptr);
    EXPECT_EQ(v.getRoot()->getNrGroups(), 2u) << "the results group is gone";
}

TEST_F(Search, NarrowingKeepsTheHitOrder) {
    ASSERT_EQ(v.search("i"), 0); // from the root: every todo but "call Mum"
    std::vector<ToDoListItem*> before = v.getViewItems();
    ASSERT_EQ(v.search("milk"), 0);
    EXPECT_EQ(v.getViewItems(), before) << "every hit still matches, in the same rows";
}

TEST_F(Search, RefusedInTheCalendarAndOnlyActiveViews) {
    v.setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v.search("milk"), -1);
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_CALENDAR);
    EXPECT_EQ(v.getSearchGroup(), nullptr);
    EXPECT_EQ(v.getRoot()->getNrGroups(), 2u);
    v.contentView().options().mainviewtype = MAINVIEW_ACTIVE;
    EXPECT_EQ(v.search("milk"), -1);
}

// The user selects several rows of the results and deletes them, from the last
// selected line to the first, as the list does; then the list is rebuilt.
TEST_F(Search, DeletedHitsLeaveTheListAndPositionsKeepTheirRows) {
    v.setOptsSort(SORT_PRIORITY);
    EXPECT_EQ(found("milk"), (Texts{"milk at work", "Buy milk", "MILK the cow", "milky way"}));
    for (unsigned pos : {3u, 1u}) {
        ToDoListItem* item = v.getViewItems()[v.getViewOrder()[pos]];
        ASSERT_NE(item, nullptr);
        ToDoListGroup* parent = v.GetParentOfItem(item);
        v.forgetViewItem(item);
        ASSERT_EQ(parent->delToDo(static_cast<ToDoListToDo*>(item), v.itemTree().activeJobs(),
                                  v.calendar()),
                  0);
    }
    EXPECT_EQ(v.getViewItems()[v.getViewOrder()[0]]->getSummary(), "milk at work")
        << "positions above the deleted rows still name the same entries";
    EXPECT_EQ(v.getViewItems()[v.getViewOrder()[2]]->getSummary(), "MILK the cow");
    EXPECT_EQ(v.getViewItems()[v.getViewOrder()[1]], nullptr);
    rebuild(v);
    EXPECT_EQ(texts(v), (Texts{"milk at work", "MILK the cow"}));
    EXPECT_EQ(v.getViewItems().size(), 2u);
    EXPECT_EQ(found("cow"), (Texts{"MILK the cow"}));
}

TEST(ForgetViewItem, DeletedGroupTakesItsSubtreeRowsAlongAndPositionsStay) {
    Velk v;
    v.createRoot();
    ToDoListGroup* g = v.getRoot()->newGroup();
    ToDoListGroup* inner = g->newGroup();
    entry(v, inner, "deep", 3);
    entry(v, g, "in g", 3);
    entry(v, v.getRoot(), "outside", 3);
    v.setOptViewtype(VIEWTYPE_FLAT);
    rebuild(v);
    const std::size_t n = v.getViewItems().size();
    ASSERT_EQ(n, 5u);
    v.forgetViewItem(g);
    ASSERT_EQ(v.getViewItems().size(), n);
    ASSERT_EQ(v.getViewData().size(), n);
    std::vector<std::string> left;
    for (unsigned row : v.getViewOrder())
        if (v.getViewItems()[row]) left.push_back(v.getViewItems()[row]->getSummary());
    EXPECT_EQ(left, (Texts{"outside"}));
}
