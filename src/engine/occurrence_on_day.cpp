#include "engine/occurrence_on_day.h"

#include <algorithm>
#include <vector>

namespace {

// The first and the last day (date-only) on which the occurrence begin..end
// has rows; a missing begin or end leaves it on the day of the other date.
packedDT firstDay(packedDT begin, packedDT end) {
    return dtDateOnly(dtHasDate(begin) ? begin : end);
}
bool covers(packedDT begin, packedDT end, packedDT day) {
    return firstDay(begin, end) <= day && day <= dtDateOnly(dtHasDate(end) ? end : begin);
}

} // namespace

packedDT occurrenceAnchorOn(const ToDoListToDo& t, packedDT day) {
    day = dtDateOnly(day);
    const bool todo = t.isToDo();

    // The rule's occurrences up to the first that begins after day; the
    // anchors passed are the days on which an added date is no second one.
    const bool hasAdded = !t.extras().added.empty();
    std::vector<packedDT> ruleDays;
    packedDT b = t.getDateTime(WHICH_BEGIN), e = t.getDateTime(WHICH_END);
    for (;;) {
        const packedDT anchor = dtDateOnly(todo ? e : b);
        if (firstDay(b, e) > day) break;
        if (hasAdded) ruleDays.push_back(anchor);
        if (!t.isSkipped(anchor) && covers(b, e, day)) return anchor;
        // A rule counted from today does not move on from one step to the
        // next: the walk ends where the anchor stops moving forward.
        if (t.setFollowingRecurrenceDate(b, e) != 1 || dtDateOnly(todo ? e : b) <= anchor) break;
    }

    for (const packedDT d : t.extras().added) {
        if (t.isSkipped(d) || std::binary_search(ruleDays.begin(), ruleDays.end(), dtDateOnly(d)))
            continue;
        t.addedOccurrence(d, b, e);
        if (covers(b, e, day)) return dtDateOnly(d);
    }
    return DT_EMPTY;
}
