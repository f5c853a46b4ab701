// Sorting the rows of the list shown.
//
// The rows are put into the order that a bubble sort over viewOrder with the
// list's comparator would give: neighbours are swapped only when the earlier
// row must come after the later one, so rows that compare equal keep their
// order. Both comparators are strict weak orders on the rows the lists build,
// so any stable sort by them yields that same order, in O(n log n) instead of
// O(n^2).

#include "engine/content_view.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// More (day, priority) pairs than a calendar of any span makes: beyond this
// the general sort is used.
constexpr std::size_t MAX_CAL_GROUPS = 4096;

bool isDayMarker(uint32_t prio) {
    return prio == PRIO_DAYHEADER || prio == PRIO_SPECIALDAY;
}

using KeyedRow = std::pair<packedDT, unsigned>;

// The rows of a group lie apart in the rows: the sort asks for the row this
// many members ahead while it takes the key of the current one.
constexpr std::size_t PREFETCH_KEYS = 16;

// Sorts [first, last) by key, keeping the order of equal keys. The natural
// runs are found (ascending ones, and descending ones, which are turned round
// with equal keys kept in order) and merged as in a natural merge sort whose
// pending runs grow at least like the Fibonacci numbers: short runs are merged
// among themselves before they meet a long one, so a long run is moved only a
// few times. Rows arrive mostly in long runs, so this is close to linear for
// the calendar.
class RunSorter {
  public:
    void sort(KeyedRow* first, KeyedRow* last) {
        pending.clear();
        for (KeyedRow* i = first; i != last;) {
            KeyedRow* j = i + 1;
            if (j != last && j->first < i->first) {
                while (j != last && j->first <= (j - 1)->first)
                    ++j;
                std::reverse(i, j);
                for (KeyedRow* run = i; run != j;) {
                    KeyedRow* runEnd = run + 1;
                    while (runEnd != j && runEnd->first == run->first)
                        ++runEnd;
                    std::reverse(run, runEnd);
                    run = runEnd;
                }
            } else {
                while (j != last && j->first >= (j - 1)->first)
                    ++j;
            }
            pending.push_back({i, j});
            collapse();
            i = j;
        }
        while (pending.size() > 1)
            mergeAt(pending.size() - 2);
    }

  private:
    struct Run {
        KeyedRow* begin;
        KeyedRow* end;
        std::size_t size() const { return std::size_t(end - begin); }
    };

    // Merges pending runs until, from the newest back, each is shorter than
    // the one before it and shorter than the two before it together.
    void collapse() {
        while (pending.size() > 1) {
            std::size_t n = pending.size() - 2;
            if ((n > 0 && pending[n - 1].size() <= pending[n].size() + pending[n + 1].size()) ||
                (n > 1 && pending[n - 2].size() <= pending[n - 1].size() + pending[n].size())) {
                if (pending[n - 1].size() < pending[n + 1].size()) --n;
            } else if (pending[n].size() > pending[n + 1].size()) {
                break;
            }
            mergeAt(n);
        }
    }

    // Merges the pending runs n and n + 1, which lie next to each other; of
    // equal keys those of run n come first.
    void mergeAt(std::size_t n) {
        Run& a = pending[n];
        const Run& b = pending[n + 1];
        // The rows of a with keys up to b's first key are in place already.
        KeyedRow* out =
            std::upper_bound(a.begin, a.end, *b.begin, [](const KeyedRow& x, const KeyedRow& y) {
                return x.first < y.first;
            });
        buffer.assign(out, a.end);
        const KeyedRow* x = buffer.data();
        const KeyedRow* xEnd = x + buffer.size();
        const KeyedRow* y = b.begin;
        while (x != xEnd && y != b.end)
            *out++ = y->first < x->first ? *y++ : *x++;
        std::copy(x, xEnd, out);
        a.end = b.end;
        pending.erase(pending.begin() + std::ptrdiff_t(n) + 1);
    }

    std::vector<Run> pending;
    std::vector<KeyedRow> buffer;
};

// The (day, priority) groups of the calendar rows, numbered in the order they
// first occur, found through a small open-addressing table.
class CalendarGroups {
  public:
    // The number of the group, or -1 when there are more than MAX_CAL_GROUPS.
    long numberOf(uint64_t group) {
        std::size_t slot = hash(group);
        for (;;) {
            Slot& s = slots[slot];
            if (s.number < 0) {
                if (keys.size() >= MAX_CAL_GROUPS) return -1;
                s.key = group;
                s.number = long(keys.size());
                keys.push_back(group);
                return s.number;
            }
            if (s.key == group) return s.number;
            slot = (slot + 1) & (SLOTS - 1);
        }
    }
    const std::vector<uint64_t>& groups() const { return keys; }

