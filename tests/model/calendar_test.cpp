#include "model/calendar.h"
#include "model/todo_item.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using Entries = std::vector<std::pair<ToDoListToDo*, packedDT>>;

Entries entries(const auto& list) {
    Entries r;
    for (const T_DatedCalListItem& e : list)
        r.push_back({e.item, e.key});
    return r;
}

// Random filing and unfiling against the lists as plain sequences walked from
// the front: a dated entry goes before the first entry whose key is not less
// (so equal keys newest first), a recurring one at the end; unfiling takes the
// first entry of the item from the front. Few items and keys, so that equal
// keys, items filed twice and unfiling of items in no list are common.
TEST(CalendarLists, RandomFilingAndUnfilingMatchesTheWalk) {
    std::mt19937 rng(4711);
    SCOPED_TRACE("seed 4711");
    std::vector<ToDoListToDo> items(8, ToDoListToDo(0, "/0/"));
    for (int round = 0; round < 6; ++round) {
        std::vector<packedDT> keys;
        for (unsigned k = 0, n = 1 + rng() % 6; k < n; ++k)
            keys.push_back(packDate(1 + int(rng() % 3), 5, 2000 + int(rng() % 128)) |
                           (rng() % 2 ? DT_NOTIME : packTime(int(rng() % 25), 0)) |
                           (rng() % 8 ? 0 : DT_NODATE));
        T_DatedCalList dated;
        T_RecCalList rec;
        Entries refDated;
        std::vector<ToDoListToDo*> refRec;
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(testing::Message() << "round " << round << " step " << step);
            ToDoListToDo* item = &items[rng() % items.size()];
            auto ofItem = [&](auto& e) { return e.first == item; };
            if (rng() % 5 < 3) {
                const packedDT key = keys[rng() % keys.size()];
                dated.file(item, key);
                auto notLess = [&](auto& e) { return e.second >= key; };
                refDated.insert(std::find_if(refDated.begin(), refDated.end(), notLess),
                                {item, key});
                rec.file(item), refRec.push_back(item);
            } else {
                dated.unfile(item), rec.unfile(item);
                auto d = std::find_if(refDated.begin(), refDated.end(), ofItem);
                if (d != refDated.end()) refDated.erase(d);
                auto r = std::find(refRec.begin(), refRec.end(), item);
                if (r != refRec.end()) refRec.erase(r);
            }
            // Emptied in one step, the lists take new entries as before.
            if (step == 100) dated.clear(), rec.clear(), refDated.clear(), refRec.clear();
            ASSERT_EQ(entries(dated), refDated);
            ASSERT_EQ(entries(dated.inOrder()), refDated) << "the array the calendar walks";
            ASSERT_EQ(std::vector<ToDoListToDo*>(rec.begin(), rec.end()), refRec);
            ASSERT_EQ(dated.contains(item), std::any_of(refDated.begin(), refDated.end(), ofItem));
            ASSERT_EQ(rec.contains(item), std::count(refRec.begin(), refRec.end(), item) > 0);
        }
    }
}
