// The list sort must give exactly the order of a plain bubble sort over the
// row numbers, with the display order written out here from the list's rules
// (not the engine's own comparators).

#include "engine/velk.h"
#include "view_test_util.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace viewtest;

namespace {

// True when row a is shown after row b in a normal, only-active or search
// list: completed rows last when so chosen; then by date and priority (or
// priority and date), each as an unsigned number; then by text, byte by byte
// as unsigned characters, a text after every text that is a prefix of it.
bool listedAfter(const T_viewDataItem& a, const T_viewDataItem& b, const T_Options& o) {
    if (o.completedLast && a.completed != b.completed) return a.completed;
    const bool byDate = o.sorttype == SORT_DATE;
    const uint32_t keysA[2] = {byDate ? a.primaryDate : a.prio, byDate ? a.prio : a.primaryDate};
    const uint32_t keysB[2] = {byDate ? b.primaryDate : b.prio, byDate ? b.prio : b.primaryDate};
    for (int k = 0; k < 2; ++k)
        if (keysA[k] != keysB[k]) return keysA[k] > keysB[k];
    const std::string ta = a.text, tb = b.text;
    for (std::size_t i = 0; i < std::min(ta.size(), tb.size()); ++i)
        if (ta[i] != tb[i])
            return static_cast<unsigned char>(ta[i]) > static_cast<unsigned char>(tb[i]);
    return ta.size() > tb.size();
}

// True when row a is shown after row b in the calendar: by day; on one day
// by priority, the day header first and a special day right after it; then
// by date and time.
bool calendarAfter(const T_viewDataItem& a, const T_viewDataItem& b) {
    if (a.day != b.day) return a.day > b.day;
    if (a.prio != b.prio) {
        if (a.prio > b.prio) return true;
        if (b.prio == PRIO_DAYHEADER) return true;
        if (a.prio == PRIO_DAYHEADER) return false;
        return b.prio == PRIO_SPECIALDAY;
    }
    return a.primaryDate > b.primaryDate;
}

// Passes over positions 1 .. n-1, swapping neighbours when the earlier row
// must come after the later one, until a pass swaps nothing.
std::vector<unsigned> bubbleSorted(const Velk& v, bool calendar) {
    const std::vector<T_viewDataItem>& rows = v.getViewData();
    std::vector<unsigned> order(rows.size());
    for (unsigned i = 0; i < order.size(); ++i)
        order[i] = i;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (std::size_t i = 1; i < order.size(); ++i) {
            const T_viewDataItem &earlier = rows[order[i - 1]], &later = rows[order[i]];
            bool after = calendar ? calendarAfter(earlier, later)
                                  : listedAfter(earlier, later, v.getOptions());
            if (after) {
                std::swap(order[i - 1], order[i]);
                swapped = true;
            }
        }
    }
    return order;
}

void push(Velk& v, const T_viewDataItem& row) {
    v.contentView().addRow(row, nullptr);
}

// A few dates, so that equal keys are common, and the empty value.
packedDT randomDate(std::mt19937& rng) {
    static const packedDT dates[] = {
        DT_EMPTY,
        packDate(1, 3, 2011) | DT_NOTIME,
        packDate(1, 3, 2011) | packTime(9, 30),
        packDate(2, 3, 2011) | packTime(0, 0),
        packDate(31, 12, 2127) | DT_NOTIME,
        packDate(1, 1, 2000) | packTime(23, 59),
    };
    return dates[rng() % (sizeof dates / sizeof *dates)];
}

// Short texts over a tiny alphabet (with a byte above 127), so that equal
// texts and prefixes occur.
std::string randomText(std::mt19937& rng) {
    static const char alphabet[] = {'a', 'b', 'A', ' ', '\xe9'};
    std::string s;
    for (unsigned n = rng() % 4; n > 0; --n)
        s.push_back(alphabet[rng() % sizeof alphabet]);
    return s;
}

uint32_t randomItemPrio(std::mt19937& rng) {
    static const uint32_t prios[] = {0, 1, 2, 3, 4, 5, 6, PRIO_APPOINTMENT, PRIO_NOTE};
    return prios[rng() % (sizeof prios / sizeof *prios)];
}

} // namespace

TEST(ViewSort, NormalListOrderEqualsBubbleSortForEveryOption) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Velk v;
        v.setOptsSort(round % 2 ? SORT_DATE : SORT_PRIORITY);
        v.setOptCompletedLast((round / 2) % 2 != 0);
        const unsigned n = rng() % 120;
        for (unsigned i = 0; i < n; ++i) {
            T_viewDataItem row;
            const unsigned kind = rng() % 3; // group, todo, appointment or note
            row.kind = kind == 0 ? 1 : 0;
            row.prio = kind == 0 ? rng() % 7 : randomItemPrio(rng);
            row.primaryDate = kind == 0 ? DT_EMPTY : randomDate(rng);
            row.secondaryDate = randomDate(rng);
            row.completed = rng() % 3 == 0;
            row.text = randomText(rng);
            push(v, row);
        }
        const auto expected = bubbleSorted(v, false);
        v.sortContent();
        ASSERT_EQ(v.getViewOrder(), expected) << "round " << round;
    }
}

