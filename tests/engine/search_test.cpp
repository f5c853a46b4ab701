#include "view_test_util.h"

#include <gtest/gtest.h>

namespace {

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
        home = group(v.getRoot(), "Home");
        ToDoListGroup* garden = group(home, "Garden");
        work = group(v.getRoot(), "Work");
        entry(v, home, "Buy milk", 3);
        entry(v, home, "call Mum", 2);
        entry(v, garden, "MILK the cow", 4);
        entry(v, group(garden, "Shed"), "milky way", 5);
        entry(v, work, "milk at work", 1);
        entry(v, work, "Caf\xc3\xa9 order", 3);
        entry(v, work, "CAF\xc3\x89 ORDER", 3);
        entry(v, work, "plain", 3)->setDescription("Bring the Ladder\nand rope");
        const char bytes[] = "before\0ladder after";
        entry(v, work, "zero", 3)->getDescrData().SetStoredForm({bytes, bytes + sizeof bytes}, 0);
        std::vector<unsigned char> secret;
        const std::string text = "the safe code";
        FakeCipher::transform(nullptr, {text.begin(), text.end() + 1}, true, secret);
        entry(v, work, "secret", 3)->getDescrData().SetStoredForm(
            secret, DescrData::DESCR_ENCIPHERED | DescrData::DESCR_CBC | DescrData::DESCR_SAVECRYPT);
    }
    void TearDown() override { setDescrCipherForTesting(nullptr); }
    ToDoListGroup* group(ToDoListGroup* parent, const char* name) {
        ToDoListGroup* g = parent->newGroup();
        g->setSummary(name);
        return g;
    }
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
        {"summaries in any case, the whole subtree of the group only", home, "Milk", false, 0,
         "Buy milk|MILK the cow|milky way|"},
        {"a group's own entries first, then each child group depth first", v.getRoot(), "milk", false,
         0, "Buy milk|MILK the cow|milky way|milk at work|"},
        {"only the letters A to Z fold their case", work, "caf\xc3\xa9", false, 0,
         "Caf\xc3\xa9 order|"},
        {"an upper-case umlaut finds only itself", work, "\xc3\x89", false, 0,
         "CAF\xc3\x89 ORDER|"},
        {"descriptions up to their first zero byte", work, "LADDER", false, 0, "plain|"},
        {"an enciphered description is not read without a password", work, "SAFE", false, 0,
         ""},
        {"an enciphered description is read while logged in", work, "SAFE", true, 0,
         "secret|"},
        {"no hit", v.getRoot(), "zzz", false, 0, ""},
        {"refused in the calendar", home, "milk", false, MAINVIEW_CALENDAR, ""},
        {"refused in the only-active view", home, "milk", false, MAINVIEW_ACTIVE, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        FakeCipher::loggedIn = k.loggedIn;
        v.setGroup(k.from);
        v.contentView().options().mainviewtype = k.view;
        v.contentView().clearRows();
        const int result = k.view == MAINVIEW_NORMAL ? 0 : -1;
        ASSERT_EQ(v.search(k.text), result);
        EXPECT_EQ(hits(v), k.hits);
        EXPECT_EQ(v.getMainViewType(), result == 0 ? MAINVIEW_SEARCH : k.view);
        EXPECT_EQ(v.getRoot()->getNrGroups(), result == 0 ? 3u : 2u) << "the results group";
        if (result == 0) {
            EXPECT_EQ(v.leaveCurGroup(), 0);
        }
    }
    FakeCipher::loggedIn = false;
}

// Searching again searches the hits, keeping their order; a deleted hit
// leaves the list when it is rebuilt; leaving returns to the group the search
// started from, and the results group goes.
TEST_F(Search, NarrowingWalk) {
    v.setGroup(home);
    v.setOptsSort(SORT_DATE); // all undated: then by priority
    ASSERT_EQ(v.search("m"), 0);
    EXPECT_EQ(hits(v), "Buy milk|call Mum|MILK the cow|milky way|");
    EXPECT_EQ(v.getCurGroup(), v.getSearchGroup());
    EXPECT_EQ(shownRows(v), "call Mum|Buy milk|MILK the cow|milky way|") << "sorted";
    ASSERT_EQ(v.search("MILK"), 0);
    EXPECT_EQ(hits(v), "Buy milk|MILK the cow|milky way|");
    ASSERT_EQ(v.DeleteItem(1u), 0);
    EXPECT_EQ(shownRows(v), "Buy milk|milky way|");
    ASSERT_EQ(v.search("WAY"), 0);
    EXPECT_EQ(hits(v), "milky way|");
    EXPECT_EQ(v.getSavedGroup(), home);
    EXPECT_EQ(v.leaveCurGroup(), 0);
    EXPECT_EQ(v.getCurGroupPath(), "/0/0/");
    EXPECT_EQ(v.getMainViewType(), MAINVIEW_NORMAL);
    EXPECT_EQ(v.getSearchGroup(), nullptr);
    EXPECT_EQ(v.getRoot()->getNrGroups(), 2u);
}
