// The sort of every list must give exactly the order of a plain bubble sort
// over the row numbers, with the display order written out here from the
// list's rules (not the engine's own comparators).

#include "engine/velk.h"
#include "support/dates.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

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
        if (ta[i] != tb[i]) return static_cast<unsigned char>(ta[i]) > static_cast<unsigned char>(tb[i]);
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

// Passes over the row numbers, swapping neighbours when the earlier row must
// come after the later one, until a pass swaps nothing.
std::vector<unsigned> bubbleSorted(const Velk& v, bool calendar) {
    const std::vector<T_viewDataItem>& rows = v.getViewData();
    std::vector<unsigned> order(rows.size());
    for (unsigned i = 0; i < order.size(); ++i)
        order[i] = i;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t i = 1; i < order.size(); ++i) {
            const T_viewDataItem &earlier = rows[order[i - 1]], &later = rows[order[i]];
            if (calendar ? calendarAfter(earlier, later) : listedAfter(earlier, later, v.getOptions())) {
                std::swap(order[i - 1], order[i]);
                swapped = true;
            }
        }
    }
    return order;
}

// Few values of each key, so that equal keys, equal texts and prefixes are
// common; dates include the empty value, texts a byte above 127.
packedDT randomDate(std::mt19937& rng) {
    static const packedDT dates[] = {DT_EMPTY,         on(2011, 3, 1),  at(2011, 3, 1, 9, 30),
                                     at(2011, 3, 2, 0, 0), on(2127, 12, 31), at(2000, 1, 1, 23, 59)};
    return dates[rng() % 6];
}
std::string randomText(std::mt19937& rng) {
    std::string s;
    for (unsigned n = rng() % 4; n > 0; --n)
        s.push_back("abA \xe9"[rng() % 5]);
    return s;
}
uint32_t randomItemPrio(std::mt19937& rng) {
    static const uint32_t prios[] = {0, 1, 2, 3, 4, 5, 6, PRIO_APPOINTMENT, PRIO_NOTE};
    return prios[rng() % 9];
}

} // namespace

TEST(ViewSort, ListOrderEqualsBubbleSortForEverySortOption) {
    const unsigned seed = 7;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 200; ++round) {
        Velk v;
        v.setOptsSort(round % 2 ? SORT_DATE : SORT_PRIORITY);
        v.setOptCompletedLast((round / 2) % 2 != 0);
        for (unsigned i = 0, n = rng() % 120; i < n; ++i) {
            T_viewDataItem row;
            const bool group = rng() % 3 == 0;
            row.kind = group ? 1 : 0;
            row.prio = group ? rng() % 7 : randomItemPrio(rng);
            row.primaryDate = group ? DT_EMPTY : randomDate(rng);
            row.secondaryDate = randomDate(rng);
            row.completed = rng() % 3 == 0;
            row.text = randomText(rng);
            v.contentView().addRow(row, nullptr);
        }
        const auto expected = bubbleSorted(v, false);
        v.sortContent();
        ASSERT_EQ(v.getViewOrder(), expected) << "round " << round;
    }
}

// Rows as the calendar makes them: headers and special days on a day key with
// the time 00:00, entries and blank lines on date-only keys, overdue todos and
// their blank line on the key just before today's header. Some rounds bring
// long days of entries whose dates come in rising, falling and flat runs of
// every length, as the calendar brings them from its several lists.
TEST(ViewSort, CalendarOrderEqualsBubbleSort) {
    const unsigned seed = 11;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 160; ++round) {
        Velk v;
        v.setMainViewType(MAINVIEW_CALENDAR);
        const bool longRuns = round % 8 == 7;
        const unsigned n = longRuns ? 400 + rng() % 1200 : rng() % 150;
        packedDT date = on(2011, 1, 1);
        int step = 0;
        unsigned left = 0;
        for (unsigned i = 0; i < n; ++i) {
            T_viewDataItem row;
            const packedDT day = packDate(5 + int(rng() % 4), 3, 2011);
            row.text = longRuns ? std::to_string(i) : randomText(rng);
            const unsigned kind = longRuns ? 5 : rng() % 6;
            if (kind < 2) {
                row.prio = kind ? PRIO_SPECIALDAY : PRIO_DAYHEADER;
                row.day = row.primaryDate = day;
                v.contentView().addRow(row, nullptr);
                continue;
            }
            const packedDT overdue = packDate(5, 3, 2011) - 1;
            row.day = longRuns ? on(2011, 3, 5) : rng() % 4 ? dtDateOnly(day) : overdue;
            row.prio = kind == 2 ? PRIO_SEPARATOR : round % 16 == 7 ? 3 : randomItemPrio(rng);
            if (left == 0) {
                left = round % 3 ? 1 + rng() % 300 : 1 + rng() % 6;
                step = int(rng() % 3) - 1;
                date = packDate(1, 1, 2011) + (rng() % 40) * 0x8000u;
            }
            --left;
            row.primaryDate = round % 3 == 0 && !longRuns ? randomDate(rng) : date;
            if (rng() % 4) date += step * 0x8000;
            row.completed = rng() % 2 != 0;
            row.startsHere = rng() % 2 != 0;
            v.contentView().addRow(row, nullptr);
        }
        const auto expected = bubbleSorted(v, true);
        v.sortContent();
        ASSERT_EQ(v.getViewOrder(), expected) << "round " << round;
    }
}