// Rows as the calendar makes them: headers and special days on a day key with
// the time 00:00, entries and blank lines on date-only keys, overdue todos and
// their blank line on the key just before today's header.
TEST(ViewSort, CalendarRowOrderEqualsBubbleSort) {
    std::mt19937 rng(11);
    const packedDT today = packDate(5, 3, 2011);
    for (int round = 0; round < 200; ++round) {
        Velk v;
        v.setMainViewType(MAINVIEW_CALENDAR);
        const unsigned n = rng() % 150;
        for (unsigned i = 0; i < n; ++i) {
            T_viewDataItem row;
            packedDT day = today;
            moveDate(day, int(rng() % 4));
            row.text = randomText(rng);
            switch (rng() % 6) {
            case 0:
                row.prio = PRIO_DAYHEADER;
                row.day = row.primaryDate = day;
                break;
            case 1:
                row.prio = PRIO_SPECIALDAY;
                row.day = row.primaryDate = day;
                break;
            case 2:
                row.prio = PRIO_SEPARATOR;
                row.day = row.primaryDate = rng() % 4 ? dtDateOnly(day) : today - 1;
                break;
            default:
                row.prio = randomItemPrio(rng);
                row.day = rng() % 5 ? dtDateOnly(day) : today - 1;
                // Some rounds bring the entries in ascending or descending
                // runs of dates, as the calendar does, with equal dates.
                if (round % 3 == 0)
                    row.primaryDate = randomDate(rng);
                else
                    row.primaryDate = packDate(1, 1, 2011) + (round % 3 == 1 ? i / 3 : n - i / 3);
                row.completed = rng() % 2 != 0;
                row.startsHere = rng() % 2 != 0;
                break;
            }
            push(v, row);
        }
        const auto expected = bubbleSorted(v, true);
        v.sortContent();
        ASSERT_EQ(v.getViewOrder(), expected) << "round " << round;
    }
}

// Large days of one kind whose dates come in runs of every length, rising,
// falling and flat, as the calendar brings them from its several lists: the
// runs are merged in many different patterns.
TEST(ViewSort, LongMixedRunsOfOneDayEqualBubbleSort) {
    std::mt19937 rng(5);
    const packedDT day = packDate(5, 3, 2011) | DT_NOTIME;
    for (int round = 0; round < 6; ++round) {
        Velk v;
        v.setMainViewType(MAINVIEW_CALENDAR);
        const unsigned n = 400 + rng() % 1200;
        packedDT date = packDate(1, 1, 2011);
        int step = 0;
        for (unsigned i = 0, left = 0; i < n; ++i, --left) {
            if (left == 0) {
                left = round % 2 ? 1 + rng() % 300 : 1 + rng() % 6;
                step = int(rng() % 3) - 1;
                date = packDate(1, 1, 2011) + (rng() % 40) * 0x8000u;
            }
            T_viewDataItem row;
            row.day = day;
            row.prio = round < 4 ? 3 : randomItemPrio(rng);
            row.primaryDate = date;
            row.text = std::to_string(i); // tells rows of equal dates apart on failure
            if (rng() % 4) date += step * 0x8000;
            push(v, row);
        }
        const auto expected = bubbleSorted(v, true);
        v.sortContent();
        ASSERT_EQ(v.getViewOrder(), expected) << "round " << round;
    }
}

// A whole calendar built from random entries, sorted both ways.
TEST(ViewSort, BuiltCalendarOrderEqualsBubbleSort) {
    setVelkNowForTesting(SATURDAY_5_MARCH_2011);
    std::mt19937 rng(3);
    Velk v;
    v.createRoot();
    for (int i = 0; i < 60; ++i) {
        const uint32_t prio = randomItemPrio(rng);
        const int d = 1 + int(rng() % 12);
        const When begin = rng() % 3 ? on(2011, 3, d, int(rng() % 24)) : When{};
        const When end = on(2011, 3, d + int(rng() % 3), rng() % 2 ? int(rng() % 24) : -1);
        ToDoListToDo* t = entry(v, v.getRoot(), randomText(rng), prio, begin, end);
        if (rng() % 6 == 0) {
            T_recData rec;
            rec.type = REC_DAILY;
            rec.interval = 1 + int(rng() % 3);
            t->setRecData(rec, v.calendar());
        }
    }
    v.setMainViewType(MAINVIEW_CALENDAR);
    v.calendar().date = packDate(5, 3, 2011) | DT_NOTIME;
    v.calendar().days = 7;
    v.getContent();
    ASSERT_GT(v.getViewData().size(), 60u);
    const auto expected = bubbleSorted(v, true);
    v.sortContent();
    EXPECT_EQ(v.getViewOrder(), expected);
    setVelkNowForTesting(-1);
}
