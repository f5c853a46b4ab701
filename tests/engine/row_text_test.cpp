// Row texts: shared between copies, kept intact while other texts of the same
// size are dropped and made again, for every length up to and beyond the
// largest pooled one.

#include "engine/row_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(RowText, TextsOfEveryLengthSurviveTheDroppingOfOthers) {
    // A text of the given length that differs from texts of other seeds.
    auto sample = [](std::size_t length, int seed) {
        std::string s(length, ' ');
        for (std::size_t i = 0; i < length; ++i)
            s[i] = char('a' + (i * 7 + std::size_t(seed)) % 26);
        return s;
    };
    std::vector<RowText> kept, dropped;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t n = 0; n <= 601; ++n) {
            kept.emplace_back(sample(n > 600 ? 100000 : n, round));
            dropped.emplace_back(sample(n > 600 ? 100000 : n, round + 100));
        }
        dropped.clear(); // their blocks go back to be taken by the next round
    }
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const std::size_t n = k % 602 > 600 ? 100000 : k % 602;
        ASSERT_EQ(kept[k], sample(n, int(k / 602))) << "length " << n;
        ASSERT_EQ(kept[k].c_str()[n], '\0');
    }
}

TEST(RowText, CopiesShareAndAssignmentReplaces) {
    RowText a("Dentist");
    RowText b = a;
    EXPECT_EQ(a.c_str(), b.c_str()) << "a copy shares the text";
    b = "Haircut"; // may take the block that a text of that size left
    EXPECT_EQ(a, "Dentist");
    a = b;
    b.clear();
    const RowText& same = a;
    a = same;
    EXPECT_EQ(a, "Haircut") << "assigned, and assigned to itself";
    EXPECT_STREQ(b.c_str(), "");
    RowText c(std::move(a));
    EXPECT_EQ(c, "Haircut");
    EXPECT_TRUE(a.empty());
}
