// Row texts: shared between copies, kept intact while other texts of the same
// size are dropped and made again, for every length up to and beyond the
// largest pooled one.

#include "engine/row_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A text of the given length that differs from texts of other seeds.
std::string sample(std::size_t length, int seed) {
    std::string s(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        s[i] = char('a' + (i * 7 + std::size_t(seed)) % 26);
    return s;
}

} // namespace

TEST(RowText, TextsOfEveryLengthSurviveTheDroppingOfOthers) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 600; ++n)
        lengths.push_back(n);
    lengths.push_back(100000);
    std::vector<RowText> kept, dropped;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t n : lengths) {
            kept.emplace_back(sample(n, round));
            dropped.emplace_back(sample(n, round + 100));
        }
        dropped.clear(); // their blocks go back to be taken by the next round
    }
    std::size_t k = 0;
    for (int round = 0; round < 3; ++round)
        for (std::size_t n : lengths) {
            const RowText& t = kept[k++];
            ASSERT_EQ(t, sample(n, round)) << "length " << n << ", round " << round;
            ASSERT_EQ(t.c_str()[n], '\0');
        }
}

TEST(RowText, CopiesShareAndAssignmentReplaces) {
    RowText a("Dentist");
    RowText b = a;
    EXPECT_EQ(a.c_str(), b.c_str()) << "a copy shares the text";
    b = "Haircut"; // may take the block a text of that size left
    EXPECT_EQ(a, "Dentist");
    EXPECT_EQ(b, "Haircut");
    a = b;
    b.clear();
    EXPECT_EQ(a, "Haircut");
    EXPECT_STREQ(b.c_str(), "");
    const RowText& same = a;
    a = same;
    EXPECT_EQ(a, "Haircut") << "assigned to itself";
    RowText c(std::move(a));
    EXPECT_EQ(c, "Haircut");
    EXPECT_TRUE(a.empty());
}

TEST(RowText, ComparesAsStandardStringsDo) {
    const std::string texts[] = {"", "a", "ab", "b", "B", std::string("a\0b", 3), "\xe9", "\x7f"};
    for (const std::string& x : texts)
        for (const std::string& y : texts) {
            const int expected = x.compare(y), got = RowText(x).compare(RowText(y));
            EXPECT_EQ((got > 0) - (got < 0), (expected > 0) - (expected < 0)) << '"' << x << "\" \"" << y << '"';
        }
}
