#include "model/item_text.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace std::string_literals;

// Every way a summary is made, copied and assigned keeps its exact bytes,
// whether the text lies in the item (up to 15 bytes) or in a block of its own;
// a copy never depends on the original.
TEST(ItemText, KeepsItsBytesThroughEveryOperation) {
    const std::string texts[] = {""s,
                                 "a"s,
                                 "exactly fifteen"s,
                                 "sixteen bytes!!!"s,
                                 "with\0a zero byte inside it"s,
                                 "Grüße an die Ämter, ein längerer Text mit Umlauten"s,
                                 std::string(70000, 'x')};
    for (const std::string& s : texts) {
        SCOPED_TRACE(s.substr(0, 20) + " (" + std::to_string(s.size()) + " bytes)");
        auto original = std::make_unique<ItemText>(s);
        EXPECT_EQ(original->view(), s);
        EXPECT_EQ(original->empty(), s.empty());
        ItemText copy(*original), assigned("before"), longer(std::string(40, 'y'));
        assigned = *original;
        longer = *original;
        EXPECT_TRUE(copy == *original && assigned == *original && longer == *original);
        original.reset();
        EXPECT_EQ(copy.view(), s) << "the copy owns its text";
        EXPECT_EQ(assigned.view(), s);
        EXPECT_EQ(longer.view(), s);
        copy = copy.view(); // assigned from its own characters
        EXPECT_EQ(copy.view(), s);
    }
}
