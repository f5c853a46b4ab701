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
// keys, items filed twice and unfiling of items in no list are common; then
// many items and steps between looks, so that recent entries and unfiled
// places pile up beside the sorted array; and a list deferred for a while, as
// while a file is read.
TEST(CalendarLists, RandomFilingAndUnfilingMatchesTheWalk) {
    std::mt19937 rng(4711);
    SCOPED_TRACE("seed 4711");
    struct Round {
        std::size_t items;
        int steps, lookEvery, deferredUntil;
        uint32_t firstNumber = 0; // near the end: the numbers run out on the way
    };
    const Round rounds[] = {{8, 150, 1, 0},          {8, 150, 1, 0},
                            {8, 150, 1, 30},         {8, 150, 1, 60, UINT32_MAX - 10},
                            {8, 150, 1, 0},          {8, 150, 1, 0},
                            {3000, 9000, 700, 2000}, {3000, 9000, 700, 0, UINT32_MAX - 4000}};
    for (std::size_t round = 0; round < std::size(rounds); ++round) {
        const Round& r = rounds[round];
        std::vector<ToDoListToDo> items(r.items, ToDoListToDo(0, "/0/"));
        std::vector<packedDT> keys;
        for (unsigned k = 0, n = 1 + rng() % (r.items > 8 ? 400 : 6); k < n; ++k)
            keys.push_back(packDate(1 + int(rng() % 3), 5, 2000 + int(rng() % 128)) |
                           (rng() % 2 ? DT_NOTIME : packTime(int(rng() % 25), 0)) |
                           (rng() % 8 ? 0 : DT_NODATE));
        T_DatedCalList dated(r.firstNumber);
        T_RecCalList rec;
        Entries refDated;
        std::vector<ToDoListToDo*> refRec;
        // With many items, the first hundred have their one entry in another
        // list, which this list must neither see nor touch.
        T_DatedCalList other;
        const std::size_t elsewhere = r.items > 8 ? 100 : 0;
        for (std::size_t i = 0; i < elsewhere; ++i)
            other.file(&items[i], keys[0]);
        dated.defer(r.deferredUntil > 0);
        for (int step = 0; step < r.steps; ++step) {
            SCOPED_TRACE(testing::Message() << "round " << round << " step " << step);
            if (step == r.deferredUntil) dated.defer(false);
            ToDoListToDo* item = &items[elsewhere + rng() % (items.size() - elsewhere)];
            auto ofItem = [&](auto& e) { return e.first == item; };
            // With many items, mostly one entry each, now and then a second.
            const bool many = r.items > 8;
            if (many ? std::none_of(refDated.begin(), refDated.end(), ofItem) || rng() % 10 == 0
                     : rng() % 5 < 3) {
                const packedDT key = keys[rng() % keys.size()];
                dated.file(item, key);
                auto notLess = [&](auto& e) { return e.second >= key; };
                refDated.insert(std::find_if(refDated.begin(), refDated.end(), notLess),
                                {item, key});
                if (!many) rec.file(item), refRec.push_back(item);
            } else {
                dated.unfile(item), rec.unfile(item);
                auto d = std::find_if(refDated.begin(), refDated.end(), ofItem);
                if (d != refDated.end()) refDated.erase(d);
                auto r = std::find(refRec.begin(), refRec.end(), item);
                if (r != refRec.end()) refRec.erase(r);
            }
            // Emptied in one step, the lists take new entries as before.
            if (step == 100) dated.clear(), rec.clear(), refDated.clear(), refRec.clear();
            ASSERT_EQ(dated.size(), refDated.size());
            ASSERT_EQ(dated.contains(item), std::any_of(refDated.begin(), refDated.end(), ofItem));
            if (elsewhere) {
                ToDoListToDo* there = &items[rng() % elsewhere];
                ASSERT_FALSE(dated.contains(there));
                dated.unfile(there);
                ASSERT_TRUE(other.contains(there));
            }
            if (step % r.lookEvery != 0) continue;
            ASSERT_EQ(entries(dated), refDated);
            ASSERT_EQ(entries(dated.inOrder()), refDated) << "the array the calendar walks";
            ASSERT_EQ(std::vector<ToDoListToDo*>(rec.begin(), rec.end()), refRec);
            ASSERT_EQ(rec.contains(item), std::count(refRec.begin(), refRec.end(), item) > 0);
        }
        EXPECT_EQ(other.size(), elsewhere);
    }
}
