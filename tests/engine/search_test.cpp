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

// The rows in display order as the search left them, each followed by "|".
std::string hits(const Velk& v) {
    std::string s;
    for (unsigned i : v.getViewOrder())
        s += v.getViewData()[i].text.str() + "|";
    return s;
}

// root { Home { "Buy milk" "call Mum" Garden { "MILK the cow" Shed { "milky way" } } }
//        Work { "milk at work" "Café order" "CAFÉ ORDER" "plain" "zero" "secret" } }
struct Search : testing::Test {
    void SetUp() override {
        setDescrCipherForTesting(&fakeCipher);
        v.createRoot();
        (home = v.getRoot()->newGroup())->setSummary("Home");
        (work = v.getRoot()->newGroup())->setSummary("Work");
        ToDoListGroup* garden = home->newGroup();
        for (auto [g, summary, prio] : {std::tuple{home, "Buy milk", 3},
                                        {home, "call Mum", 2},
                                        {garden, "MILK the cow", 4},
                                        {garden->newGroup(), "milky way", 5},
                                        {work, "milk at work", 1},
                                        {work, "Caf\xc3\xa9 order", 3},
                                        {work, "CAF\xc3\x89 ORDER", 3}})
            entry(v, g, summary, unsigned(prio));
        entry(v, work, "plain", 3)->setDescription("Bring the Ladder\nand rope");
        const std::string zero("before\0ladder after", 20), secret = "the safe code";
        entry(v, work, "zero", 3)->getDescrData().SetStoredForm({zero.begin(), zero.end()}, 0);
        std::vector<unsigned char> enciphered;
        fakeTransform(nullptr, {secret.begin(), secret.end() + 1}, true, enciphered);
        entry(v, work, "secret", 3)
            ->getDescrData()
            .SetStoredForm(enciphered, DescrData::DESCR_ENCIPHERED | DescrData::DESCR_CBC |
                                           DescrData::DESCR_SAVECRYPT);
    }
    void TearDown() override { setDescrCipherForTesting(nullptr); }
    PinnedClock clock;
    Velk v;
    ToDoListGroup *home, *work;
};

} // namespace

TEST_F(Search, FindsEntriesBelowTheCurrentGroupInHitOrder) {
    struct Case {
        const char* rule;
        ToDoListGroup* from;
        const char* text;
        bool loggedIn;
        int view;
        const char* hits;
    } cases[] = {
        // clang-format off
        {"summaries in any case, the whole subtree of the group only", home, "Milk", false, 0,
         "Buy milk|MILK the cow|milky way|"},
        {"a group's own entries first, then each child group depth first", v.getRoot(), "milk",
         false, 0, "Buy milk|MILK the cow|milky way|milk at work|"},
        {"only the letters A to Z fold their case", work, "caf\xc3\xa9", false, 0, "Caf\xc3\xa9 order|"},
        {"an upper-case umlaut finds only itself", work, "\xc3\x89", false, 0, "CAF\xc3\x89 ORDER|"},
        {"descriptions up to their first zero byte", work, "LADDER", false, 0, "plain|"},
        {"an enciphered description is not read without a password", work, "SAFE", false, 0, ""},
        {"an enciphered description is read while logged in", work, "SAFE", true, 0, "secret|"},
        {"refused in the calendar", home, "milk", false, MAINVIEW_CALENDAR, ""},
        {"refused in the only-active view", home, "milk", false, MAINVIEW_ACTIVE, ""},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        loggedIn = k.loggedIn;
        v.setGroup(k.from);
        v.contentView().options().mainviewtype = k.view;
        v.contentView().clearRows();
        const int result = k.view == MAINVIEW_NORMAL ? 0 : -1;
        ASSERT_EQ(v.search(k.text), result);
        EXPECT_EQ(hits(v), k.hits);
        EXPECT_EQ(v.getMainViewType(), result == 0 ? MAINVIEW_SEARCH : k.view);
        EXPECT_EQ(v.getRoot()->getNrGroups(), unsigned(3 + result)) << "the results group";
        v.leaveCurGroup();
    }
    loggedIn = false;
}

// Searching again searches the hits, keeping their order; a deleted hit
// leaves the list when it is rebuilt; leaving returns to the group the search
// started from, and the results group goes.
TEST_F(Search, NarrowingWalk) {
    v.setGroup(home);
    v.setOptsSort(SORT_DATE); // all undated: then by priority
    ASSERT_EQ(v.search("m"), 0);
    EXPECT_EQ(hits(v), "Buy milk|call Mum|MILK the cow|milky way|");
    EXPECT_EQ(shownRows(v), "call Mum|Buy milk|MILK the cow|milky way|") << "sorted";
    ASSERT_EQ(v.search("MILK"), 0);
    EXPECT_EQ(hits(v), "Buy milk|MILK the cow|milky way|");
    ASSERT_EQ(v.DeleteItem(1u), 0);
    EXPECT_EQ(shownRows(v), "Buy milk|milky way|");
    ASSERT_EQ(v.search("WAY"), 0);
    EXPECT_EQ(hits(v), "milky way|");
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/");
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_EQ(v.getRoot()->getNrGroups(), 2u) << "the results group is gone";
}
