// Sorting the rows of the list shown.
//
// The rows are put into the order that a bubble sort over viewOrder with the
// list's comparator would give: neighbours are swapped only when the earlier
// row must come after the later one, so rows that compare equal keep their
// order. Both comparators are strict weak orders on the rows the lists build,
// so a stable sort yields that same order in O(n log n) instead of O(n^2).

#include "engine/velk.h"

#include <algorithm>

void Velk::sortContent() {
    if (opts.mainviewtype == MAINVIEW_CALENDAR)
        std::stable_sort(viewOrder.begin(), viewOrder.end(),
                         [this](unsigned x, unsigned y) { return cmpViewDataCal(y, x); });
    else
        std::stable_sort(viewOrder.begin(), viewOrder.end(),
                         [this](unsigned x, unsigned y) { return cmpViewData(y, x); });
}
