#include "model/calendar.h"
#include "model/todo_item.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

// The calendar lists as plain sequences, filed and unfiled by walking them
// from the front: the reference for the indexed lists.
struct ReferenceDated {
    std::vector<std::pair<ToDoListToDo*, packedDT>> entries;
    void file(ToDoListToDo* item, packedDT key) {
        auto it = entries.begin();
        while (it != entries.end() && it->second < key)
            ++it;
        entries.insert(it, {item, key});
    }
    void unfile(ToDoListToDo* item) {
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->first == item) {
                entries.erase(it);
                return;
            }
    }
};

struct ReferenceRec {
    std::vector<ToDoListToDo*> items;
    void file(ToDoListToDo* item) { items.push_back(item); }
    void unfile(ToDoListToDo* item) {
        for (auto it = items.begin(); it != items.end(); ++it)
            if (*it == item) {
                items.erase(it);
                return;
            }
    }
};

std::vector<std::pair<ToDoListToDo*, packedDT>> contents(const T_DatedCalList& list) {
    std::vector<std::pair<ToDoListToDo*, packedDT>> v;
    for (const auto& e : list)
        v.push_back({e.item, e.key});
    return v;
}

} // namespace

TEST(CalendarLists, RandomFilingAndUnfilingMatchesTheWalk) {
    std::mt19937 rng(4711);
    for (int round = 0; round < 20; ++round) {
        // Few distinct keys, so that equal keys are common; some undated keys.
        const unsigned keyCount = 1 + rng() % 40;
        std::vector<packedDT> keys;
        for (unsigned k = 0; k < keyCount; ++k) {
            packedDT key =
                packDate(1 + int(rng() % 28), 1 + int(rng() % 12), 2000 + int(rng() % 128));
            key |= rng() % 2 ? DT_NOTIME : packTime(int(rng() % 25), int(rng() % 60));
            if (rng() % 10 == 0) key |= DT_NODATE;
            keys.push_back(key);
        }
        std::vector<std::unique_ptr<ToDoListToDo>> items;
        for (int i = 0; i < 60; ++i)
            items.push_back(std::make_unique<ToDoListToDo>(unsigned(i), "/0/"));

        T_DatedCalList dated;
        T_RecCalList rec;
        ReferenceDated refDated;
        ReferenceRec refRec;
        for (int step = 0; step < 3000; ++step) {
            ToDoListToDo* item = items[rng() % items.size()].get();
            // Items are filed more often than unfiled, sometimes twice, and
            // sometimes unfiled when they are in no list.
            if (rng() % 5 < 3) {
                packedDT key = keys[rng() % keys.size()];
                dated.file(item, key);
                refDated.file(item, key);
                rec.file(item);
                refRec.file(item);
            } else {
                dated.unfile(item);
                refDated.unfile(item);
                rec.unfile(item);
                refRec.unfile(item);
            }
            if (step % 1000 == 500) {
                // Emptied in one step, the lists take new entries as before.
                dated.clear();
                rec.clear();
                refDated.entries.clear();
                refRec.items.clear();
            }
            ASSERT_EQ(contents(dated), refDated.entries) << "round " << round << " step " << step;
            // The array copy the calendar walks is made again after every change.
            std::vector<std::pair<ToDoListToDo*, packedDT>> flat;
            for (const T_DatedCalListItem& e : dated.inOrder())
                flat.push_back({e.item, e.key});
            ASSERT_EQ(flat, refDated.entries) << "round " << round << " step " << step;
            ASSERT_EQ(std::vector<ToDoListToDo*>(rec.begin(), rec.end()), refRec.items);
            ASSERT_EQ(dated.contains(item),
                      std::any_of(refDated.entries.begin(), refDated.entries.end(),
                                  [item](const auto& e) { return e.first == item; }));
        }
        // Reverse walks and lower bounds see the same order.
        std::vector<std::pair<ToDoListToDo*, packedDT>> reversed;
        for (auto it = dated.rbegin(); it != dated.rend(); ++it)
            reversed.push_back({it->item, it->key});
        ASSERT_EQ(reversed, decltype(reversed)(refDated.entries.rbegin(), refDated.entries.rend()));
        for (packedDT key : keys) {
            auto want = std::find_if(refDated.entries.begin(), refDated.entries.end(),
                                     [key](const auto& e) { return e.second >= key; });
            auto got = dated.lowerBound(key);
            ASSERT_EQ(std::distance(dated.begin(), got),
                      std::distance(refDated.entries.begin(), want));
        }
        // Unfiling everything empties both.
        for (auto& item : items)
            while (dated.contains(item.get()) || rec.contains(item.get())) {
                dated.unfile(item.get());
                rec.unfile(item.get());
            }
        EXPECT_TRUE(dated.empty());
        EXPECT_TRUE(rec.empty());
        EXPECT_EQ(dated.size(), 0u);
    }
}

