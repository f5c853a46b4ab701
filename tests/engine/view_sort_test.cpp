// The sort of every list must give exactly the order of a plain bubble sort
// over the row numbers, with the display order written out here from the
// list's rules (not the engine's own comparators).

#include "engine/velk.h"
#include "support/dates.h"

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
    for (std::size_t i = 0; i < ta.size() && i < tb.size(); ++i)
        if (ta[i] != tb[i]) return (unsigned char)ta[i] > (unsigned char)tb[i];
    return ta.size() > tb.size();
}

// True when row a is shown after row b in the calendar: by day; on one day
// by priority, the day header first and a special day right after it; then
// by date and time.
bool calendarAfter(const T_viewDataItem& a, const T_viewDataItem& b) {
    if (a.day != b.day) return a.day > b.day;
    if (a.prio == b.prio) return a.primaryDate > b.primaryDate;
    if (a.prio > b.prio || b.prio == PRIO_DAYHEADER) return true;
    return a.prio != PRIO_DAYHEADER && b.prio == PRIO_SPECIALDAY;
}

// Sorts the rows with sortContent and compares with passes over the row
// numbers that swap neighbours when the earlier row must come after the
// later one, until a pass swaps nothing.
void expectBubbleSortOrder(Velk& v, int round) {
    const std::vector<T_viewDataItem>& rows = v.getViewData();
    const bool calendar = v.getMainViewType() == MAINVIEW_CALENDAR;
    std::vector<unsigned> order = v.getViewOrder();
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t i = 1; i < order.size(); ++i) {
            const T_viewDataItem &earlier = rows[order[i - 1]], &later = rows[order[i]];
            if (calendar ? calendarAfter(earlier, later)
                         : listedAfter(earlier, later, v.getOptions()))
                std::swap(order[i - 1], order[i]), swapped = true;
        }
    }
    v.sortContent();
    ASSERT_EQ(v.getViewOrder(), order) << "round " << round;
    // Again, from a display order that is not the row order.
    v.sortContent();
    ASSERT_EQ(v.getViewOrder(), order) << "round " << round << ", sorted again";
}

} // namespace

// Random rows of every list, with few values of each key so that equal keys,
// equal texts and prefixes are common; dates include the empty value, texts a
// byte above 127. Calendar rows are made as the calendar makes them: headers
// and special days on a day key with the time 00:00, entries and blank lines
// on date-only keys, overdue todos and their blank line on the key just before
// today's header. Every 40th round is a few long days of entries whose dates
// come in rising, falling and flat runs of every length, as the calendar
// brings them from its several lists.
TEST(ViewSort, OrderEqualsTheBubbleSortOfTheRules) {
    const unsigned seed = 7;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const packedDT dates[] = {
        DT_EMPTY,         on(2011, 3, 1),        at(2011, 3, 1, 9, 30), at(2011, 3, 2, 0, 0),
        on(2127, 12, 31), at(2000, 1, 1, 23, 59)};
    auto someDate = [&] { return dates[rng() % 6]; };
    for (int round = 0; round < 300; ++round) {
        Velk v;
        const bool calendar = round % 2, longDays = round % 40 == 39;
        v.setMainViewType(calendar ? MAINVIEW_CALENDAR : MAINVIEW_NORMAL);
        v.setOptsSort(round % 4 > 1 ? SORT_DATE : SORT_PRIORITY),
            v.setOptCompletedLast(round % 8 > 3);
        packedDT date = 0;
        int step = 0;
        for (unsigned i = 0, n = longDays ? 400 + rng() % 1200 : rng() % 150, left = 0; i < n;
             ++i) {
            T_viewDataItem row;
            const uint32_t prios[] = {0, 1, 2, 3, 4, 5, 6, PRIO_APPOINTMENT, PRIO_NOTE};
            row.kind = !calendar && rng() % 3 == 0; // a group
            row.prio = row.kind ? rng() % 7 : round % 80 == 39 ? 3 : prios[rng() % 9];
            std::string text = longDays ? std::to_string(i) : ""; // tells long days' rows apart
            for (unsigned k = longDays ? 0 : rng() % 4; k > 0; --k)
                text.push_back("abA \xe9"[rng() % 5]);
            row.text = text;
            if (left-- == 0) {
                left = round % 3 ? rng() % 300 : rng() % 6;
                step = int(rng() % 3) - 1;
                date = packDate(1, 1, 2011) + (rng() % 40) * 0x8000u;
            }
            row.primaryDate = row.kind ? DT_EMPTY : round % 3 == 0 ? someDate() : date;
            if (rng() % 4) date += step * 0x8000;
            row.secondaryDate = someDate();
            row.completed = rng() % 3 == 0;
            if (calendar) {
                const packedDT day = packDate(5 + int(rng() % 4), 3, 2011);
                const unsigned kind = longDays ? 5 : rng() % 6;
                row.day = longDays || rng() % 4 ? dtDateOnly(day) : packDate(5, 3, 2011) - 1;
                const uint32_t markers[] = {PRIO_DAYHEADER, PRIO_SPECIALDAY, PRIO_SEPARATOR};
                if (kind < 3) row.prio = markers[kind];
                if (kind < 2) row.day = row.primaryDate = day;
            }
            v.contentView().addRow(row, nullptr);
        }
        expectBubbleSortOrder(v, round);
    }
}
