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

// The longest step a rule's interval may jump: the years Velk holds.
constexpr int MAX_STEP_DAYS = 128 * 366;

// Moves the occurrence B..E of a daily or weekly entry that ends days before
// from on in one jump to the last occurrence that still ends before from, as
// the step-by-step walk would reach it: such a rule moves by a fixed number of
// days, and no occurrence passed over reaches the span. False when the walk
// would have stopped on the way (the rule's range ends first): the entry then
// has no occurrence in the span.
bool skipToSpan(const ToDoListToDo& t, const T_recData& rec, packedDT from, packedDT& B,
                packedDT& E) {
    if (rec.type != REC_DAILY && rec.type != REC_WEEKLY) return true;
    if (rec.interval < 1 || rec.interval > MAX_STEP_DAYS) return true;
    if (!dtHasDate(B) || !dtHasDate(E) || E >= from) return true;
    const int step = rec.interval * (rec.type == REC_WEEKLY ? 7 : 1);
    const int jumps = (getDateDiff(from, E) - 1) / step;
    if (jumps < 2) return true;
    T_recData jump;
    jump.type = REC_DAILY;
    jump.interval = jumps * step;
    packedDT b = B, e = E;
    if (followingRecurrenceDate(jump, t.getPriority(), b, e) != 1) return true;
    const packedDT anchor = t.isToDo() ? e : b;
    if (dtHasDate(rec.rangeEnd) && rec.rangeEnd < anchor) return false;
    B = b;
    E = e;
    return true;
}