TEST(CalendarLists, EntryFilingFollowsTheItemsKind) {
    T_Calendar cal;
    struct Case {
        unsigned prio;
        int type;
        const T_RecCalList* rec;
        const T_DatedCalList* dated;
    } cases[] = {
        {3, REC_NONE, nullptr, &cal.datedToDos},
        {0, REC_DAILY_RESETABLE, nullptr, &cal.datedToDos},
        {6, REC_MONTHLY_BY_DAY, &cal.recToDos, nullptr},
        {100, REC_NONE, nullptr, &cal.datedAppointments},
        {100, REC_YEARLY, &cal.recAppointments, nullptr},
        {200, REC_NONE, nullptr, &cal.datedNotes},
        {200, REC_WEEKLY, &cal.recNotes, nullptr},
    };
    for (const auto& c : cases) {
        ToDoListToDo t(0, "/0/");
        t.setDate(0, 2024, 6, 20, cal);
        t.setTime(0, 18, 0, cal);
        t.setDate(1, 2024, 6, 20, cal);
        t.setTime(1, 8, 0, cal);
        t.removeFromCalLists(cal);
        t.setPriority(c.prio);
        t.setRecData(T_recData{c.type, 1, DT_EMPTY, DT_EMPTY}, cal);
        if (c.rec) {
            EXPECT_TRUE(c.rec->contains(&t)) << c.prio << "/" << c.type;
            EXPECT_EQ(c.rec->size(), 1u);
        } else {
            ASSERT_EQ(c.dated->size(), 1u) << c.prio << "/" << c.type;
            EXPECT_EQ(c.dated->begin()->item, &t);
            // todos by their end, appointments and notes by their begin
            EXPECT_EQ(c.dated->begin()->key, t.getDateTime(c.prio <= 6 ? 0 : 1));
        }
        t.removeFromCalLists(cal);
        EXPECT_TRUE(cal.recToDos.empty() && cal.datedToDos.empty() && cal.recAppointments.empty() &&
                    cal.datedAppointments.empty() && cal.recNotes.empty() &&
                    cal.datedNotes.empty());
    }
}

TEST(CalendarLists, MakingDatedTodoRecurringMovesItToTheEnd) {
    T_Calendar cal;
    ToDoListToDo a(0, "/0/"), b(1, "/0/");
    for (ToDoListToDo* t : {&a, &b}) {
        t->setDate(0, 2024, 6, 20, cal);
        t->setDate(1, 2024, 6, 19, cal);
        t->setRecData(T_recData{REC_WEEKLY, 1, DT_EMPTY, DT_EMPTY}, cal);
    }
    ToDoListToDo c(2, "/0/");
    c.setDate(0, 2024, 6, 1, cal);
    c.setDate(1, 2024, 6, 1, cal);
    c.setRecData(T_recData{REC_MONTHLY_BY_DATE, 1, DT_EMPTY, DT_EMPTY}, cal);
    a.setRecData(T_recData{REC_DAILY, 1, DT_EMPTY, DT_EMPTY}, cal); // refiled: now last
    EXPECT_EQ(std::vector<ToDoListToDo*>(cal.recToDos.begin(), cal.recToDos.end()),
              (std::vector<ToDoListToDo*>{&b, &c, &a}));
    EXPECT_TRUE(cal.datedToDos.empty());
}
