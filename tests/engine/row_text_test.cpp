// Row texts: shared between copies, kept intact while other texts of the same
// size are dropped and made again, for every length up to and beyond the
// largest pooled one.

#include "engine/row_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(RowText, TextsOfEveryLengthSurviveTheDroppingOfOthersAndCopiesShare) {
    // Texts of lengths 0 to 600 and 100000 that differ from those of other seeds.
    auto sample = [](std::size_t k, int seed) {
        std::string s(k % 602 > 600 ? 100000 : k % 602, ' ');
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = char('a' + (i * 7 + std::size_t(seed)) % 26);
        return s;
    };
    std::vector<RowText> kept, dropped;
    for (std::size_t k = 0; k < 3 * 602; ++k) {
        kept.emplace_back(sample(k, int(k / 602)));
        dropped.emplace_back(sample(k, int(k / 602) + 100));
        if (k % 602 == 601) dropped.clear(); // their blocks are taken by the next round
    }
    for (std::size_t k = 0; k < kept.size(); ++k) {
        ASSERT_EQ(kept[k], sample(k, int(k / 602))) << "length " << kept[k].size();
        ASSERT_EQ(kept[k].c_str()[kept[k].size()], '\0');
    }
    RowText a("Dentist"), b = a;
    EXPECT_EQ(a.c_str(), b.c_str()) << "a copy shares the text";
    b = "Haircut"; // may take the block that a text of that size left
    EXPECT_EQ(a, "Dentist");
    a = b, b.clear();
    const RowText& same = a;
    a = same;
    EXPECT_EQ(a, "Haircut") << "assigned, and assigned to itself";
    EXPECT_STREQ(b.c_str(), "");
    RowText c(std::move(a));
    EXPECT_EQ(c, "Haircut");
    EXPECT_TRUE(a.empty());
}