  private:
    static constexpr std::size_t SLOTS = 2 * MAX_CAL_GROUPS;
    struct Slot {
        uint64_t key = 0;
        long number = -1;
    };
    static std::size_t hash(uint64_t g) {
        return std::size_t((g * 0x9e3779b97f4a7c15ull) >> 40) & (SLOTS - 1);
    }
    std::vector<Slot> slots = std::vector<Slot>(SLOTS);
    std::vector<uint64_t> keys;
};

// Sorts the calendar rows by day, priority and primary date, keeping the order
// of equal rows. Within one day cmpViewDataCal orders by ascending priority as
// long as the day holds no entry row (priority below 300) beside a header or
// special-day row; the calendar never makes such a day (headers use day keys
// with the time 00:00, entries date-only keys). Returns false, leaving order
// as it was, when that does not hold or the rows fall into too many groups.
//
// The rows are distributed over their (day, priority) groups by a counting
// sort; each group is then ordered by primary date.
bool sortCalendarRows(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order) {
    static_assert(MAX_CAL_GROUPS <= 0xffff, "a group number fits 16 bits");
    const std::size_t n = order.size();
    CalendarGroups table;
    // Working arrays, kept from one sort to the next as the rows themselves
    // are: made anew, their memory came fresh from the system on every
    // rebuild, a page fault every 4 KB. They hold 2 bytes a row (the group of
    // each row), the rows distributed over their groups when the display
    // order does not hold them in row order, and one group's rows with their
    // sort keys at a time: with every row's key kept beside its group (20
    // bytes a row) the sort alone took 48 MB at the start into a 7-day
    // calendar of 1,000,000 entries (2.4 million rows), 5 MB this way.
    static std::vector<uint16_t> number;
    static std::vector<unsigned> byGroup;
    static std::vector<KeyedRow> group;
    number.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        const T_viewDataItem& row = rows[order[j]];
        const long g = table.numberOf((uint64_t(row.day) << 32) | row.prio);
        if (g < 0) return false;
        number[j] = uint16_t(g);
    }
    const std::vector<uint64_t>& groups = table.groups();

    // Rank of each group in (day, priority) order.
    std::vector<uint32_t> byKey(groups.size());
    for (uint32_t g = 0; g < byKey.size(); ++g)
        byKey[g] = g;
    std::sort(byKey.begin(), byKey.end(),
              [&groups](uint32_t x, uint32_t y) { return groups[x] < groups[y]; });
    std::vector<uint32_t> rank(groups.size());
    for (uint32_t r = 0; r < byKey.size(); ++r)
        rank[byKey[r]] = r;

    // Priorities ascend within a day only without entries beside markers.
    for (std::size_t i = 0; i < byKey.size();) {
        const uint64_t day = groups[byKey[i]] >> 32;
        bool marker = false, entry = false;
        for (; i < byKey.size() && (groups[byKey[i]] >> 32) == day; ++i) {
            const uint32_t prio = uint32_t(groups[byKey[i]]);
            marker = marker || isDayMarker(prio);
            entry = entry || prio < PRIO_DAYHEADER;
        }
        if (marker && entry) return false;
    }

    std::vector<std::size_t> start(groups.size() + 1, 0);
    for (std::size_t j = 0; j < n; ++j)
        ++start[rank[number[j]] + 1];
    for (std::size_t b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];
    // Rows numbered in row order, as every build leaves them, are distributed
    // straight into the display order: the row numbers need no copy (10 MB
    // for the 2.4 million rows above).
    bool numbered = true;
    for (std::size_t j = 0; j < n && numbered; ++j)
        numbered = order[j] == j;
    if (!numbered) byGroup.resize(n);
    unsigned* const distributed = numbered ? order.data() : byGroup.data();
    {
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::size_t j = 0; j < n; ++j)
            distributed[next[rank[number[j]]]++] = numbered ? unsigned(j) : order[j];
    }

    // Each group by primary date; its rows keep their order among equal keys.
    RunSorter sorter;
    for (std::size_t b = 0; b + 1 < start.size(); ++b) {
        const unsigned* members = distributed + start[b];
        const std::size_t size = start[b + 1] - start[b];
        group.resize(size);
        for (std::size_t k = 0; k < size; ++k) {
            if (k + PREFETCH_KEYS < size) __builtin_prefetch(&rows[members[k + PREFETCH_KEYS]]);
            group[k] = {rows[members[k]].primaryDate, members[k]};
        }
        sorter.sort(group.data(), group.data() + size);
        for (std::size_t k = 0; k < size; ++k)
            order[start[b] + k] = group[k].second;
    }
    return true;
}

} // namespace

void ContentView::sortContent() {
    if (opts.mainviewtype == MAINVIEW_CALENDAR) {
        if (!sortCalendarRows(viewData, viewOrder))
            std::stable_sort(viewOrder.begin(), viewOrder.end(),
                             [this](unsigned x, unsigned y) { return cmpViewDataCal(y, x); });
        return;
    }
    std::stable_sort(viewOrder.begin(), viewOrder.end(),
                     [this](unsigned x, unsigned y) { return cmpViewData(y, x); });
}
